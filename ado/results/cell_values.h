// Building the VARIANT values of result cells from what the engines store:
// automation dates from date-time parts or text, decimals from digit text,
// byte arrays from raw bytes.
#pragma once

#include <string>

#include "ado/results/date_text.h"
#include "platform/variant.h"
#include "platform/win32.h"

namespace qorvid::ado {

// ParseDateText over a whole string (see ado/date_text.h).
bool ParseDateText(const std::string& text, DateParts* parts);
// "yyyy-mm-dd hh:mm:ss", with ".fff" when there are milliseconds: one text
// per moment, which sorts and compares as the moments do.
std::string NormalizedDateText(const DateParts& parts);
// The automation date (days since 1899-12-30, time as the fraction).
DATE DateFromParts(const DateParts& parts);

// A decimal from "[-+]digits[.digits][e[-+]digits]"; false when the text is
// not such a number or does not fit the 96-bit mantissa.
bool DecimalFromText(const std::string& text, DECIMAL* out);

Variant DecimalVariant(const DECIMAL& d);
Variant Int64Variant(LONGLONG v);
Variant Int16Variant(SHORT v);
Variant FloatVariant(float v);
Variant CurrencyVariant(LONGLONG scaledByTenThousand);
// VT_ARRAY|VT_UI1 holding a copy of the bytes.
Variant ByteArrayVariant(const void* data, size_t size);

}  // namespace qorvid::ado
