// The conversion of an ADO answer "to an automation type": the small integer
// types that scripts cannot hold become VT_I4, and unsigned or 64-bit values
// that do not fit become doubles. Every other value is copied unchanged.
#pragma once

#include "platform/variant.h"

// Takes the value over, so that a type VariantCopy would refuse still
// reaches the caller's own checks.
Variant NormalizedValue(Variant value);
