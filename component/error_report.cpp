#include "component/error_report.h"

#include <exception>
#include <new>

#include "automation/automation.h"
#include "encoding/text_trim.h"

namespace qorvid {

void WriteErrorLogEntry(IErrorLog* log, const WideString& text) {
  if (!log || BlankOrControlOnly(text)) return;
  // The strings stay ours: the log copies what it keeps.
  Bstr source(OLESTR("Внешняя компонента qorvid"));
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

std::string FailureMessage() {
  try {
    throw;
  } catch (const ComponentError& e) {
    return e.message();
  } catch (const std::bad_alloc&) {
    return StatusMessage(E_OUTOFMEMORY);
  } catch (const std::exception& e) {
    return e.what();
  } catch (...) {
    return "unknown failure";
  }
}

}  // namespace qorvid
