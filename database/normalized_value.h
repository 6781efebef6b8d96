// The conversion of an ADO answer "to an automation type": the small integer
// types that scripts cannot hold become VT_I4; a VT_UI4 that does not fit
// becomes a double (exact: 10 digits), a VT_I8 that does not fit an exact
// VT_DECIMAL, so that its value text has every digit. Every other value is
// copied unchanged.
#pragma once

#include "platform/variant.h"

namespace qorvid {

// Takes the value over, so that a type VariantCopy would refuse still
// reaches the caller's own checks.
Variant NormalizedValue(Variant value);

}  // namespace qorvid
