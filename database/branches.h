// The method branches of the database subsystem. The dispatcher calls one of
// these per script call (the member table, component/member_table.cpp, names
// the branch of each method); each reads its parameters from the call, works
// on the component's state, and raises a ComponentError on failure.
#pragma once

#include "database/component_state.h"

namespace qorvid {

// Every branch has this type: void Name(ComponentState& state, MethodCall& call).
typedef void BranchFunction(ComponentState& state, MethodCall& call);

// Connection and statements.
BranchFunction OpenBranch;
BranchFunction CloseBranch;
BranchFunction ExecuteBranch;
BranchFunction MoveNextBranch;
BranchFunction FieldNameBranch;

// Field reading.
BranchFunction GetFieldBranch;
BranchFunction GetFieldAsDateTimeBranch;
BranchFunction GetFieldAsObjectBranch;

// Prepared queries.
BranchFunction PrepareQueryBranch;
BranchFunction BindBranch;
// The prepared path of Execute: checks the prepared query and returns the
// assembled statement.
std::string AssemblePreparedStatement(ComponentState& state);

// Record editing and transactions.
BranchFunction OpenRecBranch;
BranchFunction KeyFieldBranch;
BranchFunction DataFieldBranch;
BranchFunction SaveRecBranch;
BranchFunction BeginTransBranch;
BranchFunction CommitTransBranch;
BranchFunction RollbackTransBranch;

// The EOF property: the current result set's end flag, read late-bound.
bool RecordsetAtEnd(const ComponentState& state);

}  // namespace qorvid
