#include "ado/results/cell_values.h"

#include <cstring>
#include <new>

namespace qorvid::ado {

namespace {

// mantissa = mantissa * 10 + digit over three 32-bit words; false on overflow.
bool MulAdd(ULONG m[3], unsigned digit) {
  unsigned long long carry = digit;
  for (int k = 0; k < 3; ++k) {
    unsigned long long t = static_cast<unsigned long long>(m[k]) * 10 + carry;
    m[k] = static_cast<ULONG>(t);
    carry = t >> 32;
  }
  return carry == 0;
}

}  // namespace

bool ParseDateText(const std::string& text, DateParts* parts) {
  return ParseDateText(text.data(), text.size(), parts);
}

std::string NormalizedDateText(const DateParts& p) {
  char buf[40];
  platform::FormatDateTimeText(p, buf, sizeof buf);
  return buf;
}

DATE DateFromParts(const DateParts& p) {
  const double time =
      ((p.hour * 60.0 + p.minute) * 60.0 + p.second + p.millisecond / 1000.0) / 86400.0;
  return platform::OleDateFromDayAndTime(platform::OleDayFromCivil(p.year, p.month, p.day), time);
}

bool DecimalFromText(const std::string& text, DECIMAL* out) {
  size_t i = 0, n = text.size();
  while (i < n && text[i] == ' ') ++i;
  while (n > i && text[n - 1] == ' ') --n;
  bool negative = false;
  if (i < n && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  ULONG m[3] = {0, 0, 0};
  int scale = 0, digits = 0;
  bool point = false;
  for (; i < n; ++i) {
    char c = text[i];
    if (c == '.' && !point) {
      point = true;
    } else if (c >= '0' && c <= '9') {
      ++digits;
      if (!MulAdd(m, static_cast<unsigned>(c - '0'))) return false;
      if (point) ++scale;
    } else {
      break;
    }
  }
  if (digits == 0) return false;
  if (i < n) {
    if (text[i] != 'e' && text[i] != 'E') return false;
    ++i;
    bool negExp = false;
    if (i < n && (text[i] == '-' || text[i] == '+')) negExp = text[i++] == '-';
    int exp = 0;
    if (i >= n) return false;
    for (; i < n; ++i) {
      if (text[i] < '0' || text[i] > '9' || exp > 1000) return false;
      exp = exp * 10 + (text[i] - '0');
    }
    scale += negExp ? exp : -exp;
  }
  for (; scale < 0; ++scale)
    if (!MulAdd(m, 0)) return false;
  if (scale > 28) return false;
  DECIMAL d;
  std::memset(&d, 0, sizeof d);
  d.scale = static_cast<BYTE>(scale);
  d.sign = (negative && (m[0] | m[1] | m[2])) ? DECIMAL_NEG : 0;
  d.Lo32 = m[0];
  d.Mid32 = m[1];
  d.Hi32 = m[2];
  *out = d;
  return true;
}

Variant DecimalVariant(const DECIMAL& d) {
  return Variant::typed(VT_DECIMAL, [&](VARIANT& x) { x.decVal = d; });
}

Variant Int64Variant(LONGLONG value) {
  return Variant::typed(VT_I8, [&](VARIANT& x) { x.llVal = value; });
}

Variant Int16Variant(SHORT value) {
  return Variant::typed(VT_I2, [&](VARIANT& x) { x.iVal = value; });
}

Variant FloatVariant(float value) {
  return Variant::typed(VT_R4, [&](VARIANT& x) { x.fltVal = value; });
}

Variant CurrencyVariant(LONGLONG scaled) {
  return Variant::typed(VT_CY, [&](VARIANT& x) { x.cyVal.int64 = scaled; });
}

Variant ByteArrayVariant(const void* data, size_t size) {
  SAFEARRAY* array = SafeArrayCreateVector(VT_UI1, 0, static_cast<ULONG>(size));
  if (!array) throw std::bad_alloc();
  Variant v;
  v.get().vt = VT_ARRAY | VT_UI1;
  v.get().parray = array;  // owned by v from here on
  if (size) {
    void* bytes = nullptr;
    if (SUCCEEDED(SafeArrayAccessData(array, &bytes))) {
      std::memcpy(bytes, data, size);
      SafeArrayUnaccessData(array);
    }
  }
  return v;
}

}  // namespace qorvid::ado
