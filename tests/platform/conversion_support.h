// Helpers of the conversion tests: building source values and describing
// results as short texts ("I4 42", "BSTR \"2,5\"", "hr 80020005"), so that one
// table row states one conversion and a failure shows both sides readably.
// Written against the Win32 names only: the same file builds natively and for
// Windows, where the tests run against the system's oleaut32.
#pragma once

#include <cstdio>
#include <string>

#include "platform/variant.h"
#include "platform/win32.h"

namespace conversion_test {

const LCID kEnglish = 0x0409;
const LCID kRussian = 0x0419;

// Wine's oleaut32 is the reference we can run here; where it is known to
// differ from Windows the tests accept its form only when it is the one
// running.
inline bool RunningUnderWine() {
#ifdef _WIN32
  HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
#else
  return false;
#endif
}

// Wine writes Russian hours with a leading zero (09:07:03); Windows' own
// Russian time format is H:mm:ss.
inline std::string WineTimeForm(const std::string& text) {
  size_t colon = text.find(':');
  if (colon == std::string::npos || colon == 0) return text;
  size_t start = colon;
  while (start > 0 && text[start - 1] >= '0' && text[start - 1] <= '9') --start;
  if (colon - start != 1) return text;
  return text.substr(0, start) + "0" + text.substr(start);
}

// HRESULTs and SCODEs as eight hex digits, whatever the width of long.
inline std::string Hex(LONG value) {
  char text[16];
  std::snprintf(text, sizeof text, "%08lx", static_cast<unsigned long>(static_cast<ULONG>(value)));
  return text;
}

inline std::string Escaped(BSTR b) {
  std::string out;
  UINT n = SysStringLen(b);
  for (UINT i = 0; i < n; ++i) {
    unsigned c = static_cast<unsigned>(b[i]);
    if (c >= 0x20 && c < 0x7f) {
      out += static_cast<char>(c);
    } else {
      char esc[12];
      std::snprintf(esc, sizeof esc, "\\u%04x", c);
      out += esc;
    }
  }
  return out;
}

inline std::string Describe(const VARIANT& v) {
  char text[96];
  switch (v.vt) {
    case VT_EMPTY:
      return "EMPTY";
    case VT_NULL:
      return "NULL";
    case VT_I1:
      std::snprintf(text, sizeof text, "I1 %d", static_cast<int>(v.cVal));
      break;
    case VT_UI1:
      std::snprintf(text, sizeof text, "UI1 %u", static_cast<unsigned>(v.bVal));
      break;
    case VT_I2:
      std::snprintf(text, sizeof text, "I2 %d", static_cast<int>(v.iVal));
      break;
    case VT_UI2:
      std::snprintf(text, sizeof text, "UI2 %u", static_cast<unsigned>(v.uiVal));
      break;
    case VT_I4:
      std::snprintf(text, sizeof text, "I4 %ld", static_cast<long>(v.lVal));
      break;
    case VT_UI4:
      std::snprintf(text, sizeof text, "UI4 %lu", static_cast<unsigned long>(v.ulVal));
      break;
    case VT_INT:
      std::snprintf(text, sizeof text, "INT %d", static_cast<int>(v.intVal));
      break;
    case VT_UINT:
      std::snprintf(text, sizeof text, "UINT %u", static_cast<unsigned>(v.uintVal));
      break;
    case VT_I8:
      std::snprintf(text, sizeof text, "I8 %lld", static_cast<long long>(v.llVal));
      break;
    case VT_UI8:
      std::snprintf(text, sizeof text, "UI8 %llu", static_cast<unsigned long long>(v.ullVal));
      break;
    case VT_R4:
      std::snprintf(text, sizeof text, "R4 %.9g", static_cast<double>(v.fltVal));
      break;
    case VT_R8:
      std::snprintf(text, sizeof text, "R8 %.17g", v.dblVal);
      break;
    case VT_DATE:
      std::snprintf(text, sizeof text, "DATE %.17g", v.date);
      break;
    case VT_CY:
      std::snprintf(text, sizeof text, "CY %lld", static_cast<long long>(v.cyVal.int64));
      break;
    case VT_BOOL:
      std::snprintf(text, sizeof text, "BOOL %d", static_cast<int>(v.boolVal));
      break;
    case VT_DECIMAL:
      std::snprintf(text, sizeof text, "DEC %s%lu:%llu/%u", v.decVal.sign ? "-" : "",
                    static_cast<unsigned long>(v.decVal.Hi32),
                    static_cast<unsigned long long>(v.decVal.Lo64),
                    static_cast<unsigned>(v.decVal.scale));
      break;
    case VT_BSTR:
      return "BSTR \"" + Escaped(v.bstrVal) + "\"";
    case VT_DISPATCH:
      return v.pdispVal ? "DISPATCH object" : "DISPATCH null";
    case VT_UNKNOWN:
      return v.punkVal ? "UNKNOWN object" : "UNKNOWN null";
    case VT_ERROR:
      return "ERROR " + Hex(v.scode);
    default:
      std::snprintf(text, sizeof text, "vt %u", static_cast<unsigned>(v.vt));
      break;
  }
  return text;
}

// The result of one conversion of a copy of source, or "hr XXXXXXXX".
inline std::string Converted(const Variant& source, LCID lcid, VARTYPE vt, USHORT flags = 0) {
  Variant from(source);
  Variant to;
  HRESULT hr = VariantChangeTypeEx(to.ptr(), from.ptr(), lcid, flags, vt);
  if (FAILED(hr)) return "hr " + Hex(hr);
  return Describe(to.get());
}

inline std::string Failure(HRESULT hr) { return "hr " + Hex(hr); }
inline std::string Text(const std::string& s) { return "BSTR \"" + s + "\""; }

// Source values.
inline Variant Of(VARTYPE vt, long long bits) {
  Variant v;
  v.ptr()->vt = vt;
  v.ptr()->llVal = bits;
  return v;
}
inline Variant R8(double x) { return Variant::fromDouble(x); }
inline Variant R4(float x) {
  Variant v;
  v.ptr()->vt = VT_R4;
  v.ptr()->fltVal = x;
  return v;
}
inline Variant Date(double x) { return Variant::fromDate(x); }
inline Variant Cy(long long x) {
  Variant v;
  v.ptr()->vt = VT_CY;
  v.ptr()->cyVal.int64 = x;
  return v;
}
inline Variant Dec(unsigned long long lo, unsigned long hi, int scale, bool negative) {
  Variant v;
  DECIMAL d = {};
  d.Lo64 = lo;
  d.Hi32 = hi;
  d.scale = static_cast<BYTE>(scale);
  d.sign = negative ? DECIMAL_NEG : 0;
  v.ptr()->decVal = d;
  v.ptr()->vt = VT_DECIMAL;
  return v;
}
inline Variant Str(const OLECHAR* s) { return Variant::fromBstr(Bstr(s)); }
inline Variant Bool(bool b) { return Variant::fromBool(b); }

}  // namespace conversion_test
