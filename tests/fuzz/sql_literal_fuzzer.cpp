// The SQL literal of any host value, with any Time text: whatever the value, the literal is empty,
// a number that reads back as the value, one string literal, or CDate( one string literal ) -
// nothing of the value or the time text may reach SQL outside its literal.
#include <cmath>
#include <cstdint>
#include <string>

#include "database/sql_literal.h"
#include "encoding/float_text.h"
#include "errors/component_error.h"
#include "platform/utf8_text.h"
#include "tests/fuzz/finding.h"
#include "tests/fuzz/host_values.h"
#include "tests/fuzz/literal_check.h"

using namespace qorvid;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  InputReader in(data, size);
  HostPool& pool = HostPool::instance();
  {
    ComponentState state;
    state.hostConnection = ComPtr<IDispatch>(pool.connection.get());
    state.timeText = in.bytes(in.byte() % 64);
    HostValueMaker maker(in);
    Variant value = maker.value();
    const VARIANT& v = value.get();
    const std::string timeText = state.timeText;

    std::string literal;
    try {
      literal = ValueToSqlLiteral(state, v);
    } catch (const ComponentError&) {
      // A clear failure: nothing reaches SQL.
      return 0;
    }
    const std::string context =
        Printable(literal) + " for " + DescribeValue(v) + ", Time " + Printable(timeText);
    std::string text;
    switch (v.vt) {
      case VT_I4:
        if (literal != std::to_string(v.lVal)) Finding("integer literal", context);
        break;
      case VT_R8:
        if (!IsNumberText(literal)) Finding("number literal is not a number", context);
        if (!ReadsBackAs(literal, v.dblVal))
          Finding("number literal reads back otherwise", context);
        break;
      case VT_DATE: {
        const std::string head = "CDate(";
        if (literal.compare(0, head.size(), head) != 0 || literal.back() != ')' ||
            !IsStringLiteral(literal.substr(head.size(), literal.size() - head.size() - 1), text))
          Finding("date literal is not CDate of one string", context);
        if (!state.timeText.empty()) Finding("Time text not used up by a date", context);
        break;
      }
      case VT_BSTR:
        if (!IsStringLiteral(literal, text)) Finding("string literal", context);
        if (text != qorvid::platform::Utf8FromWide(v.bstrVal, SysStringLen(v.bstrVal)))
          Finding("string literal holds another text", context);
        break;
      case VT_DISPATCH:
        if (!IsStringLiteral(literal, text) || qorvid::platform::WideLength(text) != 16)
          Finding("object literal is not one quoted key", context);
        break;
      default:
        if (!literal.empty()) Finding("literal for a value without one", context);
        break;
    }
  }
  pool.connection->clearErrorLog();
  pool.checkReferenceCounts();
  return 0;
}
