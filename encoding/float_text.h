// Number text for doubles in SQL: general format with 15 significant digits
// and "." as the decimal point whatever the regional settings say.
#pragma once

#include <string>

// Up to 15 significant digits, the last rounded to nearest (halves away from
// zero); fixed notation while the value is 0.d1d2... x 10^e with e from -3 to
// 15, otherwise "E" notation ("1E15", "1.5E-7"). The text is built with the
// load-time decimal separator, whose first "," then becomes ".". Never
// fails: NaN gives "NAN", the infinities "INF" and "-INF", -0 gives "0".
std::string FloatText(double value);

// The decimal separator FloatText reads, fixed once at load from the locale
// of the loading thread ("." when the locale names none); settable for tests.
char LoadTimeDecimalSeparator();
void SetLoadTimeDecimalSeparatorForTests(char separator);
