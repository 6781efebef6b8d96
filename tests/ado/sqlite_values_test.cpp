// Value types of SQLite columns as the Field objects give them: the declared
// type first, then the stored value.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>

#include "tests/ado/late_call.h"

namespace qorvid::ado {

namespace {

const OLECHAR kMemory[] = OLESTR("Provider=SQLite;Data Source=:memory:");

struct ValueCase {
  const char* declared;
  const char* literal;
  VARTYPE vt;
  std::function<void(const VARIANT&)> check;
};

WideString Wide(const std::string& s) { return U(s.c_str()); }

TEST(SqliteValues, DeclaredTypeThenStoredValueGiveTheVariantType) {
  const ValueCase cases[] = {
      {"INTEGER", "42", VT_I4, [](const VARIANT& v) { EXPECT_EQ(42, v.lVal); }},
      {"INT", "-2147483648", VT_I4, [](const VARIANT& v) { EXPECT_EQ(-2147483647 - 1, v.lVal); }},
      // Beyond 32 bits the value keeps its 64 bits rather than being cut.
      {"INTEGER", "5000000000", VT_I8, [](const VARIANT& v) { EXPECT_EQ(5000000000LL, v.llVal); }},
      {"BIGINT", "7", VT_I8, [](const VARIANT& v) { EXPECT_EQ(7, v.llVal); }},
      {"BIGINT", "-9223372036854775808", VT_I8,
       [](const VARIANT& v) { EXPECT_EQ(INT64_MIN, v.llVal); }},
      {"SMALLINT", "-12", VT_I2, [](const VARIANT& v) { EXPECT_EQ(-12, v.iVal); }},
      {"SMALLINT", "70000", VT_I4, [](const VARIANT& v) { EXPECT_EQ(70000, v.lVal); }},
      {"REAL", "2.5", VT_R8, [](const VARIANT& v) { EXPECT_EQ(2.5, v.dblVal); }},
      {"DOUBLE", "1", VT_R8, [](const VARIANT& v) { EXPECT_EQ(1.0, v.dblVal); }},
      {"FLOAT", "-1e300", VT_R8, [](const VARIANT& v) { EXPECT_EQ(-1e300, v.dblVal); }},
      {"NUMERIC(10,2)", "12.34", VT_DECIMAL,
       [](const VARIANT& v) {
         EXPECT_EQ(1234u, v.decVal.Lo64);
         EXPECT_EQ(2, v.decVal.scale);
       }},
      {"DECIMAL", "-0.5", VT_DECIMAL,
       [](const VARIANT& v) {
         EXPECT_EQ(5u, v.decVal.Lo64);
         EXPECT_EQ(DECIMAL_NEG, v.decVal.sign);
       }},
      {"MONEY", "12.3456", VT_CY, [](const VARIANT& v) { EXPECT_EQ(123456, v.cyVal.int64); }},
      {"BOOLEAN", "1", VT_BOOL, [](const VARIANT& v) { EXPECT_EQ(VARIANT_TRUE, v.boolVal); }},
      {"BOOLEAN", "0", VT_BOOL, [](const VARIANT& v) { EXPECT_EQ(VARIANT_FALSE, v.boolVal); }},
      {"BOOL", "'true'", VT_BOOL, [](const VARIANT& v) { EXPECT_EQ(VARIANT_TRUE, v.boolVal); }},
      {"DATE", "CDate('2004-03-05')", VT_DATE,
       [](const VARIANT& v) { EXPECT_EQ(38051.0, v.date); }},
      {"DATETIME", "CDate('2004-03-05 09:07:03.250')", VT_DATE,
       [](const VARIANT& v) { EXPECT_NEAR(38051.37989872685, v.date, 1e-9); }},
      // Four-digit years below 1000 and three-digit milliseconds, as the
      // component writes them.
      {"DATE", "CDate('0100-01-01')", VT_DATE,
       [](const VARIANT& v) { EXPECT_EQ(-657434.0, v.date); }},
      {"DATETIME", "CDate('2004-03-05 00:00:00.005')", VT_DATE,
       [](const VARIANT& v) { EXPECT_NEAR(38051 + 5 / 86400000.0, v.date, 1e-10); }},
      {"TIMESTAMP", "CDate('2004-03-05 10:20')", VT_DATE,
       [](const VARIANT& v) { EXPECT_NEAR(38051.430555555555, v.date, 1e-9); }},
      // Text that is no date stays text instead of turning into nonsense.
      {"DATE", "'someday'", VT_BSTR,
       [](const VARIANT& v) { EXPECT_EQ(WideString(OLESTR("someday")), v.bstrVal); }},
      {"TEXT", "'it''s Привет'", VT_BSTR,
       [](const VARIANT& v) { EXPECT_EQ(U("it's Привет"), v.bstrVal); }},
      {"VARCHAR(20)", "''", VT_BSTR,
       [](const VARIANT& v) { EXPECT_EQ(0u, SysStringLen(v.bstrVal)); }},
      {"CHAR(5)", "12", VT_BSTR,
       [](const VARIANT& v) { EXPECT_EQ(WideString(OLESTR("12")), v.bstrVal); }},
      {"VARCHAR(20)", "NULL", VT_NULL, [](const VARIANT&) {}},
      {"INTEGER", "NULL", VT_NULL, [](const VARIANT&) {}},
      {"DATE", "CDate(NULL)", VT_NULL, [](const VARIANT&) {}},
      {"BLOB", "x'00FF10'", VT_ARRAY | VT_UI1,
       [](const VARIANT& v) {
         ASSERT_EQ(1u, SafeArrayGetDim(v.parray));
         LONG lo = -1, hi = -1;
         SafeArrayGetLBound(v.parray, 1, &lo);
         SafeArrayGetUBound(v.parray, 1, &hi);
         EXPECT_EQ(0, lo);
         ASSERT_EQ(2, hi);
         void* data = nullptr;
         ASSERT_EQ(S_OK, SafeArrayAccessData(v.parray, &data));
         EXPECT_EQ(0, std::memcmp(data, "\x00\xFF\x10", 3));
         SafeArrayUnaccessData(v.parray);
       }},
      {"BLOB", "x''", VT_ARRAY | VT_UI1, [](const VARIANT&) {}},
      {"", "3.75", VT_R8, [](const VARIANT& v) { EXPECT_EQ(3.75, v.dblVal); }},
      {"", "'x'", VT_BSTR, [](const VARIANT&) {}},
      {"", "9", VT_I4, [](const VARIANT& v) { EXPECT_EQ(9, v.lVal); }},
  };
  Late c = NewConnection();
  ASSERT_EQ(S_OK, OpenConnection(c, kMemory).hr);
  int n = 0;
  for (const ValueCase& k : cases) {
    std::string table = "t" + std::to_string(n++);
    SCOPED_TRACE(std::string(k.declared) + " " + k.literal);
    RunSql(c, Wide("CREATE TABLE " + table + " (v " + k.declared + ")"));
    RunSql(c, Wide("INSERT INTO " + table + " VALUES (" + k.literal + ")"));
    Late rs = RunSql(c, Wide("SELECT v FROM " + table));
    ASSERT_FALSE(IsEof(rs));
    Variant value = FieldValue(rs, OLESTR("v"));
    ASSERT_EQ(k.vt, value.vt());
    k.check(value.get());
  }
}

TEST(SqliteValues, CDateStoresDatesThatCompareAndSortAsDates) {
  Late c = NewConnection();
  ASSERT_EQ(S_OK, OpenConnection(c, kMemory).hr);
  RunSql(c, OLESTR("CREATE TABLE d (id INTEGER, at DATETIME)"));
  RunSql(c,
         OLESTR("INSERT INTO d VALUES (1, CDate('2004-03-05 10:20')), (2, CDate('2004-03-05')), ")
             OLESTR("(3, CDate('2004-03-05 00:00:00.500')), (4, CDate('2003-12-31 23:59:59'))"));
  Late rs = RunSql(c, OLESTR("SELECT id FROM d ORDER BY at"));
  LONG order[4] = {0, 0, 0, 0};
  for (LONG& id : order) {
    ASSERT_FALSE(IsEof(rs));
    id = FieldValue(rs, OLESTR("id")).get().lVal;
    ASSERT_EQ(S_OK, rs.call("MoveNext").hr);
  }
  EXPECT_TRUE(IsEof(rs));
  EXPECT_EQ(4, order[0]);
  EXPECT_EQ(2, order[1]);
  EXPECT_EQ(3, order[2]);
  EXPECT_EQ(1, order[3]);
  // The three written forms of one moment are one date.
  Late same =
      RunSql(c, OLESTR("SELECT CDate('2004-03-05') = CDate('2004-03-05 00:00:00') AND ")
                    OLESTR("CDate('2004-03-05 10:20') = CDate('2004-03-05 10:20:00.000') AS same"));
  EXPECT_EQ(1, FieldValue(same, OLESTR("same")).get().lVal);
  Late found = RunSql(c, OLESTR("SELECT id FROM d WHERE at = CDate('2004-03-05 10:20:00')"));
  ASSERT_FALSE(IsEof(found));
  EXPECT_EQ(1, FieldValue(found, OLESTR("id")).get().lVal);
}

TEST(SqliteValues, CDateOfSomethingThatIsNoDateFailsTheStatement) {
  Late c = NewConnection();
  ASSERT_EQ(S_OK, OpenConnection(c, kMemory).hr);
  for (const OLECHAR* sql :
       {OLESTR("SELECT CDate('2004-02-30')"), OLESTR("SELECT CDate('yesterday')")}) {
    CallResult r = Execute(c, sql);
    EXPECT_EQ(DISP_E_EXCEPTION, r.hr);
    EXPECT_NE(WideString::npos, r.description.find(OLESTR("is not a date")));
  }
}

TEST(SqliteValues, ManyRowsAreAllReadInOrder) {
  Late c = NewConnection();
  ASSERT_EQ(S_OK, OpenConnection(c, kMemory).hr);
  RunSql(c, OLESTR("CREATE TABLE n (i INTEGER, s TEXT)"));
  RunSql(c,
         OLESTR("WITH RECURSIVE k(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM k WHERE i < 2000) ")
             OLESTR("INSERT INTO n SELECT i, 'row ' || i FROM k"));
  Late rs = RunSql(c, OLESTR("SELECT i, s FROM n ORDER BY i"));
  CallResult count = rs.get("RecordCount");
  ASSERT_EQ(S_OK, count.hr);
  EXPECT_EQ(2000, count.value.get().lVal);
  LONG expected = 1;
  while (!IsEof(rs)) {
    ASSERT_EQ(expected, FieldValue(rs, OLESTR("i")).get().lVal);
    ++expected;
    ASSERT_EQ(S_OK, rs.call("MoveNext").hr);
  }
  EXPECT_EQ(2001, expected);
}

TEST(SqliteValues, TextInStatementsComesBackUnchanged) {
  // Statements without surrogates reach SQLite as UTF-8, others as UTF-16;
  // either way every code unit of a literal survives.
  const WideString texts[] = {OLESTR("plain"), OLESTR("Запись номер 7"),
                              WideString(u"emoji \xD83D\xDE00 pair")};
  for (const WideString& text : texts) {
    Late c = NewConnection();
    ASSERT_EQ(S_OK, OpenConnection(c, kMemory).hr);
    Late rs = RunSql(c, OLESTR("SELECT '") + text + OLESTR("' AS t"));
    Variant value = FieldValue(rs, OLESTR("t"));
    ASSERT_EQ(VT_BSTR, value.vt());
    EXPECT_EQ(text, WideString(value.get().bstrVal, SysStringLen(value.get().bstrVal)));
  }
}

TEST(SqliteValues, NewDatabasesAreUtf8AndOldOnesKeepTheirEncoding) {
  const std::string path =
      (std::filesystem::temp_directory_path() / ("qorvid-encoding-" + std::to_string(std::rand())))
          .string();
  const WideString source = OLESTR("Provider=SQLite;Data Source=") + U(path.c_str());
  auto encoding = [](const Late& c) {
    Variant name = FieldValue(RunSql(c, OLESTR("PRAGMA encoding")), OLESTR("encoding"));
    return WideString(name.get().bstrVal, SysStringLen(name.get().bstrVal));
  };
  {
    Late c = NewConnection();
    ASSERT_EQ(S_OK, OpenConnection(c, kMemory).hr);
    EXPECT_EQ(WideString(OLESTR("UTF-8")), encoding(c));
  }
  {
    // A file made UTF-16 before anything was written to it, as files made
    // by earlier versions are.
    Late c = NewConnection();
    ASSERT_EQ(S_OK, OpenConnection(c, source).hr);
    RunSql(c, OLESTR("PRAGMA encoding = 'UTF-16le'"));
    RunSql(c, OLESTR("CREATE TABLE t (s TEXT)"));
    RunSql(c, OLESTR("INSERT INTO t VALUES ('Запись')"));
  }
  {
    Late c = NewConnection();
    ASSERT_EQ(S_OK, OpenConnection(c, source).hr);
    EXPECT_EQ(WideString(OLESTR("UTF-16le")), encoding(c));
    Variant value = FieldValue(RunSql(c, OLESTR("SELECT s FROM t")), OLESTR("s"));
    ASSERT_EQ(VT_BSTR, value.vt());
    EXPECT_EQ(WideString(OLESTR("Запись")),
              WideString(value.get().bstrVal, SysStringLen(value.get().bstrVal)));
  }
  std::remove(path.c_str());
}

}  // namespace

}  // namespace qorvid::ado
