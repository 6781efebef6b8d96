// GetField, GetFieldAsDateTime and GetFieldAsObject against a fake result
// set: the whole type table with ADO's value types, both failure wrappers
// and the object path's statement text at each stage.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "tests/database/component_runner.h"
#include "tests/database/fake_ado.h"

namespace qorvid {

namespace {
const LCID kEnglish = MAKELCID(MAKELANGID(LANG_ENGLISH, SUBLANG_DEFAULT), SORT_DEFAULT);
const LCID kRussian = MAKELCID(MAKELANGID(LANG_RUSSIAN, SUBLANG_DEFAULT), SORT_DEFAULT);
const double kDate = 38051.37989872685;  // 2004-03-05 09:07:03.250

Variant Typed(VARTYPE type, LONGLONG bits) {
  Variant v;
  v.get().vt = type;
  v.get().llVal = bits;
  return v;
}

Variant Bytes(const std::string& bytes) {
  SAFEARRAY* array = SafeArrayCreateVector(VT_UI1, 0, static_cast<ULONG>(bytes.size()));
  void* data = nullptr;
  SafeArrayAccessData(array, &data);
  std::memcpy(data, bytes.data(), bytes.size());
  SafeArrayUnaccessData(array);
  Variant v;
  v.get().vt = VT_ARRAY | VT_UI1;
  v.get().parray = array;
  return v;
}

Variant Currency(LONGLONG tenThousandths) {
  Variant v;
  v.get().vt = VT_CY;
  v.get().cyVal.int64 = tenThousandths;
  return v;
}

Variant Decimal(ULONG lo, BYTE scale) {
  Variant v;
  v.get().decVal.Lo64 = lo;
  v.get().decVal.scale = scale;
  v.get().vt = VT_DECIMAL;
  return v;
}

class FieldReadingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    PlatformSetUserLocale(kEnglish);
    ado.queue(connection);
    runner.call("Open", {Text("Provider=Fake")});
  }
  void TearDown() override { PlatformSetUserLocale(kEnglish); }

  // Makes a one-field result set holding value the current result.
  FakeRecordset& resultWith(const Variant& value, const std::string& name = "F") {
    results.emplace_back(new FakeRecordset({{name, value}}));
    connection.thenReturn(results.back()->value());
    runner.call("Execute", {Text("SELECT F FROM T")});
    EXPECT_EQ(runner.errorMsg(), "");
    return *results.back();
  }

  FakeAdoClass ado;
  FakeConnection connection;
  // A host object for values and selectors; outlives the result sets that
  // hold or recorded it.
  RecordingDispatch object;
  std::vector<std::unique_ptr<FakeRecordset>> results;

 public:  // reached from the case tables' set-up functions
  ComponentRunner runner;
};

TEST_F(FieldReadingTest, GetFieldMapsEveryTypeCode) {
  const std::string convert = std::string("Ошибка преобразования значения поля ") + "F\r\n";
  const std::string unsupported = convert + std::string("Тип не поддерживается: ") + "F\r\n";
  LONG referenced = 5;
  Variant byRefInt;
  byRefInt.get().vt = VT_I4 | VT_BYREF;
  byRefInt.get().plVal = &referenced;

  struct Case {
    const char* what;
    Variant value;
    VARTYPE resultType;  // VT_EMPTY: the call fails with error
    std::string text;    // the result as text, or the error
  } cases[] = {
      {"empty", Variant(), VT_BSTR, ""},
      {"null", Variant::null(), VT_BSTR, ""},
      {"smallint", Typed(VT_I2, -5), VT_I4, "-5"},
      {"int", Int(42), VT_I4, "42"},
      {"single", Typed(VT_R4, 0x40200000), VT_BSTR, "2.5"},
      {"double", Variant::fromDouble(2.5), VT_BSTR, "2.5"},
      {"money", Currency(123400), VT_BSTR, "12.34"},
      {"date", Variant::fromDate(kDate), VT_DATE, ""},
      {"text", Text(std::string("Болт 'M6'")), VT_BSTR, std::string("Болт 'M6'")},
      {"object", DispatchValue(&object), VT_BSTR, ""},
      // The row of VT_ERROR asks for value text, which an error value has not.
      {"error value", Typed(VT_ERROR, DISP_E_PARAMNOTFOUND), VT_EMPTY,
       convert + "Invalid variant type conversion\r\n"},
      {"true", Variant::fromBool(true), VT_I4, "1"},
      {"false", Variant::fromBool(false), VT_I4, "0"},
      {"decimal", Decimal(125, 1), VT_BSTR, "12.5"},
      {"tinyint signed", Typed(VT_I1, -3), VT_I4, "-3"},
      {"tinyint", Typed(VT_UI1, 200), VT_I4, "200"},
      {"ushort", Typed(VT_UI2, 60000), VT_I4, "60000"},
      {"uint small", Typed(VT_UI4, 7), VT_I4, "7"},
      {"uint large", Typed(VT_UI4, 3000000000LL), VT_BSTR, "3000000000"},
      {"uint largest", Typed(VT_UI4, 4294967295LL), VT_BSTR, "4294967295"},
      {"bigint small", Typed(VT_I8, -2147483648LL), VT_I4, "-2147483648"},
      {"bigint large", Typed(VT_I8, 5000000000LL), VT_BSTR, "5000000000"},
      {"bigint negative", Typed(VT_I8, -5000000000LL), VT_BSTR, "-5000000000"},
      // Every digit, not the 15 a double keeps.
      {"bigint 15 digits", Typed(VT_I8, 999999999999999LL), VT_BSTR, "999999999999999"},
      {"bigint 2^53+1", Typed(VT_I8, 9007199254740993LL), VT_BSTR, "9007199254740993"},
      {"bigint largest", Typed(VT_I8, INT64_MAX), VT_BSTR, "9223372036854775807"},
      {"bigint smallest", Typed(VT_I8, INT64_MIN), VT_BSTR, "-9223372036854775808"},
      {"ubigint", Typed(VT_UI8, 1), VT_EMPTY, unsupported},
      {"blob", Bytes("\x01\x02\xff"), VT_EMPTY, unsupported},
      {"reference", byRefInt, VT_EMPTY, unsupported},
  };
  for (const Case& c : cases) {
    resultWith(c.value);
    Variant result = runner.call("GetField", {Text("F")});
    if (c.resultType == VT_EMPTY) {
      EXPECT_EQ(runner.errorMsg(), c.text) << c.what;
      continue;
    }
    EXPECT_EQ(runner.errorMsg(), "") << c.what;
    ASSERT_EQ(result.vt(), c.resultType) << c.what;
    if (c.resultType == VT_DATE)
      EXPECT_EQ(result.get().date, kDate);
    else
      EXPECT_EQ(TextOf(result), c.text) << c.what;
  }
}

TEST_F(FieldReadingTest, GetFieldRefusesAVariantValue) {
  FakeRecordset& rows = resultWith(Int(0));
  rows.columns[0]->onInvoke("Value", [](DISPPARAMS*, VARIANT* result, EXCEPINFO*) {
    result->vt = VT_VARIANT;
    return S_OK;
  });
  runner.call("GetField", {Text("F")});
  EXPECT_EQ(runner.errorMsg(), std::string("Ошибка преобразования значения поля ") + "F\r\n" +
                                   std::string("Тип Variant не поддерживается") + "\r\n");
}

TEST_F(FieldReadingTest, GetFieldWritesNumbersWithTheUsersSeparator) {
  PlatformSetUserLocale(kRussian);
  resultWith(Variant::fromDouble(2.5));
  Variant result = runner.call("GetField", {Text("F")});
  EXPECT_EQ(TextOf(result), "2,5");
  // A 64-bit integer has no separator to write and keeps every digit.
  resultWith(Typed(VT_I8, 9007199254740993LL));
  EXPECT_EQ(TextOf(runner.call("GetField", {Text("F")})), "9007199254740993");
}

TEST_F(FieldReadingTest, FieldIsSelectedByReferenceAndReadAsLowerCaseValue) {
  FakeRecordset& rows = resultWith(Int(9), "Qty");
  runner.call("GetField", {Text("Qty")});
  runner.call("GetFieldAsDateTime", {Int(0)});

  const auto reads = rows.recordset.callsOf("Fields");
  ASSERT_EQ(reads.size(), 3u);  // Execute's count, then the two selectors
  for (size_t i = 1; i < 3; ++i) {
    EXPECT_EQ(reads[i].flags, DISPATCH_PROPERTYGET);
    EXPECT_EQ(reads[i].argTypes, std::vector<VARTYPE>{VT_VARIANT | VT_BYREF});
  }
  EXPECT_EQ(reads[1].args[0].vt(), VT_BSTR);
  EXPECT_EQ(reads[2].args[0].vt(), VT_I4);
  EXPECT_EQ(rows.columns[0]->lookups(), (std::vector<std::string>{"value", "Value"}));
  EXPECT_EQ(rows.columns[0]->callsOf("Value")[0].flags, DISPATCH_METHOD | DISPATCH_PROPERTYGET);
}

TEST_F(FieldReadingTest, ReadFailuresAreWrappedWithTheFieldIdentification) {
  const std::string read = std::string("Ошибка получения поля ");
  const std::string missing =
      "Item cannot be found in the collection corresponding to the requested name or ordinal";
  struct Case {
    Variant selector;
    std::string identification;
  } cases[] = {{Text("Nope"), "Nope"}, {Int(4), "4"}, {DispatchValue(&object), ""}};

  // No result set at all.
  for (const char* method : {"GetField", "GetFieldAsDateTime"}) {
    runner.call(method, {Text("F")});
    EXPECT_EQ(runner.errorMsg(), read + "F\r\nVariant does not reference an automation object\r\n");
  }
  resultWith(Int(1));
  for (const Case& c : cases) {
    for (const char* method : {"GetField", "GetFieldAsDateTime"}) {
      runner.call(method, {c.selector});
      EXPECT_EQ(runner.errorMsg(), read + c.identification + "\r\n" + missing + "\r\n") << method;
    }
  }
}

TEST_F(FieldReadingTest, GetFieldAsDateTimeGivesTextOnlyForDates) {
  runner.state.timeText = "10:20";
  struct Case {
    Variant value;
    std::string text;
  } cases[] = {
      {Variant::fromDate(kDate), "2004-03-05 09:07:03.250"},
      {Variant::fromDate(38051.0), "2004-03-05 00:00:00"},
      {Variant::null(), ""},
      {Text("2004-03-05 09:07:03"), ""},
      {Variant::fromDouble(kDate), ""},
      {Typed(VT_UI1, 7), ""},
      {Typed(VT_I8, 9007199254740993LL), ""},
      {Bytes("x"), ""},
  };
  for (const Case& c : cases) {
    resultWith(c.value);
    Variant result = runner.call("GetFieldAsDateTime", {Text("F")});
    EXPECT_EQ(runner.errorMsg(), "");
    ASSERT_EQ(result.vt(), VT_BSTR);
    EXPECT_EQ(TextOf(result), c.text);
  }
  EXPECT_EQ(runner.state.timeText, "10:20") << "the Time text is neither used nor cleared";
}

TEST_F(FieldReadingTest, FieldReadingNeitherMovesNorTestsTheEnd) {
  FakeRecordset& rows = resultWith(Int(1));
  runner.call("GetField", {Text("F")});
  runner.call("GetFieldAsDateTime", {Text("F")});
  EXPECT_TRUE(rows.recordset.callsOf("MoveNext").empty());
  EXPECT_TRUE(rows.recordset.callsOf("EOF").empty());
}

// The host side of GetFieldAsObject: a connection whose AppDispatch answers
// an application object that evaluates expressions.
class FieldAsObjectTest : public FieldReadingTest {
 protected:
  void SetUp() override {
    FieldReadingTest::SetUp();
    host.answer("AppDispatch", DispatchValue(&application));
    application.answer("EvalExpr", DispatchValue(&hostObject));
    runner.state.hostConnection = ComPtr<IDispatch>(&host);
  }
  void TearDown() override {
    runner.state.hostConnection.reset();
    FieldReadingTest::TearDown();
  }

 public:
  // In this order, so that each goes after the one that holds it.
  RecordingDispatch hostObject;
  RecordingDispatch application;
  RecordingDispatch host;
};

const char kKey[] = "O_____1_____5___";
const char kInternal[] = "{\"O\",\"0\",\"0\",\"         1\",\"0\",\"0\",\"         5   \"}";
const char kEscaped[] =
    "{\"\"O\"\",\"\"0\"\",\"\"0\"\",\"\"         1\"\",\"\"0\"\",\"\"0\"\",\"\"         5   \"\"}";

TEST_F(FieldAsObjectTest, RebuildsTheObjectThroughTheHost) {
  resultWith(Text(kKey));
  Variant result = runner.call("GetFieldAsObject", {Text("F")});
  ASSERT_EQ(runner.errorMsg(), "");
  ASSERT_EQ(result.vt(), VT_DISPATCH);
  EXPECT_EQ(result.get().pdispVal, &hostObject);

  ASSERT_EQ(host.calls().size(), 1u);
  EXPECT_EQ(host.calls()[0].member, "AppDispatch");
  EXPECT_EQ(host.calls()[0].flags, DISPATCH_METHOD | DISPATCH_PROPERTYGET);
  const auto evals = application.callsOf("EvalExpr");
  ASSERT_EQ(evals.size(), 1u);
  EXPECT_EQ(evals[0].flags, DISPATCH_METHOD);
  EXPECT_EQ(evals[0].argTypes, std::vector<VARTYPE>{VT_BSTR});
  EXPECT_EQ(TextOf(evals[0].args[0]),
            std::string("ЗначениеИзСтрокиВнутр") + "(\"" + std::string(kEscaped) + "\")");
  result.clear();
  EXPECT_EQ(application.refCount(), 2u) << "only the host's own answer holds the application";
  EXPECT_EQ(hostObject.refCount(), 2u) << "only the scripted answer holds the object";
}

TEST_F(FieldAsObjectTest, EmptyAnswerGivesNoObject) {
  resultWith(Text(kKey));
  application.answer("EvalExpr", Variant());
  Variant result = runner.call("GetFieldAsObject", {Text("F")});
  EXPECT_EQ(runner.errorMsg(), "");
  ASSERT_EQ(result.vt(), VT_DISPATCH);
  EXPECT_EQ(result.get().pdispVal, nullptr);
}

TEST_F(FieldAsObjectTest, StatementTextAtEachStage) {
  const std::string key(kKey);
  struct Case {
    const char* what;
    Variant field;
    std::function<void(FieldAsObjectTest&)> arrange;
    std::string error;
  } cases[] = {
      {"no field", Variant(), [](FieldAsObjectTest& t) { t.runner.state.recordset.clear(); },
       "Variant does not reference an automation object\r\n"},
      {"15 characters", Text("O_____1_____5__"), nullptr,
       std::string("Ожидается строка длиной 16") + "\r\nO_____1_____5__"},
      {"bad digit", Text("O_____a_____5___"), nullptr,
       std::string("Ожидается символ 0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ") + "\r\nO_____a_____5___"},
      {"AppDispatch fails", Text(key),
       [](FieldAsObjectTest& t) { t.host.raise("AppDispatch", "host is busy"); },
       "host is busy\r\n" + std::string(kInternal)},
      {"no application", Text(key),
       [](FieldAsObjectTest& t) { t.host.answer("AppDispatch", Variant()); },
       std::string("Хост-приложение не предоставило объект приложения (AppDispatch)") + "\r\n" +
           kInternal},
      {"EvalExpr fails", Text(key),
       [](FieldAsObjectTest& t) { t.application.raise("EvalExpr", "bad expression."); },
       "bad expression\r\n" + std::string(kEscaped)},
      {"EvalExpr answers a number", Text(key),
       [](FieldAsObjectTest& t) { t.application.answer("EvalExpr", Int(3)); },
       "Invalid variant type conversion\r\n" + std::string(kEscaped)},
  };
  for (const Case& c : cases) {
    host.answer("AppDispatch", DispatchValue(&application));
    application.answer("EvalExpr", DispatchValue(&hostObject));
    resultWith(c.field);
    if (c.arrange) c.arrange(*this);
    runner.call("GetFieldAsObject", {Text("F")});
    EXPECT_EQ(runner.errorMsg(), c.error) << c.what;
  }
}

TEST_F(FieldAsObjectTest, WithoutAHostConnectionFailsClearly) {
  resultWith(Text(kKey));
  runner.state.hostConnection.reset();
  runner.call("GetFieldAsObject", {Text("F")});
  EXPECT_EQ(runner.errorMsg(),
            std::string("Хост-приложение не предоставило объект приложения (AppDispatch)") + "\r\n" +
                kInternal);
}
}  // namespace

}  // namespace qorvid
