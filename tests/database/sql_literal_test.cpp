#include "database/sql_literal.h"

#include <gtest/gtest.h>

#include <limits>

#include "encoding/float_text.h"
#include "platform/bstr.h"
#include "tests/encoding/failure_message.h"
#include "tests/support/recording_dispatch.h"

namespace qorvid {

namespace {

const double kMarch5 = 38051;
const double k090703250 = (((9 * 60 + 7) * 60 + 3) * 1000 + 250) / 86400000.0;

VARIANT Raw(VARTYPE vt) {
  VARIANT v;
  VariantInit(&v);
  v.vt = vt;
  return v;
}

Variant Date(double d) { return Variant::fromDate(d); }

// A host connection whose "AppDispatch" answers an application object whose
// "ValueToStringInternal" answers a configurable internal string form.
class SqlLiteralTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = GetThreadLocale();
    SetThreadLocale(0x419);  // "," as the decimal separator
    connection_.answer("AppDispatch", DispatchValue(&application_));
    internalForm("{\"O\",\"0\",\"0\",\"         1\",\"0\",\"0\",\"         5   \"}");
    state_.hostConnection = ComPtr<IDispatch>(&connection_);
  }
  void TearDown() override { SetThreadLocale(saved_); }

  void internalForm(const std::string& text) {
    application_.answer("ValueToStringInternal", Variant::fromUtf8(text));
  }
  std::string literal(const VARIANT& v) { return ValueToSqlLiteral(state_, v); }
  std::string literal(const Variant& v) { return literal(v.get()); }

  // Declared so that each object outlives those that hold references to it.
  RecordingDispatch hostObject_, application_, connection_;
  ComponentState state_;
  LCID saved_ = 0;
};

TEST_F(SqlLiteralTest, WritesEachHandledType) {
  const struct {
    Variant value;
    std::string text;
  } cases[] = {
      {Variant::fromInt(42), "42"},
      {Variant::fromInt(-7), "-7"},
      {Variant::fromInt(-2147483647 - 1), "-2147483648"},
      {Variant::fromDouble(2.5), "2.5"},
      {Variant::fromDouble(0.00001), "1E-5"},
      {Date(kMarch5), "CDate('2004-03-05 00:00:00')"},
      {Date(kMarch5 + k090703250), "CDate('2004-03-05 09:07:03.250')"},
      {Date(kMarch5 + 5 / 86400000.0), "CDate('2004-03-05 00:00:00.005')"},
      {Date(-657434), "CDate('0100-01-01 00:00:00')"},
      {Variant::fromDouble(1.7976931348623157e308), "1.7976931348623157E308"},
      {Variant::fromUtf8("it's"), "'it''s'"},
      {Variant::fromUtf8(""), "''"},
      // Through the ANSI code page: letters it lacks become "?".
      {Variant::fromWide(OLESTR("\x041f\x0440\x0438'")),
       "'" + (GetACP() == 1251 ? std::string("При") : std::string("???")) + "'''"},
  };
  for (const auto& c : cases) EXPECT_EQ(literal(c.value), c.text) << c.text;

  VARIANT nullString = Raw(VT_BSTR);
  nullString.bstrVal = nullptr;
  EXPECT_EQ(literal(nullString), "''");
}

// Every other type code gives empty text and leaves Time for the next date,
// flag bits included: a reference to a handled type is not handled.
TEST_F(SqlLiteralTest, GivesEmptyTextForEveryOtherTypeCode) {
  LONG integer = 42;
  double real = 2.5;
  Bstr text(OLESTR("x"));
  BSTR textSlot = text.get();
  IDispatch* object = &hostObject_;
  VARIANT inner = Raw(VT_I4);
  inner.lVal = 1;

  VARIANT byRefI4 = Raw(VT_I4 | VT_BYREF);
  byRefI4.plVal = &integer;
  VARIANT byRefR8 = Raw(VT_R8 | VT_BYREF);
  byRefR8.pdblVal = &real;
  VARIANT byRefDate = Raw(VT_DATE | VT_BYREF);
  byRefDate.pdate = &real;
  VARIANT byRefBstr = Raw(VT_BSTR | VT_BYREF);
  byRefBstr.pbstrVal = &textSlot;
  VARIANT byRefDispatch = Raw(VT_DISPATCH | VT_BYREF);
  byRefDispatch.ppdispVal = &object;
  VARIANT byRefVariant = Raw(VT_VARIANT | VT_BYREF);
  byRefVariant.pvarVal = &inner;

  const VARIANT values[] = {
      Raw(VT_EMPTY),
      Raw(VT_NULL),
      Raw(VT_I2),
      Raw(VT_R4),
      Raw(VT_CY),
      Raw(VT_BOOL),
      Raw(VT_ERROR),
      Raw(VT_DECIMAL),
      Raw(VT_I1),
      Raw(VT_UI1),
      Raw(VT_UI2),
      Raw(VT_UI4),
      Raw(VT_I8),
      Raw(VT_UNKNOWN),
      Raw(VT_INT),
      Raw(VT_ARRAY | VT_I4),
      Raw(VT_ARRAY | VT_VARIANT),
      Raw(VT_ARRAY | VT_DISPATCH),
      byRefI4,
      byRefR8,
      byRefDate,
      byRefBstr,
      byRefDispatch,
      byRefVariant,
  };
  state_.timeText = "10:20";
  for (const VARIANT& v : values) {
    EXPECT_EQ(literal(v), "") << "vt " << v.vt;
    EXPECT_EQ(state_.timeText, "10:20") << "vt " << v.vt;
  }
  EXPECT_TRUE(connection_.calls().empty());
}

TEST_F(SqlLiteralTest, TimeIsUsedByExactlyOneDateLiteral) {
  const Variant date = Date(kMarch5 + k090703250);
  state_.timeText = " 10:20 ";
  const Variant others[] = {Variant::fromInt(1),     Variant::fromDouble(1.5),
                            Variant::fromUtf8("s"),  DispatchValue(&hostObject_),
                            Variant::fromBool(true), Variant()};
  for (const Variant& v : others) literal(v);
  EXPECT_EQ(state_.timeText, " 10:20 ");

  EXPECT_EQ(literal(date), "CDate('2004-03-05 10:20')");
  EXPECT_EQ(state_.timeText, "");
  EXPECT_EQ(literal(date), "CDate('2004-03-05 09:07:03.250')");
}

// A time text is the script's: its quotes are doubled, so that a bad one
// fails in the database instead of running.
TEST_F(SqlLiteralTest, TimeTextNeverLeavesTheDateLiteral) {
  state_.timeText = "10:20'); DROP TABLE victim; --";
  EXPECT_EQ(literal(Date(kMarch5)), "CDate('2004-03-05 10:20''); DROP TABLE victim; --')");
  state_.timeText = "'";
  EXPECT_EQ(literal(Date(kMarch5)), "CDate('2004-03-05 ''')");
}

// NaN and the infinities have no SQL literal: the value fails, Time stays.
TEST_F(SqlLiteralTest, RefusesNumbersThatAreNotFinite) {
  const double inf = std::numeric_limits<double>::infinity();
  const struct {
    double value;
    const char* text;
  } cases[] = {{std::numeric_limits<double>::quiet_NaN(), "NAN"}, {inf, "INF"}, {-inf, "-INF"}};
  state_.timeText = "10:20";
  for (const auto& c : cases)
    EXPECT_EQ(
        FailureOf([&] { literal(Variant::fromDouble(c.value)); }),
        std::string("Нечисловое или бесконечное значение нельзя передать в запрос: ") + c.text);
  EXPECT_EQ(state_.timeText, "10:20");
}

TEST_F(SqlLiteralTest, QuotesTheHostObjectsKey) {
  const Variant object = DispatchValue(&hostObject_);
  EXPECT_EQ(literal(object), "'O_____1_____5___'");
  internalForm("{\"D\",\"0\",\"0\",\"    123456\",\"0\",\"0\",\"2147483646ABC\"}");
  EXPECT_EQ(literal(object), "'D__2N9CZIK0ZIABC'");
  // A quote from the host cannot end the literal early.
  internalForm("{\"'\",\"0\",\"0\",\"         1\",\"0\",\"0\",\"         5' '\"}");
  EXPECT_EQ(literal(object), "'''_____1_____5''_'''");

  // The application object is fetched for every value, with the call form
  // that also accepts a property read; the object goes by reference.
  ASSERT_EQ(connection_.callsOf("AppDispatch").size(), 3u);
  const RecordingDispatch::Call fetch = connection_.callsOf("AppDispatch")[0];
  EXPECT_EQ(fetch.flags, DISPATCH_METHOD | DISPATCH_PROPERTYGET);
  EXPECT_TRUE(fetch.argTypes.empty());
  const RecordingDispatch::Call ask = application_.callsOf("ValueToStringInternal")[0];
  EXPECT_EQ(ask.flags, DISPATCH_METHOD);
  ASSERT_EQ(ask.argTypes.size(), 1u);
  EXPECT_EQ(ask.argTypes[0], VT_VARIANT | VT_BYREF);
  EXPECT_EQ(ask.args[0].vt(), VT_DISPATCH);
  EXPECT_EQ(ask.args[0].get().pdispVal, static_cast<IDispatch*>(&hostObject_));
}

TEST_F(SqlLiteralTest, ObjectFailuresPassUpAndLeaveTimeAlone) {
  const struct {
    const char* internal;
    std::string message;
  } malformed[] = {
      {"{\"O\",\"0\",\"0\",\"1\",\"0\",\"0\"}",
       std::string("Неправильный размер списка, ожидается 7")},
      {"{\"O\",\"0\",\"0\",\"1x\",\"0\",\"0\",\"         5   \"}",
       "'1x' is not a valid integer value"},
  };
  const Variant object = DispatchValue(&hostObject_);
  state_.timeText = "10:20";
  for (const auto& c : malformed) {
    internalForm(c.internal);
    EXPECT_EQ(FailureOf([&] { literal(object); }), c.message);
  }
  application_.raise("ValueToStringInternal", "no internal form");
  EXPECT_EQ(FailureOf([&] { literal(object); }), "no internal form");
  connection_.raise("AppDispatch", "no application");
  EXPECT_EQ(FailureOf([&] { literal(object); }), "no application");
  connection_.answer("AppDispatch", Variant::fromInt(0));
  EXPECT_EQ(FailureOf([&] { literal(object); }), "Variant does not reference an automation object");
  EXPECT_EQ(state_.timeText, "10:20");
}

// Every reference the literal takes is released, on success and failure.
TEST_F(SqlLiteralTest, LeavesHostReferenceCountsAsItFoundThem) {
  const Variant object = DispatchValue(&hostObject_);
  const ULONG connectionRefs = connection_.refCount();
  const ULONG applicationRefs = application_.refCount();
  const ULONG objectRefs = hostObject_.refCount();
  literal(object);
  internalForm("bad");
  FailureOf([&] { literal(object); });
  application_.clearRecord();  // the record holds copies of the arguments
  EXPECT_EQ(connection_.refCount(), connectionRefs);
  EXPECT_EQ(application_.refCount(), applicationRefs);
  EXPECT_EQ(hostObject_.refCount(), objectRefs);
}

}  // namespace

}  // namespace qorvid
