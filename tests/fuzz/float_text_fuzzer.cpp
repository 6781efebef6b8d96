// Float text for any double: a finite value becomes a number text of at most 15
// significant digits (17 next to the largest double) with "." that reads
// back as the value.
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>

#include "encoding/float_text.h"
#include "tests/fuzz/finding.h"
#include "tests/fuzz/literal_check.h"

using namespace qorvid;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  uint8_t bytes[8] = {};
  std::memcpy(bytes, data, size < 8 ? size : 8);
  double value;
  std::memcpy(&value, bytes, sizeof value);

  const std::string text = FloatText(value);
  if (!std::isfinite(value)) return 0;
  const std::string context = Printable(text) + " for " + DoubleText(value);
  if (!IsNumberText(text)) Finding("not a number text", context);
  // Only the doubles next to the largest one need more: their 15 digits would
  // read back as infinity.
  const int most = std::fabs(value) > 1.79769313486231e308 ? 17 : 15;
  if (SignificantDigits(text) > most) Finding("too many significant digits", context);
  if (!ReadsBackAs(text, value)) Finding("does not read back as the value", context);
  return 0;
}
