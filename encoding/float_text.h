// Number text for doubles in SQL: general format with 15 significant digits
// and "." as the decimal point whatever the regional settings say.
#pragma once

#include <string>

namespace qorvid {

// Up to 15 significant digits, the last rounded to nearest (halves away from
// zero); fixed notation while the value is 0.d1d2... x 10^e with e from -3 to
// 15, otherwise "E" notation ("1E15", "1.5E-7"). The decimal point is "."
// whatever separator the regional settings name. The doubles whose 15-digit
// text would read back as infinity (next to DBL_MAX) get the shortest text
// that reads back as themselves. Never fails: NaN gives "NAN", the
// infinities "INF" and "-INF", -0 gives "0"; none of these is SQL.
std::string FloatText(double value);

// The shortest text that reads back as the same single, laid out as
// FloatText lays out its digits ("0.1", "3.4028235E38", "1E-45").
std::string SingleText(float value);

}  // namespace qorvid
