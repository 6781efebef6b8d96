#include "host/console/value_display.h"

#include <cinttypes>
#include <cstdio>
#include <utility>

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

// Stores a value's text and kind for PlainText; true, as PlainText answers.
bool Found(std::string& text, std::string& kind, std::string valueText, const char* valueKind) {
  text = std::move(valueText);
  kind = valueKind;
  return true;
}

// The text of a value that has one, without quotes; false for the rest.
bool PlainText(const VARIANT& v, HostSide& host, std::string& text, std::string& kind) {
  LONGLONG integer;
  if (v.vt != VT_UI8 && platform::IntegerOfVariant(v, integer)) {
    return Found(text, kind, IntegerText(integer), "integer");
  }
  switch (v.vt) {
    case VT_EMPTY:
      return Found(text, kind, "Empty", "empty");
    case VT_NULL:
      return Found(text, kind, "Null", "null");
    case VT_UI8: {
      char buf[32];
      std::snprintf(buf, sizeof buf, "%" PRIu64, static_cast<uint64_t>(v.ullVal));
      return Found(text, kind, buf, "integer");
    }
    case VT_R4:
      return Found(text, kind, DecimalText(v.fltVal), "decimal");
    case VT_R8:
      return Found(text, kind, DecimalText(v.dblVal), "decimal");
    case VT_CY:
      return Found(text, kind, DecimalText(static_cast<double>(v.cyVal.int64) / 10000.0),
                   "currency");
    case VT_DATE:
      return Found(text, kind, DateDisplayText(v.date), "date");
    case VT_BOOL:
      return Found(text, kind, v.boolVal ? "True" : "False", "boolean");
    case VT_BSTR: {
      std::string value = Utf8FromBstr(v.bstrVal);
      const char* valueKind = value.empty() ? "empty text" : "text";
      return Found(text, kind, std::move(value), valueKind);
    }
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
      return Found(text, kind, buf, "error value");
    }
    case VT_DECIMAL: {
      Variant copy(v), asText;
      if (SUCCEEDED(VariantChangeType(asText.ptr(), copy.ptr(), 0, VT_BSTR))) {
        return Found(text, kind, Utf8FromBstr(asText.get().bstrVal), "decimal");
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
