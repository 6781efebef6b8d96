// The IDispatch base that every object of the ADO-compatible layer derives
// from: the platform's name-table dispatch (case-insensitive lookup, as ADO
// answers late binding), the count of live objects, the checks of the call's
// arguments and the translation of failures into Invoke's statuses and
// EXCEPINFO.
#pragma once

#include <cstddef>

#include "ado/model/ado_error.h"
#include "ado/model/invoke_args.h"
#include "platform/named_dispatch.h"
#include "platform/variant.h"
#include "platform/win32.h"

namespace qorvid::ado {

using MemberName = platform::DispatchName;

// Number of live objects of this layer, for DllCanUnloadNow.
LONG AdoLiveObjects();

class DispatchBase : public platform::NamedDispatch {
 protected:
  template <size_t N>
  explicit DispatchBase(const MemberName (&members)[N]) : DispatchBase(members, N) {}
  DispatchBase(const MemberName* members, size_t count);
  ~DispatchBase() override;

  // One member call. Raise AdoError for what the script should see as the
  // object's exception, DispatchFailure for a wrong call.
  virtual Variant invokeMember(DISPID id, WORD flags, const InvokeArgs& args) = 0;

 private:
  HRESULT dispatchMember(DISPID id, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                         EXCEPINFO* exception, UINT* argError) final;
};

// Call-form checks shared by the classes.
bool IsGet(WORD flags);
bool IsPut(WORD flags);
// For properties: a read, or (when writable) a write; anything else is refused.
void RequireGet(WORD flags);
void RequireMethod(WORD flags);

}  // namespace qorvid::ado
