// The component's script vocabulary: 4 properties and 18 methods, one row
// each, holding everything the host protocol answers about the member. To go
// from a member's name to the code that runs it, find the name in
// kMethodTable (member_table.cpp): the row names its branch.
#pragma once

#include <cstddef>

#include "database/branches.h"
#include "database/component_state.h"
#include "platform/bstr.h"
#include "platform/variant.h"
#include "platform/win32.h"

namespace qorvid {

// Member numbers as the host sees them: the row numbers of the tables.
enum class Property : long { ErrorMsg, Eof, FieldsCount, Time };
enum class Method : long {
  Open,
  Close,
  Execute,
  MoveNext,
  GetField,
  GetFieldAsDateTime,
  GetFieldAsObject,
  PrepareQuery,
  Bind,
  OpenRec,
  KeyField,
  DataField,
  SaveRec,
  DeleteRec,
  BeginTrans,
  CommitTrans,
  RollbackTrans,
  FieldName,
};
constexpr long kPropertyCount = 4;
constexpr long kMethodCount = 18;

// A method's branch (database/branches.h): it reads its parameters from the
// call, works on the state and raises a ComponentError on failure.
typedef BranchFunction* MethodBranch;

// The value GetParamDefault hands out for every parameter of a method.
enum class ParamDefault {
  None,       // VT_EMPTY: the parameter must be given
  EmptyText,  // an empty BSTR (Execute: the prepared query runs then)
};

struct MethodRow {
  Method method;
  const OLECHAR* english;
  const OLECHAR* russian;
  int paramCount;
  ParamDefault paramDefault;
  bool hasResult;
  MethodBranch branch;  // null: the method is listed but does nothing (S_FALSE)
};

struct PropertyRow {
  Property property;
  const OLECHAR* english;
  const OLECHAR* russian;
  // The value as the host reads it; may raise a ComponentError.
  Variant (*read)(ComponentState& state);
  // Null for a read-only property.
  void (*write)(ComponentState& state, const VARIANT& value);
  // What IsPropertyWritable answers for a read-only property: FieldsCount has
  // always answered S_FALSE there, unlike ErrorMsg and EOF.
  HRESULT readOnlyStatus;
};

extern const MethodRow kMethodTable[kMethodCount];
extern const PropertyRow kPropertyTable[kPropertyCount];

// The low-byte rule. Hosts may set bits above the low byte of a member
// number; the operations that act on a member (CallAsFunction,
// GetPropertyValue, SetPropertyValue, IsPropertyWritable) look at the low
// byte only, so 256 + n reaches member n. The operations that describe a
// member (the name, parameter count and default operations) take the whole
// number: only a plain row number finds a row there.
constexpr long LowByte(long number) { return number & 0xFF; }

// The row with this whole number, or null.
const MethodRow* MethodRowAt(long number);
const PropertyRow* PropertyRowAt(long number);

// The row whose English or Russian name equals name exactly (UTF-16 code
// units, case and blanks significant), or -1, whatever the code page.
long FindPropertyNumber(const OLECHAR* name, size_t length);
long FindMethodNumber(const OLECHAR* name, size_t length);

}  // namespace qorvid
