// The ODBC backend against SQLite's ODBC driver, the same tests natively
// and, through the real COM runtime, under Wine.
#include <gtest/gtest.h>

#include <string>

#include "tests/ado/late_call.h"
#include "tests/ado/odbc_test_env.h"

namespace qorvid::ado {

namespace {

class AdoOdbc : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { directory_ = OdbcTestDirectory(); }
  static void TearDownTestSuite() { CleanUpOdbcTestDirectory(); }
  void SetUp() override {
    std::string why;
    if (!OdbcDriverAvailable(&why)) GTEST_SKIP() << why;
    ASSERT_FALSE(directory_.empty());
    // A database of its own for each test.
    std::string path =
        directory_ + "/" + ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".db";
    connectionString_ = OLESTR("Driver={SQLite3};Database=") + WideString(path.begin(), path.end());
  }
  Late Connect() {
    Late c = NewConnection();
    CallResult r = OpenConnection(c, connectionString_);
    EXPECT_EQ(S_OK, r.hr) << std::string(r.description.begin(), r.description.end());
    return c;
  }
  static std::string directory_;
  WideString connectionString_;
};

std::string AdoOdbc::directory_;

TEST_F(AdoOdbc, ValuesComeBackWithTheirTypes) {
  Late c = Connect();
  RunSql(c,
         OLESTR("CREATE TABLE v (i INTEGER, big BIGINT, r DOUBLE, n NUMERIC(10,2), s VARCHAR(40), ")
             OLESTR("at TIMESTAMP, b BLOB, z INTEGER)"));
  RunSql(c, U("INSERT INTO v VALUES (42, 5000000000, 2.5, 12.34, 'it''s Привет', "
              "'2004-03-05 10:20:00', x'00FF10', NULL)"));
  Late rs = RunSql(c, OLESTR("SELECT i, big, r, n, s, at, b, z FROM v"));
  ASSERT_FALSE(IsEof(rs));
  EXPECT_EQ(8, FieldCount(rs));
  Variant i = FieldValue(rs, OLESTR("i"));
  ASSERT_EQ(VT_I4, i.vt());
  EXPECT_EQ(42, i.get().lVal);
  Variant big = FieldValue(rs, OLESTR("big"));
  ASSERT_EQ(VT_I8, big.vt());
  EXPECT_EQ(5000000000LL, big.get().llVal);
  Variant r = FieldValue(rs, OLESTR("r"));
  ASSERT_EQ(VT_R8, r.vt());
  EXPECT_EQ(2.5, r.get().dblVal);
  Variant n = FieldValue(rs, OLESTR("n"));
  ASSERT_TRUE(n.vt() == VT_DECIMAL || n.vt() == VT_R8) << n.vt();
  Variant s = FieldValue(rs, OLESTR("s"));
  ASSERT_EQ(VT_BSTR, s.vt());
  EXPECT_EQ(U("it's Привет"), s.get().bstrVal);
  Variant at = FieldValue(rs, OLESTR("at"));
  ASSERT_EQ(VT_DATE, at.vt());
  EXPECT_NEAR(38051.430555555555, at.get().date, 1e-6);
  Variant b = FieldValue(rs, OLESTR("b"));
  ASSERT_EQ(VT_ARRAY | VT_UI1, b.vt());
  LONG hi = -1;
  SafeArrayGetUBound(b.get().parray, 1, &hi);
  EXPECT_EQ(2, hi);
  EXPECT_EQ(VT_NULL, FieldValue(rs, OLESTR("z")).vt());
  ASSERT_EQ(S_OK, rs.call("MoveNext").hr);
  EXPECT_TRUE(IsEof(rs));
}

TEST_F(AdoOdbc, LongTextIsReadInFull) {
  Late c = Connect();
  RunSql(c, OLESTR("CREATE TABLE l (s TEXT)"));
  WideString longText(20000, OLECHAR(0x0436));
  RunSql(c, OLESTR("INSERT INTO l VALUES ('") + longText + OLESTR("')"));
  Late rs = RunSql(c, OLESTR("SELECT s FROM l"));
  Variant s = FieldValue(rs, OLESTR("s"));
  ASSERT_EQ(VT_BSTR, s.vt());
  EXPECT_EQ(longText, WideString(s.get().bstrVal, SysStringLen(s.get().bstrVal)));
}

// Texts just within and beyond the room a row's text is first read into,
// long ones before and after short ones in a row, surrogate pairs and NULL:
// each cell comes back whole and in its place.
TEST_F(AdoOdbc, TextsOfEveryLengthComeBackWholeInTheirCells) {
  Late c = Connect();
  RunSql(c, OLESTR("CREATE TABLE l (id INTEGER, a TEXT, b TEXT)"));
  // A cell of n units of one character; with unit 0, of n characters
  // beyond 16 bits, made by the database (the statement text stays BMP).
  struct Cell {
    size_t n;
    OLECHAR unit;
    WideString value() const {
      if (unit) return WideString(n, unit);
      WideString s;
      for (size_t i = 0; i < n; ++i) s += OLESTR("\xD83D\xDE00");
      return s;
    }
    WideString sql() const {
      if (unit) return OLESTR("'") + value() + OLESTR("'");
      return OLESTR("replace(hex(zeroblob(") + Number(n) + OLESTR(")), '00', char(128512))");
    }
    static WideString Number(size_t v) {
      const std::string s = std::to_string(v);
      return WideString(s.begin(), s.end());
    }
  };
  const struct {
    Cell a, b;
  } rows[] = {{{0, 'x'}, {1, 'x'}},
              {{255, 'x'}, {256, 'x'}},
              {{256, 0x0436}, {255, 0x0436}},
              {{257, 0x0436}, {9000, 0x0436}},
              {{9000, 'x'}, {3, 'x'}},
              {{1, 0}, {0, 0}},
              {{150, 0}, {2, 0}}};
  const size_t kNull = 5;  // the row whose b is NULL
  for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i)
    RunSql(c, OLESTR("INSERT INTO l VALUES (") + Cell::Number(i) + OLESTR(", ") + rows[i].a.sql() +
                  OLESTR(", ") + (i == kNull ? WideString(OLESTR("NULL")) : rows[i].b.sql()) +
                  OLESTR(")"));
  Late rs = RunSql(c, OLESTR("SELECT id, a, b FROM l ORDER BY id"));
  for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
    ASSERT_FALSE(IsEof(rs)) << i;
    Variant a = FieldValue(rs, OLESTR("a"));
    Variant b = FieldValue(rs, OLESTR("b"));
    ASSERT_EQ(VT_BSTR, a.vt()) << i;
    EXPECT_EQ(rows[i].a.value(), WideString(a.get().bstrVal, SysStringLen(a.get().bstrVal))) << i;
    if (i == kNull) {
      EXPECT_EQ(VT_NULL, b.vt());
    } else {
      ASSERT_EQ(VT_BSTR, b.vt()) << i;
      EXPECT_EQ(rows[i].b.value(), WideString(b.get().bstrVal, SysStringLen(b.get().bstrVal))) << i;
    }
    ASSERT_EQ(S_OK, rs.call("MoveNext").hr);
  }
  EXPECT_TRUE(IsEof(rs));
}

// Letters beyond cp1251, CJK, a combining accent and signs, in a
// statement's text, a column's name and a cell. (unixODBC hands the driver
// the text converted as UCS-2, which has no surrogate pairs: the pairs above
// are made by the database.)
TEST_F(AdoOdbc, TextsOfEveryScriptComeBackWhole) {
  Late c = Connect();
  const WideString texts[] = {U("қазақ әғқңөұүһ"), U("日本語"),
                              U("cafe") + WideString(1, OLECHAR(0x0301)), U("€ № Привет")};
  for (const WideString& text : texts) {
    Late rs = RunSql(c, OLESTR("SELECT '") + text + OLESTR("' AS \"") + text + OLESTR("\""));
    CallResult field = rs.getWith("Fields", I4(0));
    ASSERT_EQ(S_OK, field.hr);
    CallResult name = Late(field.value).get("Name");
    ASSERT_EQ(VT_BSTR, name.value.vt());
    EXPECT_EQ(text, WideString(name.value.get().bstrVal, SysStringLen(name.value.get().bstrVal)));
    Variant value = FieldValue(rs, text);
    ASSERT_EQ(VT_BSTR, value.vt());
    EXPECT_EQ(text, WideString(value.get().bstrVal, SysStringLen(value.get().bstrVal)));
  }
}

TEST_F(AdoOdbc, ClosedRecordsetsErrorsAndTheDriversMessage) {
  Late c = Connect();
  Late rs = RunSql(c, OLESTR("CREATE TABLE t (v INTEGER)"));
  EXPECT_EQ(0, FieldCount(rs));
  EXPECT_EQ(DISP_E_EXCEPTION, rs.get("EOF").hr);
  CallResult bad = Execute(c, OLESTR("SELECT * FROM nope"));
  EXPECT_EQ(DISP_E_EXCEPTION, bad.hr);
  EXPECT_NE(WideString::npos, bad.description.find(OLESTR("no such table")))
      << std::string(bad.description.begin(), bad.description.end());
  Late empty = RunSql(c, OLESTR("SELECT v FROM t"));
  EXPECT_TRUE(IsEof(empty));
  EXPECT_EQ(DISP_E_EXCEPTION, empty.call("MoveNext").hr);
}

TEST_F(AdoOdbc, TransactionsCommitAndRollBack) {
  Late c = Connect();
  RunSql(c, OLESTR("CREATE TABLE t (v INTEGER)"));
  auto rows = [&]() {
    Late rs = RunSql(c, OLESTR("SELECT COUNT(*) AS n FROM t"));
    return FieldValue(rs, OLESTR("n")).get().lVal;
  };
  ASSERT_EQ(S_OK, c.call("BeginTrans").hr);
  RunSql(c, OLESTR("INSERT INTO t VALUES (1)"));
  EXPECT_EQ(DISP_E_EXCEPTION, c.call("Close").hr);
  ASSERT_EQ(S_OK, c.call("RollbackTrans").hr);
  EXPECT_EQ(0, rows());
  ASSERT_EQ(S_OK, c.call("BeginTrans").hr);
  RunSql(c, OLESTR("INSERT INTO t VALUES (2)"));
  ASSERT_EQ(S_OK, c.call("CommitTrans").hr);
  EXPECT_EQ(1, rows());
  // Back in autocommit: a statement now stands on its own.
  RunSql(c, OLESTR("INSERT INTO t VALUES (3)"));
  ASSERT_EQ(S_OK, c.call("Close").hr);
  Late again = Connect();
  Late rs = RunSql(again, OLESTR("SELECT COUNT(*) AS n FROM t"));
  EXPECT_EQ(2, FieldValue(rs, OLESTR("n")).get().lVal);
}

TEST_F(AdoOdbc, ReleasingInATransactionRollsBack) {
  {
    Late c = Connect();
    RunSql(c, OLESTR("CREATE TABLE t (v INTEGER)"));
    ASSERT_EQ(S_OK, c.call("BeginTrans").hr);
    RunSql(c, OLESTR("INSERT INTO t VALUES (1)"));
  }
  Late c = Connect();
  Late rs = RunSql(c, OLESTR("SELECT COUNT(*) AS n FROM t"));
  EXPECT_EQ(0, FieldValue(rs, OLESTR("n")).get().lVal);
}

// ODBC takes a connection string's length as a SQLSMALLINT: a longer one
// fails, saying so, rather than reach the driver cut. The long attribute
// comes first, so a cut string would lose the driver and the file.
TEST_F(AdoOdbc, ConnectionStringsBeyondOdbcsLengthFailClearly) {
  for (size_t length : {40000u, 70000u}) {
    Late c = NewConnection();
    WideString text =
        OLESTR("Padding=") + WideString(length, OLECHAR('x')) + OLESTR(";") + connectionString_;
    CallResult r = OpenConnection(c, text);
    EXPECT_EQ(DISP_E_EXCEPTION, r.hr) << length;
    EXPECT_NE(WideString::npos, r.description.find(OLESTR("32767"))) << length;
    EXPECT_EQ(0, c.get("State").value.get().lVal);
  }
}

TEST_F(AdoOdbc, AnUnknownDriverFailsWithTheDriverManagersMessage) {
  Late c = NewConnection();
  CallResult r = OpenConnection(c, OLESTR("Driver={No Such Driver};Database=x"));
  EXPECT_EQ(DISP_E_EXCEPTION, r.hr);
  EXPECT_FALSE(r.description.empty());
  EXPECT_EQ(0, c.get("State").value.get().lVal);
}

}  // namespace

}  // namespace qorvid::ado
