#include "database/sql_literal.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "automation/automation.h"
#include "encoding/text_trim.h"
#include "encoding/value_text.h"
#include "errors/component_error.h"
#include "platform/bstr.h"
#include "platform/variant.h"
#include "platform/variant_integer.h"

namespace qorvid {

const char kSqlNull[] = "NULL";

namespace {

enum class DateForm {
  CDate,      // CDate('...'): Access SQL
  Timestamp,  // TIMESTAMP '...': standard SQL
  Datetime2,  // CAST('...' AS datetime2): exact, and read alike under any DATEFORMAT
  Text,       // '...': SQLite keeps dates as texts
};

// What each database reads, one row per Dbms in its order. True and false
// must fit a boolean column and an integer one alike: PostgreSQL converts
// neither TRUE nor 1 to the other type, only an untyped '1'.
struct DialectForms {
  const char* trueText;
  const char* falseText;
  DateForm date;
};
const DialectForms kForms[] = {
    {"", "", DateForm::CDate},               // Unknown: only its dates are written
    {"True", "False", DateForm::CDate},      // Access, Jet, ACE
    {"1", "0", DateForm::Datetime2},         // SQL Server
    {"'1'", "'0'", DateForm::Timestamp},     // PostgreSQL
    {"TRUE", "FALSE", DateForm::Timestamp},  // MariaDB, MySQL
    {"1", "0", DateForm::Text},              // SQLite
    {"1", "0", DateForm::Timestamp},         // Oracle
    {"1", "0", DateForm::Timestamp},         // Firebird
};
static_assert(sizeof kForms / sizeof kForms[0] == static_cast<size_t>(Dbms::Firebird) + 1,
              "one row per database");

const DialectForms& FormsOf(Dbms dbms) { return kForms[static_cast<size_t>(dbms)]; }

// The host's key for an object: the application object is fetched anew for
// every value and, like the copy handed over, released when this returns.
std::string ObjectKeyOf(const ComponentState& state, const VARIANT& value) {
  const Variant application = FetchApplication(state);
  Variant copy(value);
  const Variant internal =
      Automation(application).call("ValueToStringInternal", {byRef(copy.get())});
  return ObjectKeyFromInternal(ValueText(internal));
}

std::string FiniteNumber(double value, const std::string& text) {
  // No SQL number reads back as NaN or an infinity.
  if (!std::isfinite(value))
    throw ComponentError(
        std::string("Нечисловое или бесконечное значение нельзя передать в запрос: ") + text);
  return text;
}

// A text the database reads back exactly. Where a backslash escapes,
// PostgreSQL is given E'...', which reads escapes whatever
// standard_conforming_strings says, and MariaDB the backslash doubled. SQL
// Server reads a plain literal in the database's code page, so a text with
// any character beyond ASCII goes as N'...', which keeps every character.
std::string Quoted(const SqlDialect& dialect, const std::string& text) {
  const bool postgres = dialect.dbms == Dbms::PostgreSql;
  if (dialect.dbms == Dbms::SqlServer &&
      std::any_of(text.begin(), text.end(), [](char c) { return (c & 0x80) != 0; }))
    return "N" + QuotedSqlString(text);
  if (!(postgres || dialect.backslashEscapes) || text.find('\\') == std::string::npos)
    return QuotedSqlString(text);
  std::string out = postgres ? "E'" : "'";
  out.reserve(text.size() + text.size() / 8 + 3);
  for (char c : text) {
    out += c;
    if (c == '\'' || c == '\\') out += c;
  }
  out += '\'';
  return out;
}

// The time of day a Time text names, as "hh:mm:ss[.fff]": h:mm, hh:mm,
// then optionally :ss and a fraction. SQLite compares dates as texts, so
// every date must be written alike; anything else fails here, as no
// database would read it as a time.
std::string TimeOfDay(const std::string& timeText) {
  const std::string t = TrimControlAndBlanks(timeText);
  unsigned part[3] = {0, 0, 0};
  unsigned millisecond = 0;
  size_t i = 0;
  bool good = true;
  for (int k = 0; k < 3 && good; ++k) {
    if (k > 0) {
      if (i == t.size() && k == 2) break;
      good = i < t.size() && t[i++] == ':';
    }
    const size_t start = i;
    while (good && i < t.size() && i - start < 2 && t[i] >= '0' && t[i] <= '9')
      part[k] = part[k] * 10 + static_cast<unsigned>(t[i++] - '0');
    good = good && (i - start == 2 || (k == 0 && i - start == 1));
  }
  if (good && i < t.size() && t[i] == '.') {
    unsigned scale = 100;
    good = ++i < t.size();
    for (; good && i < t.size(); ++i, scale /= 10) {
      good = t[i] >= '0' && t[i] <= '9';
      millisecond += static_cast<unsigned>(t[i] - '0') * scale;
    }
  }
  good = good && i == t.size() && part[0] < 24 && part[1] < 60 && part[2] < 60;
  if (!good)
    throw ComponentError(std::string("Время '") + t +
                         std::string("' не подходит для даты: ожидается чч:мм[:сс[.ммм]]"));
  return TimeOfDayText(part[0], part[1], part[2], millisecond);
}

std::string DateLiteral(ComponentState& state, double date) {
  const SqlDialect dialect = state.dialect;
  const DateForm form = FormsOf(dialect.dbms).date;
  std::string literal;
  if (form == DateForm::CDate) {
    // The time text comes from the script: its quotes are doubled so that
    // it cannot end the literal and run as SQL of its own.
    literal = "CDate('" + EscapeSingleQuotes(DateTimeText(state.timeText, date)) + "')";
  } else {
    // Outside the years of OLE dates no text is read as the same date by
    // every database; one may even read "0000-00-00" as a date of its own.
    if (!InOleDateYears(date))
      throw ComponentError(std::string("Дата вне диапазона от 100 до 9999 года нельзя передать в "
                                       "запрос: ") +
                           FloatText(date));
    const std::string time = form == DateForm::Text && !state.timeText.empty()
                                 ? TimeOfDay(state.timeText)
                                 : state.timeText;
    const std::string quoted = Quoted(dialect, DateTimeText(time, date));
    if (form == DateForm::Datetime2)
      literal = "CAST(" + quoted + " AS datetime2)";
    else if (form == DateForm::Timestamp)
      // A typed literal takes a plain string only.
      literal = quoted[0] == 'E' ? "CAST(" + quoted + " AS TIMESTAMP)" : "TIMESTAMP " + quoted;
    else
      literal = quoted;
  }
  state.timeText.clear();
  return literal;
}

// The digits of a 96-bit magnitude given as three 32-bit words, low first,
// with a "." before the last scale digits.
std::string ScaledDigits(bool negative, ULONG high, ULONGLONG low, unsigned scale) {
  uint32_t words[3] = {high, static_cast<uint32_t>(low >> 32), static_cast<uint32_t>(low)};
  std::string digits;
  while (words[0] || words[1] || words[2]) {
    uint64_t remainder = 0;
    for (uint32_t& w : words) {
      const uint64_t part = (remainder << 32) | w;
      w = static_cast<uint32_t>(part / 10);
      remainder = part % 10;
    }
    digits += static_cast<char>('0' + remainder);
  }
  const bool zero = digits.empty();
  if (digits.size() <= scale) digits.append(scale + 1 - digits.size(), '0');
  std::reverse(digits.begin(), digits.end());
  if (scale > 0) digits.insert(digits.size() - scale, 1, '.');
  return negative && !zero ? "-" + digits : digits;
}

std::string CurrencyText(LONGLONG value) {
  const ULONGLONG magnitude =
      value < 0 ? static_cast<ULONGLONG>(-(value + 1)) + 1 : static_cast<ULONGLONG>(value);
  std::string text = ScaledDigits(value < 0, 0, magnitude, 4);
  // Currency always has four places; the zeros at their end say nothing.
  while (text.back() == '0') text.pop_back();
  if (text.back() == '.') text.pop_back();
  return text;
}

std::string DecimalText(const DECIMAL& d) {
  if (d.scale > 28)
    throw ComponentError(std::string("Неверный масштаб десятичного числа: ") +
                         std::to_string(d.scale));
  return ScaledDigits((d.sign & DECIMAL_NEG) != 0, d.Hi32, d.Lo64, d.scale);
}

[[noreturn]] void NoLiteral(VARTYPE vt) {
  if (vt & VT_ARRAY) throw ComponentError("Массив нельзя передать в запрос");
  throw ComponentError(std::string("Значение такого типа нельзя передать в запрос (тип VARIANT ") +
                       std::to_string(vt) + ")");
}

// Every type as the Parts first wrote it, for a database that does not say
// what it is.
std::string UnknownDatabaseLiteral(ComponentState& state, const VARIANT& value) {
  switch (value.vt) {
    case VT_I4:
      return std::to_string(value.lVal);
    case VT_R8:
      return FiniteNumber(value.dblVal, FloatText(value.dblVal));
    case VT_DATE:
      return DateLiteral(state, value.date);
    case VT_BSTR: {
      const BSTR s = value.bstrVal;
      return QuotedSqlString(s ? platform::Utf8FromWide(s, SysStringLen(s)) : std::string());
    }
    case VT_DISPATCH:
      // Quotes doubled as in a string: the type identifier and the suffix
      // come from the host and must not end the literal early.
      return QuotedSqlString(ObjectKeyOf(state, value));
    default:
      return std::string();
  }
}

std::string KnownDatabaseLiteral(ComponentState& state, const VARIANT& value, int depth) {
  const SqlDialect dialect = state.dialect;
  LONGLONG integer;
  if (value.vt != VT_UI8 && platform::IntegerOfVariant(value, integer))
    return std::to_string(integer);
  switch (value.vt) {
    case VT_EMPTY:
    case VT_NULL:
      return kSqlNull;
    case VT_ERROR:
      // How a host passes an argument left out.
      if (value.scode == DISP_E_PARAMNOTFOUND) return kSqlNull;
      NoLiteral(value.vt);
    case VT_BOOL:
      return value.boolVal ? FormsOf(dialect.dbms).trueText : FormsOf(dialect.dbms).falseText;
    case VT_UI8:
      return std::to_string(value.ullVal);
    case VT_R4:
      return FiniteNumber(value.fltVal, SingleText(value.fltVal));
    case VT_R8:
      return FiniteNumber(value.dblVal, FloatText(value.dblVal));
    case VT_CY:
      return CurrencyText(value.cyVal.int64);
    case VT_DECIMAL:
      return DecimalText(value.decVal);
    case VT_DATE:
      return DateLiteral(state, value.date);
    case VT_BSTR: {
      const BSTR s = value.bstrVal;
      return Quoted(dialect, s ? platform::Utf8FromWide(s, SysStringLen(s)) : std::string());
    }
    case VT_DISPATCH:
      return Quoted(dialect, ObjectKeyOf(state, value));
    default:
      break;
  }
  // A reference stands for the value it points at; a reference to a
  // reference is one step more than any host makes.
  if ((value.vt & VT_BYREF) && !(value.vt & VT_ARRAY) && depth == 0) {
    Variant target;
    if (SUCCEEDED(VariantCopyInd(target.ptr(), const_cast<VARIANT*>(&value))) &&
        !(target.vt() & VT_BYREF))
      return KnownDatabaseLiteral(state, target.get(), depth + 1);
  }
  NoLiteral(value.vt);
}

}  // namespace

std::string ValueToSqlLiteral(ComponentState& state, const VARIANT& value) {
  if (state.dialect.dbms == Dbms::Unknown) return UnknownDatabaseLiteral(state, value);
  return KnownDatabaseLiteral(state, value, 0);
}

}  // namespace qorvid
