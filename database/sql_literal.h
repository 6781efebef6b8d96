// Host values as SQL literal text: the text that stands for a value bound to a
// placeholder or given to KeyField/DataField. A component operation, because it
// reads and clears the one-shot timeText, reaches the host through
// hostConnection for object values, and writes in the dialect of the database
// the connection was opened on.
#pragma once

#include <string>

#include "database/component_state.h"

namespace qorvid {

// The literal for value, selected on its whole type code.
//
// Dbms::Unknown (the database did not say what it is): VT_I4 digits, VT_R8
// FloatText, VT_DATE "CDate('...')" (uses and clears timeText, whose quotes
// are doubled like a string's), VT_BSTR quoted with quotes doubled,
// VT_DISPATCH the quoted object key (quotes doubled too); empty text for
// every other type.
//
// A known database: NULL for VT_EMPTY, VT_NULL and an omitted argument; its
// own true/false; exact digits for every integer, currency and decimal;
// SingleText for VT_R4; dates in its own date form; strings it reads back
// exactly whatever its backslash setting; a reference as the value it points
// at. An array or another type fails.
//
// Raises a ComponentError on the object path, for a NaN or infinity, which
// has no SQL literal, and for a value a known database cannot be given.
std::string ValueToSqlLiteral(ComponentState& state, const VARIANT& value);

// The literal every database reads as "no value"; SaveRec matches a key
// holding it with IS NULL.
extern const char kSqlNull[];

}  // namespace qorvid
