#include "ado/model/dispatch_base.h"

#include <new>

namespace qorvid::ado {

namespace {

LONG volatile g_liveObjects = 0;

void FillException(EXCEPINFO* info, const AdoError& e) {
  if (!info) return;
  *info = EXCEPINFO();
  info->bstrSource = Bstr(OLESTR("qorvid ADO")).detach();
  info->bstrDescription = Bstr(e.description()).detach();
  info->scode = FAILED(e.scode()) ? e.scode() : E_FAIL;
}

}  // namespace

LONG AdoLiveObjects() { return g_liveObjects; }

DispatchBase::DispatchBase(const MemberName* members, size_t count)
    : NamedDispatch(members, count) {
  InterlockedIncrement(&g_liveObjects);
}

DispatchBase::~DispatchBase() { InterlockedDecrement(&g_liveObjects); }

HRESULT DispatchBase::dispatchMember(DISPID dispIdMember, LCID, WORD wFlags,
                                     DISPPARAMS* pDispParams, VARIANT* pVarResult,
                                     EXCEPINFO* pExcepInfo, UINT* puArgErr) {
  if (puArgErr) *puArgErr = 0;
  DISPPARAMS none = {nullptr, nullptr, 0, 0};
  const DISPPARAMS* params = pDispParams ? pDispParams : &none;
  if (params->cArgs > 0 && !params->rgvarg) return E_INVALIDARG;
  if (params->cNamedArgs > params->cArgs) return E_INVALIDARG;
  if (params->cNamedArgs > 0 && !params->rgdispidNamedArgs) return E_INVALIDARG;
  // Only property writes carry a named argument, and only DISPID_PROPERTYPUT.
  for (UINT i = 0; i < params->cNamedArgs; ++i)
    if (params->rgdispidNamedArgs[i] != DISPID_PROPERTYPUT) return DISP_E_NONAMEDARGS;
  if (IsPut(wFlags) && params->cNamedArgs != 1) return DISP_E_PARAMNOTFOUND;
  try {
    Variant result = invokeMember(dispIdMember, wFlags, InvokeArgs(params));
    if (pVarResult) {
      // The caller hands an initialised, empty VARIANT; it owns the answer now.
      VARIANT& answer = result.get();
      *pVarResult = answer;
      VariantInit(&answer);
    }
    return S_OK;
  } catch (const AdoError& e) {
    FillException(pExcepInfo, e);
    return DISP_E_EXCEPTION;
  } catch (const DispatchFailure& f) {
    return f.status();
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

bool IsGet(WORD flags) { return (flags & (DISPATCH_PROPERTYGET | DISPATCH_METHOD)) != 0; }

bool IsPut(WORD flags) { return (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0; }

void RequireGet(WORD flags) {
  if (IsPut(flags) || !IsGet(flags)) throw DispatchFailure(DISP_E_MEMBERNOTFOUND);
}

void RequireMethod(WORD flags) {
  if (IsPut(flags) || !(flags & DISPATCH_METHOD)) throw DispatchFailure(DISP_E_MEMBERNOTFOUND);
}

}  // namespace qorvid::ado
