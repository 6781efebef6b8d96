// Pure text encodings of subsystem 3: date-time and number texts, the quote
// doubling helpers, and the object key codec. No state, no C library locale.
#pragma once

#include <string>

#include "platform/win32.h"

// Date-time and number text.
std::string TwoDigitText(LONG n);
std::string DateTimeText(const std::string& timeText, double value);
std::string FloatText(double value);
std::string EscapeSingleQuotes(const std::string& text);
std::string EscapeDoubleQuotes(const std::string& text);
// The decimal separator FloatText reads, fixed once at load from the locale
// of the loading thread; settable for tests.
char LoadTimeDecimalSeparator();
void SetLoadTimeDecimalSeparatorForTests(char separator);

// Object key codec. Failures raise a ComponentError with the cp1251 message.
std::string EncodeBase36(LONG n);
LONG DecodeBase36(const std::string& text);
std::string ObjectKeyFromInternal(const std::string& internal);
std::string InternalFromObjectKey(const std::string& key);
