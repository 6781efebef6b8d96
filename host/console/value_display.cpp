#include "host/console/value_display.h"

#include <cinttypes>
#include <cstdio>

#include "host/console/script_date.h"
#include "host/console/utf.h"
#include "platform/variant.h"
#include "platform/variant_integer.h"

namespace qorvid::host {

namespace {

std::string DecimalText(double d) {
  char buf[40];
  std::snprintf(buf, sizeof buf, "%.15g", d);
  // The C library may follow a locale with a decimal comma.
  for (char* p = buf; *p; ++p)
    if (*p == ',') *p = '.';
  return buf;
}

std::string IntegerText(long long n) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%lld", n);
  return buf;
}

std::string ObjectText(const ObjectRef& r) {
  return "Object(" + QuotedText(r.typeId) + ", " + IntegerText(r.firstNumber) + ", " +
         IntegerText(r.objectNumber) + ", " + QuotedText(r.suffix) + ")";
}

std::string TypeCode(VARTYPE vt) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%04X", static_cast<unsigned>(vt));
  return buf;
}

// The text of a value that has one, without quotes; false for the rest.
bool PlainText(const VARIANT& v, HostSide& host, std::string& text, std::string& kind) {
  LONGLONG integer;
  if (v.vt != VT_UI8 && platform::IntegerOfVariant(v, integer)) {
    text = IntegerText(integer);
    kind = "integer";
    return true;
  }
  switch (v.vt) {
    case VT_EMPTY:
      text = "Empty";
      kind = "empty";
      return true;
    case VT_NULL:
      text = "Null";
      kind = "null";
      return true;
    case VT_UI8: {
      char buf[32];
      std::snprintf(buf, sizeof buf, "%" PRIu64, static_cast<uint64_t>(v.ullVal));
      text = buf;
      kind = "integer";
      return true;
    }
    case VT_R4:
      text = DecimalText(v.fltVal);
      kind = "decimal";
      return true;
    case VT_R8:
      text = DecimalText(v.dblVal);
      kind = "decimal";
      return true;
    case VT_CY:
      text = DecimalText(static_cast<double>(v.cyVal.int64) / 10000.0);
      kind = "currency";
      return true;
    case VT_DATE:
      text = DateDisplayText(v.date);
      kind = "date";
      return true;
    case VT_BOOL:
      text = v.boolVal ? "True" : "False";
      kind = "boolean";
      return true;
    case VT_BSTR:
      text = Utf8FromBstr(v.bstrVal);
      kind = text.empty() ? "empty text" : "text";
      return true;
    case VT_DISPATCH: {
      ObjectRef ref;
      if (!v.pdispVal) {
        text = "Nothing";
        kind = "no object";
      } else if (host.describeObject(v.pdispVal, ref)) {
        text = ObjectText(ref);
        kind = "object";
      } else {
        text = "Object";
        kind = "automation object";
      }
      return true;
    }
    case VT_ERROR: {
      char buf[32];
      std::snprintf(buf, sizeof buf, "Error 0x%08X", static_cast<unsigned>(v.scode));
      text = buf;
      kind = "error value";
      return true;
    }
    case VT_DECIMAL: {
      Variant copy(v), asText;
      if (SUCCEEDED(VariantChangeType(asText.ptr(), copy.ptr(), 0, VT_BSTR))) {
        text = Utf8FromBstr(asText.get().bstrVal);
        kind = "decimal";
        return true;
      }
      return false;
    }
    default:
      return false;
  }
}

}  // namespace

std::string QuotedText(const std::string& utf8) {
  std::string out = "\"";
  for (unsigned char c : utf8) {
    if (c == '"') {
      out += "\"\"";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\t') {
      out += "\\t";
    } else if (c < 0x20 || c == 0x7F) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\x%02X", c);
      out += buf;
    } else {
      out.push_back(static_cast<char>(c));
    }
  }
  return out + "\"";
}

std::string DisplayValue(const VARIANT& value, HostSide& host) {
  std::string text, kind;
  if (!PlainText(value, host, text, kind)) {
    if (value.vt & VT_ARRAY) return "(array, type " + TypeCode(value.vt) + ")";
    if (value.vt & VT_BYREF) return "(reference, type " + TypeCode(value.vt) + ")";
    return "(value of type " + TypeCode(value.vt) + ")";
  }
  if (value.vt == VT_BSTR) text = QuotedText(text);
  return text + " (" + kind + ")";
}

std::string CellText(const VARIANT& value, HostSide& host, bool raw) {
  std::string text, kind;
  if (!PlainText(value, host, text, kind)) return "(type " + TypeCode(value.vt) + ")";
  if (value.vt == VT_BSTR && !raw) {
    // Keep a cell on one line.
    std::string q = QuotedText(text);
    text = q.substr(1, q.size() - 2);
    std::string unq;
    for (size_t i = 0; i < text.size(); ++i) {
      if (text[i] == '"' && i + 1 < text.size() && text[i + 1] == '"') ++i;
      unq.push_back(text[i]);
    }
    text = unq;
  }
  return text;
}

}  // namespace qorvid::host
