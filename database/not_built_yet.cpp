// Temporary stand-ins for the branches that are still being written; each is
// removed from here as its real implementation lands.
#include "component/component_error.h"
#include "database/branches.h"

namespace {
[[noreturn]] void NotBuilt() { throw ComponentError("not implemented"); }
}  // namespace

void OpenBranch(ComponentState&, MethodCall&) { NotBuilt(); }
void CloseBranch(ComponentState&, MethodCall&) { NotBuilt(); }
void ExecuteBranch(ComponentState&, MethodCall&) { NotBuilt(); }
void MoveNextBranch(ComponentState&, MethodCall&) { NotBuilt(); }
void FieldNameBranch(ComponentState&, MethodCall&) { NotBuilt(); }
void GetFieldBranch(ComponentState&, MethodCall&) { NotBuilt(); }
void GetFieldAsDateTimeBranch(ComponentState&, MethodCall&) { NotBuilt(); }
void GetFieldAsObjectBranch(ComponentState&, MethodCall&) { NotBuilt(); }
void PrepareQueryBranch(ComponentState&, MethodCall&) { NotBuilt(); }
void BindBranch(ComponentState&, MethodCall&) { NotBuilt(); }
void AssemblePreparedStatement(ComponentState&, MethodCall&) { NotBuilt(); }
void OpenRecBranch(ComponentState&, MethodCall&) { NotBuilt(); }
void KeyFieldBranch(ComponentState&, MethodCall&) { NotBuilt(); }
void DataFieldBranch(ComponentState&, MethodCall&) { NotBuilt(); }
void SaveRecBranch(ComponentState&, MethodCall&) { NotBuilt(); }
void BeginTransBranch(ComponentState&, MethodCall&) { NotBuilt(); }
void CommitTransBranch(ComponentState&, MethodCall&) { NotBuilt(); }
void RollbackTransBranch(ComponentState&, MethodCall&) { NotBuilt(); }
bool RecordsetAtEnd(const ComponentState&) { NotBuilt(); }
