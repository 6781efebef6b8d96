// Internals of VariantChangeType(Ex): the number model every numeric
// conversion goes through, and the text and date codecs. Not part of the
// platform interface.
#pragma once

#include <cstdint>
#include <string>

#include "platform/posix/locale_settings.h"
#include "platform/posix/win32_posix.h"

namespace qorvid::platform {

typedef std::basic_string<OLECHAR> Text;

// A decimal number held exactly: (-1)^negative * digits * 10^exponent, the
// digits without leading zeros (none at all for zero). Integers, currency,
// DECIMAL and parsed text are held this way, so that no conversion among them
// loses a digit before the one rounding the target asks for.
struct ExactNumber {
  bool negative = false;
  std::string digits;
  int exponent = 0;
  // Written in &H/&O: a bit pattern, which fills a signed target of its
  // width as two's complement (&HFFFF in VT_I2 is -1).
  bool bitPattern = false;
  // Read from text: currency takes such a number through a double, as
  // oleaut32 does (so "1.00005" gives 1.0001, the double being just above).
  bool fromText = false;
};

// A source value on its way to a numeric type: floating point (R4, R8, DATE)
// keeps its binary value, everything else is exact.
struct Number {
  bool isReal = false;
  bool isSingle = false;  // R4: 7 significant digits where digits count
  double real = 0;
  ExactNumber exact;
};

ExactNumber ExactFromInteger(uint64_t magnitude, bool negative, int exponent = 0);
ExactNumber ExactFromDecimal(const DECIMAL& value);
bool IsZero(const Number& n);

// Stores -magnitude (negative) or magnitude in the integer member that vt
// names, as its two's complement bits cut to that member's width, and sets
// the type code.
void StoreInteger(VARTYPE vt, uint64_t magnitude, bool negative, VARIANT* out);

// The numeric targets. Each answers S_OK or DISP_E_OVERFLOW and stores the
// value and type code in out.
HRESULT NumberToVariant(const Number& n, VARTYPE vt, VARIANT* out);
// The double a number stands for (DISP_E_OVERFLOW beyond the double range).
HRESULT NumberToDouble(const Number& n, double* out);

// Text of numbers as oleaut32 writes them: R8 with 15 significant digits, R4
// with 7, exponents as "E+20"/"E-05", exact numbers with every digit and no
// trailing fractional zeros; the locale's decimal separator, no grouping.
Text RealText(double value, int significantDigits, const LocaleSettings& locale);
Text ExactText(const ExactNumber& value, const LocaleSettings& locale);

// Number text in the locale's conventions: blanks around it, a sign before or
// after it or parentheses, thousands separators after the first digit, one
// decimal separator, an exponent, &H hex and &O octal. DISP_E_TYPEMISMATCH
// for anything else.
HRESULT ParseNumberText(const Text& text, const LocaleSettings& locale, ExactNumber* out);

// Date text: date only at midnight, time only when the date part is 0, both
// otherwise or when bothParts. E_INVALIDARG outside the DATE range.
HRESULT DateText(DATE value, const LocaleSettings& locale, bool bothParts, Text* out);
// A date and/or time: two or three numbers (or month names) in the
// locale's order or the nearest order that makes a date, and before or
// after them a time of numbers joined by ':' or with AM/PM.
// DISP_E_TYPEMISMATCH when the text is no date.
HRESULT ParseDateText(const Text& text, const LocaleSettings& locale, DATE* out);

// The DATE range: 1 January 100 to 31 December 9999.
inline bool IsDateInRange(double value) { return value > -657435.0 && value < 2958466.0; }

}  // namespace qorvid::platform
