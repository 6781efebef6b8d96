// The method branches of the database subsystem. The dispatcher calls one of
// these per script call (the member table, component/member_table.cpp, names
// the branch of each method); each reads its parameters from the call, works
// on the component's state, and raises a ComponentError on failure.
#pragma once

#include "automation/component_state.h"

namespace qorvid {

// Connection and statements.
void OpenBranch(ComponentState& state, MethodCall& call);
void CloseBranch(ComponentState& state, MethodCall& call);
void ExecuteBranch(ComponentState& state, MethodCall& call);
void MoveNextBranch(ComponentState& state, MethodCall& call);
void FieldNameBranch(ComponentState& state, MethodCall& call);

// Field reading.
void GetFieldBranch(ComponentState& state, MethodCall& call);
void GetFieldAsDateTimeBranch(ComponentState& state, MethodCall& call);
void GetFieldAsObjectBranch(ComponentState& state, MethodCall& call);

// Prepared queries.
void PrepareQueryBranch(ComponentState& state, MethodCall& call);
void BindBranch(ComponentState& state, MethodCall& call);
// The prepared path of Execute: checks the prepared query and returns the
// assembled statement.
std::string AssemblePreparedStatement(ComponentState& state);

// Record editing and transactions.
void OpenRecBranch(ComponentState& state, MethodCall& call);
void KeyFieldBranch(ComponentState& state, MethodCall& call);
void DataFieldBranch(ComponentState& state, MethodCall& call);
void SaveRecBranch(ComponentState& state, MethodCall& call);
void BeginTransBranch(ComponentState& state, MethodCall& call);
void CommitTransBranch(ComponentState& state, MethodCall& call);
void RollbackTransBranch(ComponentState& state, MethodCall& call);

// The EOF property: the current result set's end flag, read late-bound.
bool RecordsetAtEnd(const ComponentState& state);

}  // namespace qorvid
