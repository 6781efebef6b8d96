// Building the VARIANT values of result cells from what the engines store:
// automation dates from date-time parts or text, decimals from digit text,
// byte arrays from raw bytes.
#pragma once

#include <string>

#include "platform/variant.h"
#include "platform/win32.h"

namespace qorvid::ado {

struct DateParts {
  int year = 0, month = 0, day = 0;
  int hour = 0, minute = 0, second = 0, millisecond = 0;
};

// Reads "yyyy-mm-dd", "yyyy-mm-dd hh:mm", "yyyy-mm-dd hh:mm:ss" and
// "yyyy-mm-dd hh:mm:ss.f..." (a 'T' may stand for the blank; blanks around
// are ignored). False for anything else or a date that does not exist.
bool ParseDateText(const std::string& text, DateParts* parts);
// "yyyy-mm-dd hh:mm:ss", with ".fff" when there are milliseconds: one text
// per moment, which sorts and compares as the moments do.
std::string NormalizedDateText(const DateParts& parts);
// The automation date (days since 1899-12-30, time as the fraction).
DATE DateFromParts(const DateParts& parts);
bool ValidDateParts(const DateParts& parts);

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
