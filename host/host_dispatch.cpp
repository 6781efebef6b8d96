#include "host/host_dispatch.h"

#include "platform/variant.h"

namespace qorvid::host {

namespace {
OLECHAR Fold(OLECHAR c) { return (c >= 'A' && c <= 'Z') ? static_cast<OLECHAR>(c + 32) : c; }

bool SameName(const WideString& a, const OLECHAR* b) {
  size_t i = 0;
  for (; i < a.size(); ++i)
    if (!b[i] || Fold(a[i]) != Fold(b[i])) return false;
  return b[i] == 0;
}
}  // namespace

HostDispatch::HostDispatch(std::initializer_list<const char*> names) {
  for (const char* n : names) names_.push_back(WideFromAnsi(n));
}

HostDispatch::~HostDispatch() = default;

HRESULT STDMETHODCALLTYPE HostDispatch::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  void* p = nullptr;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch))
    p = static_cast<IDispatch*>(this);
  else
    p = extraInterface(iid);
  *out = p;
  if (!p) return E_NOINTERFACE;
  static_cast<IUnknown*>(p)->AddRef();
  return S_OK;
}

ULONG STDMETHODCALLTYPE HostDispatch::AddRef() {
  return static_cast<ULONG>(InterlockedIncrement(&refs_));
}

ULONG STDMETHODCALLTYPE HostDispatch::Release() {
  LONG left = InterlockedDecrement(&refs_);
  if (left == 0) delete this;
  return static_cast<ULONG>(left < 0 ? 0 : left);
}

HRESULT STDMETHODCALLTYPE HostDispatch::GetTypeInfoCount(UINT* count) {
  if (count) *count = 0;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE HostDispatch::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
  if (info) *info = nullptr;
  return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE HostDispatch::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                                      DISPID* ids) {
  if (!names || !ids) return E_POINTER;
  HRESULT status = S_OK;
  for (UINT i = 0; i < count; ++i) {
    ids[i] = DISPID_UNKNOWN;
    for (size_t m = 0; names[i] && m < names_.size(); ++m)
      if (SameName(names_[m], names[i])) ids[i] = static_cast<DISPID>(m + 1);
    if (ids[i] == DISPID_UNKNOWN) status = DISP_E_UNKNOWNNAME;
  }
  return status;
}

HRESULT STDMETHODCALLTYPE HostDispatch::Invoke(DISPID id, REFIID, LCID, WORD flags,
                                               DISPPARAMS* params, VARIANT* result,
                                               EXCEPINFO* exception, UINT*) {
  if (id < 1 || static_cast<size_t>(id) > names_.size()) return DISP_E_MEMBERNOTFOUND;
  DISPPARAMS none{};
  return invokeMember(id, flags, params ? *params : none, result, exception);
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
