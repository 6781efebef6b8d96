#include "host/host_dispatch.h"

#include <new>

#include "platform/com_ptr.h"
#include "platform/variant.h"

namespace qorvid::host {

HostDispatch::HostDispatch(std::initializer_list<const char*> names) {
  for (const char* n : names) {
    names_.push_back(qorvid::platform::WideFromUtf8(n));
    utf8Names_.push_back(n);
  }
  for (size_t i = 0; i < names_.size(); ++i)
    table_.push_back({names_[i].c_str(), static_cast<DISPID>(i + 1)});
  setNames(table_.data(), table_.size());
}

HostDispatch::~HostDispatch() = default;

HRESULT HostDispatch::dispatchMember(DISPID id, LCID, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO* exception, UINT*) {
  const bool named = id >= 1 && static_cast<size_t>(id) <= utf8Names_.size();
  DISPPARAMS none{};
  // No C++ exception crosses back into the caller.
  try {
    reenter(named ? utf8Names_[id - 1].c_str() : "");
    return invokeMember(id, flags, params ? *params : none, result, exception);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

void HostDispatch::addDefaultMember() {
  for (const platform::DispatchName& n : table_)
    if (n.id == DISPID_VALUE) return;
  // Unnamed: only Invoke reaches it, as conversions of the object do.
  static const OLECHAR kUnnamed[] = {0};
  table_.push_back({kUnnamed, DISPID_VALUE});
  setNames(table_.data(), table_.size());
}

void HostDispatch::reenter(const char* member) {
  if (!reentry_) return;
  // The hook may replace itself, and the host may drop this object's last
  // reference from inside: both stay alive until it returns.
  Reentry hook = reentry_;
  ComPtr<IDispatch> self(this);
  hook(member);
}

HRESULT HostDispatch::Raise(EXCEPINFO* exception, const std::string& description) {
  if (exception) {
    *exception = EXCEPINFO{};
    exception->scode = DISP_E_EXCEPTION;
    exception->bstrSource = Bstr::fromUtf8("qorvid reference host").detach();
    exception->bstrDescription = Bstr::fromUtf8(description).detach();
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
