#include "host/host_dispatch.h"

#include <new>

#include "platform/variant.h"

namespace qorvid::host {

HostDispatch::HostDispatch(std::initializer_list<const char*> names) {
  for (const char* n : names) names_.push_back(WideFromAnsi(n));
  for (size_t i = 0; i < names_.size(); ++i)
    table_.push_back({names_[i].c_str(), static_cast<DISPID>(i + 1)});
  setNames(table_.data(), table_.size());
}

HostDispatch::~HostDispatch() = default;

HRESULT HostDispatch::dispatchMember(DISPID id, LCID, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO* exception, UINT*) {
  DISPPARAMS none{};
  // No C++ exception crosses back into the caller.
  try {
    return invokeMember(id, flags, params ? *params : none, result, exception);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

HRESULT HostDispatch::Raise(EXCEPINFO* exception, const std::string& description) {
  if (exception) {
    *exception = EXCEPINFO{};
    exception->scode = DISP_E_EXCEPTION;
    exception->bstrSource = Bstr::fromAnsi("qorvid reference host").detach();
    exception->bstrDescription = Bstr::fromAnsi(description).detach();
  }
  return DISP_E_EXCEPTION;
}

const VARIANT* HostDispatch::Argument(const DISPPARAMS& params, UINT i) {
  if (!params.rgvarg || i >= params.cArgs) return nullptr;
  const VARIANT* v = &params.rgvarg[params.cArgs - 1 - i];
  if (v->vt == (VT_VARIANT | VT_BYREF)) v = v->pvarVal;
  return v;
}

void StoreDispatch(VARIANT* result, IDispatch* object) {
  if (result) Variant::fromDispatch(object).detachTo(result);
}

}  // namespace qorvid::host
