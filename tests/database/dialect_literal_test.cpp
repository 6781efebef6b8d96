// The literals of each known database: true and false, dates, texts with
// quotes and backslashes, every number type, references, and the values
// that have none.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "database/sql_literal.h"
#include "tests/encoding/failure_message.h"

namespace qorvid {

namespace {

const double kMarch5 = 38051;
const double k090703250 = (((9 * 60 + 7) * 60 + 3) * 1000 + 250) / 86400000.0;

template <class F>
Variant Raw(VARTYPE vt, F fill) {
  VARIANT v;
  VariantInit(&v);
  fill(v);
  v.vt = vt;
  return Variant::attach(v);
}

Variant Decimal(ULONG high, ULONGLONG low, BYTE scale, bool negative) {
  return Raw(VT_DECIMAL, [&](VARIANT& v) {
    v.decVal.Hi32 = high;
    v.decVal.Lo64 = low;
    v.decVal.scale = scale;
    v.decVal.sign = negative ? DECIMAL_NEG : 0;
  });
}

class DialectLiteralTest : public ::testing::Test {
 protected:
  std::string literal(Dbms dbms, const Variant& v, bool backslashEscapes = false) {
    state_.dialect.dbms = dbms;
    state_.dialect.backslashEscapes = backslashEscapes;
    return ValueToSqlLiteral(state_, v.get());
  }
  ComponentState state_;
};

TEST_F(DialectLiteralTest, EachDatabaseHasItsOwnTrueFalseDateAndText) {
  const struct {
    Dbms dbms;
    bool backslashEscapes;
    const char *yes, *no, *date, *text;
  } cases[] = {
      {Dbms::Access, false, "True", "False", "CDate('2004-03-05 09:07:03.250')", "'a''b\\c'"},
      {Dbms::SqlServer, false, "1", "0", "CAST('2004-03-05 09:07:03.250' AS datetime2)",
       "'a''b\\c'"},
      {Dbms::PostgreSql, false, "'1'", "'0'", "TIMESTAMP '2004-03-05 09:07:03.250'",
       "E'a''b\\\\c'"},
      {Dbms::MariaDb, true, "TRUE", "FALSE", "TIMESTAMP '2004-03-05 09:07:03.250'", "'a''b\\\\c'"},
      {Dbms::MariaDb, false, "TRUE", "FALSE", "TIMESTAMP '2004-03-05 09:07:03.250'", "'a''b\\c'"},
      {Dbms::Sqlite, false, "1", "0", "'2004-03-05 09:07:03.250'", "'a''b\\c'"},
      {Dbms::Oracle, false, "1", "0", "TIMESTAMP '2004-03-05 09:07:03.250'", "'a''b\\c'"},
      {Dbms::Firebird, false, "1", "0", "TIMESTAMP '2004-03-05 09:07:03.250'", "'a''b\\c'"},
  };
  const Variant omitted = Raw(VT_ERROR, [](VARIANT& v) { v.scode = DISP_E_PARAMNOTFOUND; });
  for (const auto& c : cases) {
    SCOPED_TRACE(c.date);
    const bool b = c.backslashEscapes;
    EXPECT_EQ(literal(c.dbms, Variant::fromBool(true), b), c.yes);
    EXPECT_EQ(literal(c.dbms, Variant::fromBool(false), b), c.no);
    EXPECT_EQ(literal(c.dbms, Variant::fromDate(kMarch5 + k090703250), b), c.date);
    EXPECT_EQ(literal(c.dbms, Variant::fromUtf8("a'b\\c"), b), c.text);
    // A text without a backslash is the same everywhere.
    EXPECT_EQ(literal(c.dbms, Variant::fromUtf8("it's"), b), "'it''s'");
    EXPECT_EQ(literal(c.dbms, Variant(), b), "NULL");
    EXPECT_EQ(literal(c.dbms, Raw(VT_NULL, [](VARIANT&) {}), b), "NULL");
    EXPECT_EQ(literal(c.dbms, omitted, b), "NULL");
  }
}

TEST_F(DialectLiteralTest, NumbersKeepEveryDigit) {
  const struct {
    Variant value;
    const char* text;
  } cases[] = {
      {Raw(VT_I1, [](VARIANT& v) { v.cVal = -128; }), "-128"},
      {Raw(VT_UI1, [](VARIANT& v) { v.bVal = 255; }), "255"},
      {Raw(VT_I2, [](VARIANT& v) { v.iVal = -32768; }), "-32768"},
      {Raw(VT_UI2, [](VARIANT& v) { v.uiVal = 65535; }), "65535"},
      {Variant::fromInt(-2147483647 - 1), "-2147483648"},
      {Raw(VT_UI4, [](VARIANT& v) { v.ulVal = 4294967295u; }), "4294967295"},
      {Raw(VT_INT, [](VARIANT& v) { v.intVal = -7; }), "-7"},
      {Raw(VT_UINT, [](VARIANT& v) { v.uintVal = 4294967295u; }), "4294967295"},
      {Raw(VT_I8, [](VARIANT& v) { v.llVal = INT64_MIN; }), "-9223372036854775808"},
      {Raw(VT_UI8, [](VARIANT& v) { v.ullVal = UINT64_MAX; }), "18446744073709551615"},
      {Raw(VT_R4, [](VARIANT& v) { v.fltVal = 0.1f; }), "0.1"},
      {Raw(VT_R4, [](VARIANT& v) { v.fltVal = -1.5f; }), "-1.5"},
      {Raw(VT_R4, [](VARIANT& v) { v.fltVal = 16777216.0f; }), "16777216"},
      {Raw(VT_R4, [](VARIANT& v) { v.fltVal = std::numeric_limits<float>::max(); }),
       "3.4028235E38"},
      {Raw(VT_R4, [](VARIANT& v) { v.fltVal = std::numeric_limits<float>::denorm_min(); }),
       "1E-45"},
      {Raw(VT_R4, [](VARIANT& v) { v.fltVal = 0.0001f; }), "0.0001"},
      {Variant::fromDouble(2.5), "2.5"},
      {Raw(VT_CY, [](VARIANT& v) { v.cyVal.int64 = -123456; }), "-12.3456"},
      {Raw(VT_CY, [](VARIANT& v) { v.cyVal.int64 = 123400; }), "12.34"},
      {Raw(VT_CY, [](VARIANT& v) { v.cyVal.int64 = 50000; }), "5"},
      {Raw(VT_CY, [](VARIANT& v) { v.cyVal.int64 = 1; }), "0.0001"},
      {Raw(VT_CY, [](VARIANT& v) { v.cyVal.int64 = 0; }), "0"},
      {Raw(VT_CY, [](VARIANT& v) { v.cyVal.int64 = INT64_MIN; }), "-922337203685477.5808"},
      {Decimal(0x3FD35EB, 0x6D797A91BE38F34EULL, 10, false), "123456789012345678.9012345678"},
      {Decimal(0xFFFFFFFF, UINT64_MAX, 0, true), "-79228162514264337593543950335"},
      {Decimal(0, 1, 28, false), "0.0000000000000000000000000001"},
      {Decimal(0, 150, 2, true), "-1.50"},
      {Decimal(0, 0, 3, true), "0.000"},
  };
  for (const auto& c : cases) EXPECT_EQ(literal(Dbms::PostgreSql, c.value), c.text) << c.text;
}

TEST_F(DialectLiteralTest, AReferenceIsTheValueItPointsAt) {
  LONG integer = 42;
  double date = kMarch5;
  VARIANT inner;
  VariantInit(&inner);
  inner.vt = VT_BOOL;
  inner.boolVal = VARIANT_TRUE;
  const Variant byRefI4 = Raw(VT_I4 | VT_BYREF, [&](VARIANT& v) { v.plVal = &integer; });
  const Variant byRefDate = Raw(VT_DATE | VT_BYREF, [&](VARIANT& v) { v.pdate = &date; });
  const Variant byRefVariant = Raw(VT_VARIANT | VT_BYREF, [&](VARIANT& v) { v.pvarVal = &inner; });
  EXPECT_EQ(literal(Dbms::MariaDb, byRefI4), "42");
  EXPECT_EQ(literal(Dbms::MariaDb, byRefVariant), "TRUE");
  state_.timeText = "10:20";
  EXPECT_EQ(literal(Dbms::MariaDb, byRefDate), "TIMESTAMP '2004-03-05 10:20'");
  EXPECT_EQ(state_.timeText, "") << "a date by reference uses the time up too";
}

TEST_F(DialectLiteralTest, TheTimeTextReplacesTheTimeAndStaysInTheLiteral) {
  const struct {
    Dbms dbms;
    bool backslashEscapes;
    const char *time, *text;
  } cases[] = {
      {Dbms::PostgreSql, false, " 10:20 ", "TIMESTAMP '2004-03-05 10:20'"},
      {Dbms::SqlServer, false, "10:20", "CAST('2004-03-05 10:20' AS datetime2)"},
      // SQLite compares dates as texts: every time is written alike.
      {Dbms::Sqlite, false, "10:20", "'2004-03-05 10:20:00'"},
      {Dbms::Sqlite, false, "9:05:07.5", "'2004-03-05 09:05:07.500'"},
      {Dbms::Sqlite, false, "23:59:59.999", "'2004-03-05 23:59:59.999'"},
      {Dbms::PostgreSql, false, "10:20'); DROP TABLE t; --",
       "TIMESTAMP '2004-03-05 10:20''); DROP TABLE t; --'"},
      {Dbms::PostgreSql, false, "10:20\\'); DROP TABLE t; --",
       "CAST(E'2004-03-05 10:20\\\\''); DROP TABLE t; --' AS TIMESTAMP)"},
      {Dbms::MariaDb, true, "10:20\\'); DROP TABLE t; --",
       "TIMESTAMP '2004-03-05 10:20\\\\''); DROP TABLE t; --'"},
  };
  for (const auto& c : cases) {
    state_.timeText = c.time;
    EXPECT_EQ(literal(c.dbms, Variant::fromDate(kMarch5 + k090703250), c.backslashEscapes), c.text);
    EXPECT_EQ(state_.timeText, "");
  }
}

TEST_F(DialectLiteralTest, ValuesWithoutALiteralFailAndLeaveTheTime) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const struct {
    Dbms dbms;
    Variant value;
    std::string message;
  } cases[] = {
      {Dbms::MariaDb, Raw(VT_ARRAY | VT_VARIANT, [](VARIANT& v) { v.parray = nullptr; }),
       std::string("Массив нельзя передать в запрос")},
      {Dbms::MariaDb, Raw(VT_UNKNOWN, [](VARIANT& v) { v.punkVal = nullptr; }),
       std::string("Значение такого типа нельзя передать в запрос (тип VARIANT 13)")},
      {Dbms::MariaDb, Raw(VT_ERROR, [](VARIANT& v) { v.scode = E_FAIL; }),
       std::string("Значение такого типа нельзя передать в запрос (тип VARIANT 10)")},
      {Dbms::Sqlite, Raw(VT_R4, [&](VARIANT& v) { v.fltVal = static_cast<float>(nan); }),
       std::string("Нечисловое или бесконечное значение нельзя передать в запрос: NAN")},
      {Dbms::Sqlite, Decimal(0, 1, 29, false),
       std::string("Неверный масштаб десятичного числа: 29")},
      {Dbms::PostgreSql, Variant::fromDate(-657435),
       std::string("Дата вне диапазона от 100 до 9999 года нельзя передать в запрос: -657435")},
      {Dbms::PostgreSql, Variant::fromDate(2958466),
       std::string("Дата вне диапазона от 100 до 9999 года нельзя передать в запрос: 2958466")},
  };
  for (const auto& c : cases) {
    state_.timeText = "10:20";
    EXPECT_EQ(FailureOf([&] { literal(c.dbms, c.value); }), c.message);
    EXPECT_EQ(state_.timeText, "10:20");
  }
  for (const char* time :
       {"10", "10:2", "24:00", "10:60", "10:20:60", "10:20.5", "10:20:30.", "10:20 AM", "10:20'"}) {
    state_.timeText = time;
    EXPECT_EQ(FailureOf([&] { literal(Dbms::Sqlite, Variant::fromDate(kMarch5)); }),
              std::string("Время '") + time +
                  std::string("' не подходит для даты: ожидается чч:мм[:сс[.ммм]]"));
  }
}

}  // namespace

}  // namespace qorvid
