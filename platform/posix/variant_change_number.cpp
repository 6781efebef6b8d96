// Numeric targets of VariantChangeType(Ex): integers of every width, R4, R8,
// CY, DATE and DECIMAL, with oleaut32's rounding (half to even) and overflow.
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/posix/variant_change.h"
#include "platform/posix/vartype.h"

namespace qorvid::platform {
namespace {

void StripLeadingZeros(std::string& digits) {
  size_t first = digits.find_first_not_of('0');
  digits.erase(0, first == std::string::npos ? digits.size() : first);
}

// The digits of |value| * 10^places rounded to an integer, half to even.
std::string RoundedScaledDigits(const ExactNumber& value, int places) {
  std::string digits = value.digits;
  if (digits.empty()) return digits;
  long shift = static_cast<long>(value.exponent) + places;
  if (shift >= 0) {
    if (shift > 400) shift = 400;  // far beyond every target; only the length matters
    return digits.append(static_cast<size_t>(shift), '0');
  }
  size_t drop = static_cast<size_t>(-shift);
  if (drop > digits.size() + 1) return std::string();  // below one half
  if (digits.size() < drop) digits.insert(0, drop - digits.size(), '0');
  std::string kept = digits.substr(0, digits.size() - drop);
  const char first = digits[digits.size() - drop];
  bool up = first > '5';
  if (first == '5') {
    bool beyondHalf = digits.find_first_not_of('0', digits.size() - drop + 1) != std::string::npos;
    bool odd = !kept.empty() && ((kept.back() - '0') & 1);
    up = beyondHalf || odd;
  }
  if (up) {
    size_t i = kept.size();
    while (i > 0 && kept[i - 1] == '9') kept[--i] = '0';
    if (i == 0)
      kept.insert(0, 1, '1');
    else
      ++kept[i - 1];
  }
  StripLeadingZeros(kept);
  return kept;
}

bool DigitsToUnsigned(const std::string& digits, uint64_t* out) {
  uint64_t v = 0;
  for (char c : digits) {
    uint64_t d = static_cast<uint64_t>(c - '0');
    if (v > (UINT64_MAX - d) / 10) return false;
    v = v * 10 + d;
  }
  *out = v;
  return true;
}

// A 96-bit DECIMAL mantissa, least significant word first.
struct Mantissa96 {
  uint32_t w[3] = {0, 0, 0};
};

bool DigitsToMantissa(const std::string& digits, Mantissa96* out) {
  Mantissa96 m;
  for (char c : digits) {
    uint64_t carry = static_cast<uint64_t>(c - '0');
    for (uint32_t& word : m.w) {
      uint64_t v = static_cast<uint64_t>(word) * 10 + carry;
      word = static_cast<uint32_t>(v);
      carry = v >> 32;
    }
    if (carry != 0) return false;
  }
  *out = m;
  return true;
}

struct IntegerRange {
  uint64_t maxNegative;  // magnitude of the lowest value
  uint64_t maxPositive;
  uint64_t bits() const { return maxNegative + maxPositive; }  // all ones of the width
};

bool IntegerTarget(VARTYPE vt, IntegerRange* range) {
  const size_t width = IntegerWidth(vt);
  if (width == 0) return false;
  const uint64_t all = AllOnes(width);
  *range = IsSignedInteger(vt) ? IntegerRange{all / 2 + 1, all / 2} : IntegerRange{0, all};
  return true;
}

// Rounded to an integer, half to even: magnitude and sign.
bool RoundToInteger(const Number& n, uint64_t* magnitude, bool* negative) {
  if (n.isReal) {
    double r = std::nearbyint(n.real);
    if (!(std::fabs(r) < 18446744073709551616.0)) return false;  // NaN too
    *negative = r < 0;
    *magnitude = static_cast<uint64_t>(std::fabs(r));
    return true;
  }
  std::string digits = RoundedScaledDigits(n.exact, 0);
  if (digits.size() > 20 || !DigitsToUnsigned(digits, magnitude)) return false;
  *negative = n.exact.negative;
  return true;
}

// A double times 10000 rounded half to even, computed exactly: the product
// in double precision would lose the last digits of large amounts.
bool ScaledCurrency(double real, LONGLONG* out) {
  if (!std::isfinite(real)) return false;
  if (real == 0) {
    *out = 0;
    return true;
  }
  int exponent;
  double fraction = std::frexp(std::fabs(real), &exponent);
  unsigned __int128 product =
      static_cast<unsigned __int128>(static_cast<uint64_t>(std::ldexp(fraction, 53))) * 10000u;
  int shift = exponent - 53;
  if (shift >= 0) {
    if (shift > 63) return false;
    product <<= shift;
  } else if (shift < -100) {
    product = 0;
  } else {
    unsigned __int128 remainder = product & ((static_cast<unsigned __int128>(1) << -shift) - 1);
    unsigned __int128 half = static_cast<unsigned __int128>(1) << (-shift - 1);
    product >>= -shift;
    if (remainder > half || (remainder == half && (product & 1))) ++product;
  }
  const unsigned __int128 limit = static_cast<unsigned __int128>(1) << 63;
  bool negative = real < 0;
  if (product > (negative ? limit : limit - 1)) return false;
  uint64_t magnitude = static_cast<uint64_t>(product);
  *out = static_cast<LONGLONG>(negative ? ~magnitude + 1 : magnitude);
  return true;
}

HRESULT ToCurrency(const Number& n, VARIANT* out) {
  LONGLONG value;
  double real = n.real;
  bool viaDouble = n.isReal;
  if (!viaDouble && n.exact.fromText && n.exact.digits.size() <= 15) {
    HRESULT hr = NumberToDouble(n, &real);
    if (FAILED(hr)) return hr;
    viaDouble = true;
  }
  if (viaDouble) {
    if (!ScaledCurrency(real, &value)) return DISP_E_OVERFLOW;
  } else {
    uint64_t magnitude;
    std::string digits = RoundedScaledDigits(n.exact, 4);
    if (digits.size() > 19 || !DigitsToUnsigned(digits, &magnitude)) return DISP_E_OVERFLOW;
    if (magnitude > (n.exact.negative ? uint64_t(1) << 63 : (uint64_t(1) << 63) - 1))
      return DISP_E_OVERFLOW;
    value = static_cast<LONGLONG>(n.exact.negative ? ~magnitude + 1 : magnitude);
  }
  out->vt = VT_CY;
  out->cyVal.int64 = value;
  return S_OK;
}

// A double as a decimal of 16 significant digits (a float of 7), as
// oleaut32 takes it into DECIMAL (1/3 gives 0.3333333333333333, 0.6f 0.6).
ExactNumber ExactFromDouble(double value, int significantDigits) {
  ExactNumber exact;
  exact.negative = std::signbit(value);
  if (value == 0) return exact;
  char text[48];
  std::snprintf(text, sizeof text, "%.*e", significantDigits - 1, std::fabs(value));
  const char* e = std::strchr(text, 'e');
  for (const char* p = text; p < e; ++p)
    if (*p >= '0' && *p <= '9') exact.digits += *p;
  exact.exponent = std::atoi(e + 1) - (significantDigits - 1);
  while (!exact.digits.empty() && exact.digits.back() == '0') {
    exact.digits.pop_back();
    ++exact.exponent;
  }
  StripLeadingZeros(exact.digits);
  return exact;
}

HRESULT ToDecimal(const Number& n, VARIANT* out) {
  if (n.isReal && !std::isfinite(n.real)) return DISP_E_OVERFLOW;
  ExactNumber exact = n.isReal ? ExactFromDouble(n.real, n.isSingle ? 7 : 16) : n.exact;
  int places = exact.exponent < 0 ? -exact.exponent : 0;
  if (places > 28) places = 28;
  Mantissa96 mantissa;
  for (;;) {
    std::string digits = RoundedScaledDigits(exact, places);
    if (digits.size() <= 29 && DigitsToMantissa(digits, &mantissa)) break;
    if (places == 0) return DISP_E_OVERFLOW;
    --places;  // too many digits: give up the last fractional one
  }
  DECIMAL dec;
  std::memset(&dec, 0, sizeof dec);
  dec.scale = static_cast<BYTE>(places);
  bool zero = mantissa.w[0] == 0 && mantissa.w[1] == 0 && mantissa.w[2] == 0;
  dec.sign = exact.negative && !zero ? DECIMAL_NEG : 0;
  dec.Lo32 = mantissa.w[0];
  dec.Mid32 = mantissa.w[1];
  dec.Hi32 = mantissa.w[2];
  out->decVal = dec;  // overlays the type code: set it afterwards
  out->vt = VT_DECIMAL;
  return S_OK;
}

}  // namespace

void StoreInteger(VARTYPE vt, uint64_t magnitude, bool negative, VARIANT* out) {
  const uint64_t bits = negative ? (~magnitude + 1) : magnitude;
  out->vt = vt;
  // The low bytes of the two's complement, as many as the type holds: the
  // value members all begin at the same byte, the lowest on this platform.
  const size_t width = IntegerWidth(vt);
  std::memcpy(&out->ullVal, &bits, width ? width : sizeof bits);
}

ExactNumber ExactFromInteger(uint64_t magnitude, bool negative, int exponent) {
  ExactNumber exact;
  exact.negative = negative;
  exact.exponent = exponent;
  while (magnitude != 0) {
    exact.digits.insert(0, 1, static_cast<char>('0' + magnitude % 10));
    magnitude /= 10;
  }
  return exact;
}

ExactNumber ExactFromDecimal(const DECIMAL& value) {
  ExactNumber exact;
  exact.negative = (value.sign & DECIMAL_NEG) != 0;
  exact.exponent = -static_cast<int>(value.scale);
  Mantissa96 m;
  m.w[0] = value.Lo32;
  m.w[1] = value.Mid32;
  m.w[2] = value.Hi32;
  while (m.w[0] != 0 || m.w[1] != 0 || m.w[2] != 0) {
    uint64_t remainder = 0;
    for (int i = 2; i >= 0; --i) {
      uint64_t v = (remainder << 32) | m.w[i];
      m.w[i] = static_cast<uint32_t>(v / 10);
      remainder = v % 10;
    }
    exact.digits.insert(0, 1, static_cast<char>('0' + remainder));
  }
  return exact;
}

bool IsZero(const Number& n) { return n.isReal ? n.real == 0 : n.exact.digits.empty(); }

HRESULT NumberToDouble(const Number& n, double* out) {
  if (n.isReal) {
    *out = n.real;
    return S_OK;
  }
  if (n.exact.digits.empty()) {
    *out = n.exact.negative ? -0.0 : 0.0;
    return S_OK;
  }
  // Digits and an exponent only: strtod reads that the same in every C locale.
  std::string text =
      (n.exact.negative ? "-" : "") + n.exact.digits + "e" + std::to_string(n.exact.exponent);
  double value = std::strtod(text.c_str(), nullptr);
  if (std::isinf(value)) return DISP_E_OVERFLOW;
  *out = value;
  return S_OK;
}

HRESULT NumberToVariant(const Number& n, VARTYPE vt, VARIANT* out) {
  IntegerRange range;
  if (IntegerTarget(vt, &range)) {
    uint64_t magnitude;
    bool negative;
    if (!RoundToInteger(n, &magnitude, &negative)) return DISP_E_OVERFLOW;
    if (!n.isReal && n.exact.bitPattern && !negative && magnitude <= range.bits()) {
      StoreInteger(vt, magnitude, false, out);
      return S_OK;
    }
    if (magnitude > (negative ? range.maxNegative : range.maxPositive)) return DISP_E_OVERFLOW;
    StoreInteger(vt, magnitude, negative && magnitude != 0, out);
    return S_OK;
  }
  switch (vt) {
    case VT_CY:
      return ToCurrency(n, out);
    case VT_DECIMAL:
      return ToDecimal(n, out);
    case VT_BOOL:
      out->vt = VT_BOOL;
      out->boolVal = IsZero(n) ? VARIANT_FALSE : VARIANT_TRUE;
      return S_OK;
    default:
      break;
  }
  double value;
  HRESULT hr = NumberToDouble(n, &value);
  if (FAILED(hr)) return hr;
  switch (vt) {
    case VT_R4:
      if (std::isfinite(value) && std::fabs(value) > FLT_MAX) return DISP_E_OVERFLOW;
      out->vt = VT_R4;
      out->fltVal = static_cast<float>(value);
      return S_OK;
    case VT_R8:
      out->vt = VT_R8;
      out->dblVal = value;
      return S_OK;
    case VT_DATE:
      if (!IsDateInRange(value)) return DISP_E_OVERFLOW;
      out->vt = VT_DATE;
      out->date = value;
      return S_OK;
    default:
      return DISP_E_TYPEMISMATCH;
  }
}

}  // namespace qorvid::platform
