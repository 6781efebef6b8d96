// The transaction calls go straight to the connection: the component keeps no
// transaction state or depth of its own.
#include "automation/automation.h"
#include "database/branches.h"

namespace qorvid {

void BeginTransBranch(ComponentState& state, MethodCall&) {
  Automation(state.adoConnection).call("BeginTrans");
}

void CommitTransBranch(ComponentState& state, MethodCall&) {
  Automation(state.adoConnection).call("CommitTrans");
}

void RollbackTransBranch(ComponentState& state, MethodCall&) {
  Automation(state.adoConnection).call("RollbackTrans");
}

}  // namespace qorvid
