// The property operations. Their failures go to the host's error log only:
// errorText is the dispatcher's and stays as the last method call left it.
#include "automation/automation.h"
#include "component/addin_object.h"
#include "component/error_report.h"
#include "component/member_table.h"

namespace qorvid {

void AddInObject::ReportPropertyFailure(const char* prefix) noexcept {
  try {
    ReportError(platform::WideFromUtf8(std::string(prefix) + FailureMessage()));
  } catch (...) {
  }
}

HRESULT STDMETHODCALLTYPE AddInObject::GetPropertyValue(long number, VARIANT* value) {
  if (!value) return E_POINTER;
  VariantClear(value);
  const PropertyRow* row = PropertyRowAt(LowByte(number));
  if (!row) return S_FALSE;
  ComPtr<IUnknown> alive = keepAlive();
  try {
    row->read(state_).detachTo(value);
  } catch (...) {
    ReportPropertyFailure("Ошибка чтения свойства: ");
  }
  return S_OK;
}

HRESULT STDMETHODCALLTYPE AddInObject::SetPropertyValue(long number, VARIANT* value) {
  const PropertyRow* row = PropertyRowAt(LowByte(number));
  if (!row || !row->write) return S_FALSE;
  if (!value) return E_POINTER;
  ComPtr<IUnknown> alive = keepAlive();
  try {
    row->write(state_, *value);
  } catch (...) {
    ReportPropertyFailure("Ошибка установки свойства: ");
  }
  return S_OK;
}

}  // namespace qorvid
