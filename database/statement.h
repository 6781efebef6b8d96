// Running one statement on the component's connection, shared by the Execute
// method and SaveRec.
#pragma once

#include <string>

#include "database/component_state.h"

namespace qorvid {

// Calls Execute on adoConnection with the statement by reference and keeps
// what it returned in recordset. A failure leaves recordset as it was. From
// here on the statement, as ADO hands it back, is the call's failure context.
void RunStatement(ComponentState& state, MethodCall& call, std::string& statement);

}  // namespace qorvid
