#include "component/error_report.h"

#include "automation/cp1251.h"
#include "encoding/text_trim.h"

namespace qorvid {

void WriteErrorLogEntry(IErrorLog* log, const WideString& text) {
  if (!log || BlankOrControlOnly(text)) return;
  // The strings stay ours: the log copies what it keeps.
  Bstr source = Bstr::fromAnsi(CP1251("Внешняя компонента qorvid"));
  Bstr description(text);
  EXCEPINFO entry{};
  entry.wCode = 1006;
  entry.wReserved = 0;
  entry.bstrSource = source.get();
  entry.bstrDescription = description.get();
  entry.bstrHelpFile = nullptr;
  entry.dwHelpContext = 0;
  entry.pvReserved = nullptr;
  entry.pfnDeferredFillIn = nullptr;
  entry.scode = 1;
  log->AddError(nullptr, &entry);
}

}  // namespace qorvid
