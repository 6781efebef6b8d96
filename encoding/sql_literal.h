// Host values as SQL literal text: the text that stands for a value bound to a
// placeholder or given to KeyField/DataField. A component operation, because it
// reads and clears the one-shot timeText and reaches the host through
// hostConnection for object values.
#pragma once

#include <string>

#include "automation/component_state.h"

namespace qorvid {

// The literal for value, selected on its whole type code: VT_I4 digits,
// VT_R8 FloatText, VT_DATE "CDate('...')" (uses and clears timeText, whose
// quotes are doubled like a string's), VT_BSTR quoted with quotes doubled,
// VT_DISPATCH the quoted object key (quotes doubled too); empty text for
// every other type. Raises a ComponentError on the object path and for a
// VT_R8 NaN or infinity, which has no SQL literal.
std::string ValueToSqlLiteral(ComponentState& state, const VARIANT& value);

}  // namespace qorvid
