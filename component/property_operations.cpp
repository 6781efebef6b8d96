// The property operations. Their failures go to the host's error log only:
// errorText is the dispatcher's and stays as the last method call left it.
#include <exception>

#include "automation/automation.h"
#include "automation/cp1251.h"
#include "component/addin_object.h"
#include "component/error_text.h"
#include "database/branches.h"

namespace qorvid {

namespace {
// The message of the failure being handled.
std::string CurrentFailure() {
  try {
    throw;
  } catch (const ComponentError& e) {
    return e.message();
  } catch (const std::exception& e) {
    return e.what();
  } catch (...) {
    return "unknown failure";
  }
}
}  // namespace

HRESULT STDMETHODCALLTYPE AddInObject::GetPropertyValue(long number, VARIANT* value) {
  if (!value) return E_POINTER;
  VariantClear(value);
  try {
    switch (number & 0xFF) {
      case 0:
        Variant::fromAnsi(ErrorText()).detachTo(value);
        return S_OK;
      case 1:
        Variant::fromInt(RecordsetAtEnd(state_) ? 1 : 0).detachTo(value);
        return S_OK;
      case 2:
        Variant::fromInt(state_.fieldsCount).detachTo(value);
        return S_OK;
      case 3:
        Variant::fromAnsi(state_.timeText).detachTo(value);
        return S_OK;
      default:
        return S_FALSE;
    }
  } catch (...) {
    try {
      ReportError(WideFromAnsi(CP1251("Ошибка чтения свойства: ") + CurrentFailure()));
    } catch (...) {
    }
  }
  return S_OK;
}

HRESULT STDMETHODCALLTYPE AddInObject::SetPropertyValue(long number, VARIANT* value) {
  if ((number & 0xFF) != 3) return S_FALSE;
  if (!value) return E_POINTER;
  try {
    state_.timeText = ValueText(*value);
  } catch (...) {
    try {
      ReportError(WideFromAnsi(CP1251("Ошибка установки свойства: ") + CurrentFailure()));
    } catch (...) {
    }
  }
  return S_OK;
}

}  // namespace qorvid
