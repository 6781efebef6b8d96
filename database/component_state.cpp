#include "database/component_state.h"

#include <new>

#include "automation/automation.h"
#include "database/host_array.h"
#include "errors/component_error.h"

namespace qorvid {

Variant MethodCall::param(LONG index) const {
  Variant element;
  if (!IsVariantVector(parameters)) return element;
  // SafeArrayGetElement hands out its own copy of the element.
  LONG indices[1] = {index};
  const HRESULT hr = SafeArrayGetElement(parameters, indices, element.ptr());
  if (hr == E_OUTOFMEMORY) throw std::bad_alloc();
  if (FAILED(hr)) element = Variant();
  return element;
}

const VARIANT* MethodCall::textParam(LONG index) const {
  if (!IsVariantVector(parameters)) return nullptr;
  const SAFEARRAYBOUND& bound = parameters->rgsabound[0];
  const LONGLONG at = static_cast<LONGLONG>(index) - bound.lLbound;
  if (at < 0 || at >= static_cast<LONGLONG>(bound.cElements)) return nullptr;
  const VARIANT& element = static_cast<const VARIANT*>(parameters->pvData)[at];
  return element.vt == VT_BSTR ? &element : nullptr;
}

std::string MethodCall::paramText(LONG index) const {
  if (const VARIANT* text = textParam(index)) return ValueText(*text);
  return ValueText(param(index));
}

void MethodCall::setResult(Variant value) {
  if (result) value.detachTo(result);
}

StatementLists& ComponentState::initialised() {
  if (!lists) throw ComponentError("Компонента не инициализирована");
  return *lists;
}

Variant FetchApplication(const ComponentState& state) {
  const Variant connection = Variant::fromDispatch(state.hostConnection.get());
  return Automation(connection).get("AppDispatch");
}

}  // namespace qorvid
