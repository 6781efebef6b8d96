#include "component/error_report.h"

#include "automation/cp1251.h"

namespace qorvid {

namespace {
bool BlankOnly(const WideString& text) {
  for (OLECHAR c : text)
    if (c > 32) return false;
  return true;
}
}  // namespace

void WriteErrorLogEntry(IErrorLog* log, const WideString& text) {
  if (!log || BlankOnly(text)) return;
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
