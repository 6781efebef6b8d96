// The method dispatcher: every script method call enters here, and every
// failure of one ends here, in the one failure path.
#include <exception>

#include "automation/automation.h"
#include "component/addin_object.h"
#include "component/error_text.h"
#include "database/branches.h"

namespace qorvid {

namespace {
// By method number; DeleteRec (13) has no branch.
const MethodBranch kBranches[kDispatchedMethods] = {
    OpenBranch,
    CloseBranch,
    ExecuteBranch,
    MoveNextBranch,
    GetFieldBranch,
    GetFieldAsDateTimeBranch,
    GetFieldAsObjectBranch,
    PrepareQueryBranch,
    BindBranch,
    OpenRecBranch,
    KeyFieldBranch,
    DataFieldBranch,
    SaveRecBranch,
    nullptr,
    BeginTransBranch,
    CommitTransBranch,
    RollbackTransBranch,
    FieldNameBranch,
};
}  // namespace

const MethodBranch* DispatcherBranches() { return kBranches; }

HRESULT STDMETHODCALLTYPE AddInObject::CallAsProcedure(long, SAFEARRAY**) { return S_FALSE; }

HRESULT STDMETHODCALLTYPE AddInObject::CallAsFunction(long number, VARIANT* result,
                                                      SAFEARRAY** parameters) {
  return dispatchWith(kBranches, number, result, parameters);
}

HRESULT AddInObject::dispatchWith(const MethodBranch* branches, long number, VARIANT* result,
                                  SAFEARRAY** parameters) {
  // A host that passes no result still gets a call whose branches can store.
  Variant spare;
  VARIANT* out = result ? result : spare.ptr();
  Variant::fromInt(0).detachTo(out);
  ErrorText().clear();

  unsigned method = static_cast<unsigned>(number) & 0xFFu;
  if (method >= kDispatchedMethods || !branches[method]) return S_FALSE;

  MethodCall call;
  call.parameters = parameters ? *parameters : nullptr;
  call.result = out;
  std::string message;
  try {
    // After Shutdown (or before Initialize) there is no state to work on.
    RequireList(state_.queryParts);
    branches[method](state_, call);
    return S_OK;
  } catch (const ComponentError& e) {
    message = e.message();
  } catch (const std::exception& e) {
    message = e.what();
  } catch (...) {
    message = "unknown failure";
  }

  try {
    // A failed method closes the connection; that Close failing too (no
    // connection yet, or a transaction in progress) changes nothing.
    try {
      Automation(state_.adoConnection).call("Close");
    } catch (...) {
    }
    ErrorText() = message + "\r\n" + call.statementText;
    ReportError(WideFromAnsi(ErrorText()));
  } catch (...) {
    // Out of memory while reporting: the call still ends here.
  }
  return S_OK;
}

}  // namespace qorvid
