// The method dispatcher: every script method call enters here, and every
// failure of one ends here, in the one failure path.
#include <new>

#include "automation/automation.h"
#include "component/addin_object.h"
#include "component/error_report.h"
#include "component/error_text.h"
#include "component/member_table.h"

namespace qorvid {

HRESULT STDMETHODCALLTYPE AddInObject::CallAsProcedure(long, SAFEARRAY**) { return S_FALSE; }

HRESULT STDMETHODCALLTYPE AddInObject::CallAsFunction(long number, VARIANT* result,
                                                      SAFEARRAY** parameters) {
  const MethodRow* row = MethodRowAt(LowByte(number));
  return dispatch(row ? row->branch : nullptr, result, parameters);
}

HRESULT AddInObject::dispatch(MethodBranch branch, VARIANT* result, SAFEARRAY** parameters) {
  ComPtr<IUnknown> alive = keepAlive();
  // A host that passes no result still gets a call whose branches can store.
  Variant spare;
  VARIANT* out = result ? result : spare.ptr();
  Variant::fromInt(0).detachTo(out);
  ErrorText().clear();
  if (!branch) return S_FALSE;

  MethodCall call;
  call.parameters = parameters ? *parameters : nullptr;
  call.result = out;
  std::string message;
  bool named = false;
  try {
    // After Shutdown (or before Initialize) there is no state to work on.
    state_.initialised();
    branch(state_, call);
    return S_OK;
  } catch (...) {
    try {
      message = FailureMessage();
      named = true;
    } catch (...) {
      // No room even to copy the message: memory ran out, say that.
    }
  }

  try {
    if (!named) message = StatusMessage(E_OUTOFMEMORY);
    // A failed method closes the connection; that Close failing too (no
    // connection yet, or a transaction in progress) changes nothing.
    try {
      Automation(state_.adoConnection).call("Close");
    } catch (...) {
    }
    try {
      ErrorText() = message + "\r\n" + call.failureContext;
    } catch (const std::bad_alloc&) {
      // At least the message, in what the last one left room for.
      ErrorText().assign(message);
    }
    ReportError(platform::WideFromUtf8(ErrorText()));
  } catch (...) {
    // Out of memory while reporting: the call still ends here.
  }
  return S_OK;
}

}  // namespace qorvid
