// The method branches of the database subsystem. The dispatcher calls one of
// these per script call; each reads its parameters from the call, works on the
// component's state, and raises a ComponentError on failure.
#pragma once

#include "automation/component_state.h"

namespace qorvid {

// Connection and statements.
void OpenBranch(ComponentState& state, MethodCall& call);       // 0
void CloseBranch(ComponentState& state, MethodCall& call);      // 1
void ExecuteBranch(ComponentState& state, MethodCall& call);    // 2
void MoveNextBranch(ComponentState& state, MethodCall& call);   // 3
void FieldNameBranch(ComponentState& state, MethodCall& call);  // 17

// Field reading.
void GetFieldBranch(ComponentState& state, MethodCall& call);            // 4
void GetFieldAsDateTimeBranch(ComponentState& state, MethodCall& call);  // 5
void GetFieldAsObjectBranch(ComponentState& state, MethodCall& call);    // 6

// Prepared queries.
void PrepareQueryBranch(ComponentState& state, MethodCall& call);  // 7
void BindBranch(ComponentState& state, MethodCall& call);          // 8
// The prepared path of Execute: checks the prepared query and assembles the
// statement into call.statementText.
void AssemblePreparedStatement(ComponentState& state, MethodCall& call);

// Record editing and transactions.
void OpenRecBranch(ComponentState& state, MethodCall& call);        // 9
void KeyFieldBranch(ComponentState& state, MethodCall& call);       // 10
void DataFieldBranch(ComponentState& state, MethodCall& call);      // 11
void SaveRecBranch(ComponentState& state, MethodCall& call);        // 12
void BeginTransBranch(ComponentState& state, MethodCall& call);     // 14
void CommitTransBranch(ComponentState& state, MethodCall& call);    // 15
void RollbackTransBranch(ComponentState& state, MethodCall& call);  // 16

// The EOF property: the current result set's end flag, read late-bound.
bool RecordsetAtEnd(const ComponentState& state);

}  // namespace qorvid
