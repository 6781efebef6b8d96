#include "encoding/sql_literal.h"

#include <cmath>

#include "automation/automation.h"
#include "automation/component_error.h"
#include "automation/cp1251.h"
#include "encoding/value_text.h"
#include "platform/bstr.h"
#include "platform/variant.h"

namespace qorvid {

namespace {

// The host's key for an object: the application object is fetched anew for
// every value and, like the copy handed over, released when this returns.
std::string ObjectKeyOf(const ComponentState& state, const VARIANT& value) {
  const Variant application = FetchApplication(state);
  Variant copy(value);
  const Variant internal =
      Automation(application).call("ValueToStringInternal", {byRef(copy.get())});
  return ObjectKeyFromInternal(ValueText(internal));
}

}  // namespace

std::string ValueToSqlLiteral(ComponentState& state, const VARIANT& value) {
  switch (value.vt) {
    case VT_I4:
      return std::to_string(value.lVal);
    case VT_R8:
      // No SQL number reads back as NaN or an infinity.
      if (!std::isfinite(value.dblVal))
        throw ComponentError(
            CP1251("Нечисловое или бесконечное значение нельзя передать в запрос: ") +
            FloatText(value.dblVal));
      return FloatText(value.dblVal);
    case VT_DATE: {
      // The time text comes from the script: its quotes are doubled so that
      // it cannot end the literal and run as SQL of its own.
      std::string literal =
          "CDate('" + EscapeSingleQuotes(DateTimeText(state.timeText, value.date)) + "')";
      state.timeText.clear();
      return literal;
    }
    case VT_BSTR: {
      const BSTR s = value.bstrVal;
      const std::string text = s ? AnsiFromWide(s, SysStringLen(s)) : std::string();
      return QuotedSqlString(text);
    }
    case VT_DISPATCH:
      // Quotes doubled as in a string: the type identifier and the suffix
      // come from the host and must not end the literal early.
      return QuotedSqlString(ObjectKeyOf(state, value));
    default:
      return std::string();
  }
}

}  // namespace qorvid
