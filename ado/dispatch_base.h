// The small IDispatch base that every object of the ADO-compatible layer
// derives from: reference counting, IUnknown/IDispatch identity, member
// lookup by name (case-insensitive, as ADO answers late binding) in the
// class's own table, and the translation of failures into Invoke's statuses
// and EXCEPINFO.
#pragma once

#include <cstddef>

#include "ado/ado_error.h"
#include "ado/invoke_args.h"
#include "platform/variant.h"
#include "platform/win32.h"

namespace qorvid::ado {

struct MemberName {
  const OLECHAR* name;
  DISPID id;
};

// Number of live objects of this layer, for DllCanUnloadNow.
LONG AdoLiveObjects();

class DispatchBase : public IDispatch {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* pctinfo) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID lcid,
                                          DISPID* rgDispId) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags,
                                   DISPPARAMS* pDispParams, VARIANT* pVarResult,
                                   EXCEPINFO* pExcepInfo, UINT* puArgErr) override;

 protected:
  DispatchBase(const MemberName* members, size_t count);
  virtual ~DispatchBase();
  DispatchBase(const DispatchBase&) = delete;
  DispatchBase& operator=(const DispatchBase&) = delete;

  // One member call. Raise AdoError for what the script should see as the
  // object's exception, DispatchFailure for a wrong call.
  virtual Variant invokeMember(DISPID id, WORD flags, const InvokeArgs& args) = 0;

 private:
  const MemberName* members_;
  size_t count_;
  LONG volatile refs_ = 1;
};

// Call-form checks shared by the classes.
bool IsGet(WORD flags);
bool IsPut(WORD flags);
// For properties: a read, or (when writable) a write; anything else is refused.
void RequireGet(WORD flags);
void RequireMethod(WORD flags);

}  // namespace qorvid::ado
