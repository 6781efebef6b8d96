// Every UTF-16 unit of a text reaches the database and comes back, on each
// engine the ADO layer reaches: SQLite embedded (UTF-8) and PostgreSQL and
// MariaDB through ODBC's wide calls. The server engines run under
// scripts/with-postgres and scripts/with-mariadb; without them they skip.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/ado/late_call.h"

namespace qorvid::ado {

namespace {

struct Engine {
  std::string name;
  // The environment variable naming the server; empty for SQLite.
  const char* connectionVariable;
  const char* lengthFunction;  // characters, not bytes
  char quote;                  // of identifiers
};

void PrintTo(const Engine& e, std::ostream* os) { *os << e.name; }

std::string Narrow(const WideString& w) {
  std::string out;
  for (OLECHAR c : w) out += c < 0x80 ? static_cast<char>(c) : '?';
  return out;
}

WideString Text(const Variant& v) {
  return v.vt() == VT_BSTR ? WideString(v.get().bstrVal, SysStringLen(v.get().bstrVal))
                           : WideString();
}

// Equal texts; a failure says where they part rather than printing both,
// which may be thousands of units long.
::testing::AssertionResult SameText(const WideString& expected, const WideString& actual) {
  if (expected == actual) return ::testing::AssertionSuccess();
  size_t at = 0;
  while (at < expected.size() && at < actual.size() && expected[at] == actual[at]) ++at;
  return ::testing::AssertionFailure() << expected.size() << " units expected, " << actual.size()
                                       << " read; they part at unit " << at;
}

// Code points, as the databases count characters: a pair is one.
LONG CodePoints(const WideString& w) {
  LONG n = 0;
  for (OLECHAR c : w) n += c < 0xDC00 || c > 0xDFFF;
  return n;
}

WideString Repeated(const char* utf8, int times) {
  WideString one = U(utf8), out;
  for (int i = 0; i < times; ++i) out += one;
  return out;
}

// The texts of every kind: letters of the Kazakh alphabet beyond cp1251,
// CJK, a character beyond the BMP (a surrogate pair), a combining accent,
// signs, and plain Russian that the ANSI code page holds too.
const std::vector<WideString>& Texts() {
  static const std::vector<WideString> texts = {
      U("әғқңөұүһ ӘҒҚҢӨҰҮҺ"),
      U("日本語"),
      U("😀"),
      U("café") + WideString(1, OLECHAR(0x0301)) + U(" e") + WideString(1, OLECHAR(0x0301)),
      U("€ 100, № 7"),
      U("Привет, мир: ёЁ"),
      U("日本語 café қазақ 😀"),
      // Longer than a bound text buffer (256 units), which cuts a pair in two.
      U("a") + Repeated("😀", 300),
      // Longer than a piece read alone (8192 bytes).
      Repeated("日本😀", 3000),
  };
  return texts;
}

class AdoUnicode : public ::testing::TestWithParam<Engine> {
 protected:
  void SetUp() override {
    const Engine& e = GetParam();
    WideString connection;
    if (e.connectionVariable) {
      const char* given = std::getenv(e.connectionVariable);
      if (!given || !*given) GTEST_SKIP() << e.connectionVariable << " is not set (no server)";
      connection = U(given);
    } else {
      // A file name of the same characters: the connection string carries them too.
      path_ = std::filesystem::temp_directory_path() /
              std::filesystem::u8path("qorvid-қазақ-日本-😀-" + std::to_string(getpid()) + ".db");
      connection = OLESTR("Provider=SQLite;Data Source=") + U(path_.u8string().c_str());
    }
    c_ = NewConnection();
    CallResult r = OpenConnection(c_, connection);
    ASSERT_EQ(S_OK, r.hr) << Narrow(r.description);
  }
  void TearDown() override {
    // The servers' database is shared with other suites, which list its tables.
    if (c_) Execute(c_, OLESTR("DROP TABLE IF EXISTS u"));
    c_ = Late();
    if (!path_.empty()) std::filesystem::remove(path_);
  }

  WideString quoted(const WideString& name) const {
    const OLECHAR q = static_cast<OLECHAR>(GetParam().quote);
    return q + name + q;
  }
  void freshTable(const WideString& definition) {
    Execute(c_, OLESTR("DROP TABLE IF EXISTS u"));
    RunSql(c_, OLESTR("CREATE TABLE u ") + definition);
  }

  Late c_;
  std::filesystem::path path_;
};

TEST_P(AdoUnicode, TextsComeBackAsTheyWentAndTheDatabaseHoldsTheirCharacters) {
  freshTable(OLESTR("(n INTEGER, x TEXT)"));
  const std::vector<WideString>& texts = Texts();
  for (size_t i = 0; i < texts.size(); ++i)
    RunSql(c_, OLESTR("INSERT INTO u VALUES (") + WideString(1, OLECHAR('0' + i)) + OLESTR(", '") +
                   texts[i] + OLESTR("')"));
  const WideString length = U(GetParam().lengthFunction);
  for (size_t i = 0; i < texts.size(); ++i) {
    SCOPED_TRACE("text " + std::to_string(i));
    const WideString n(1, OLECHAR('0' + i));
    Late rs =
        RunSql(c_, OLESTR("SELECT x, ") + length + OLESTR("(x) AS len FROM u WHERE n = ") + n);
    ASSERT_FALSE(IsEof(rs));
    EXPECT_TRUE(SameText(texts[i], Text(FieldValue(rs, OLESTR("x")))));
    // Counted by the database: a text that reached it as mojibake, or with
    // a pair split, would have another length even if it came back whole.
    Variant counted = FieldValue(rs, OLESTR("len"));
    ASSERT_EQ(S_OK, VariantChangeType(counted.ptr(), counted.ptr(), 0, VT_I4));
    EXPECT_EQ(CodePoints(texts[i]), counted.get().lVal);
    // The database compares the stored text with the literal once more.
    Late found = RunSql(c_, OLESTR("SELECT n FROM u WHERE x = '") + texts[i] + OLESTR("'"));
    ASSERT_FALSE(IsEof(found));
    Variant number = FieldValue(found, OLESTR("n"));
    ASSERT_EQ(S_OK, VariantChangeType(number.ptr(), number.ptr(), 0, VT_I4));
    EXPECT_EQ(static_cast<LONG>(i), number.get().lVal);
  }
}

TEST_P(AdoUnicode, ColumnNamesKeepTheirCharacters) {
  const WideString names[] = {U("имя_қазақ_日本語"), U("cafe") + WideString(1, OLECHAR(0x0301)),
                              U("№_€")};
  Late rs = RunSql(c_, OLESTR("SELECT 1 AS ") + quoted(names[0]) + OLESTR(", 2 AS ") +
                           quoted(names[1]) + OLESTR(", 3 AS ") + quoted(names[2]));
  ASSERT_EQ(3, FieldCount(rs));
  for (LONG i = 0; i < 3; ++i) {
    Variant index = Variant::fromInt(i);
    CallResult field = rs.getWith("Fields", VariantRef(index.ptr()));
    ASSERT_EQ(S_OK, field.hr);
    CallResult name = Late(field.value).get("Name");
    ASSERT_EQ(S_OK, name.hr);
    EXPECT_EQ(names[i], Text(name.value)) << i;
    // And found by that name.
    Variant value = FieldValue(rs, names[i]);
    ASSERT_EQ(S_OK, VariantChangeType(value.ptr(), value.ptr(), 0, VT_I4));
    EXPECT_EQ(i + 1, value.get().lVal);
  }
}

TEST_P(AdoUnicode, AnErrorMessageQuotesTheTextWhole) {
  const WideString missing = U("нет_таблицы_қ_日本語");
  CallResult r = Execute(c_, OLESTR("SELECT * FROM ") + quoted(missing));
  ASSERT_NE(S_OK, r.hr);
  EXPECT_NE(WideString::npos, r.description.find(missing)) << Narrow(r.description);
}

TEST_P(AdoUnicode, ALoneSurrogateIsTheDatabasesBusiness) {
  // Refused by the database or stored with its replacement: either is
  // fine, as long as the call answers and a text read back is a text.
  freshTable(OLESTR("(x TEXT)"));
  const WideString lone[] = {WideString(1, OLECHAR(0xD83D)), WideString(1, OLECHAR(0xDE00)),
                             U("a") + WideString(1, OLECHAR(0xDC00)) + U("b")};
  for (const WideString& text : lone) {
    CallResult insert = Execute(c_, OLESTR("INSERT INTO u VALUES ('") + text + OLESTR("')"));
    EXPECT_TRUE(insert.hr == S_OK || insert.hr == DISP_E_EXCEPTION) << insert.hr;
    CallResult select = Execute(c_, OLESTR("SELECT '") + text + OLESTR("' AS x"));
    if (select.hr != S_OK) {
      EXPECT_EQ(DISP_E_EXCEPTION, select.hr);
      EXPECT_FALSE(select.description.empty());
      continue;
    }
    Late rs(select.value);
    if (!IsEof(rs)) {
      EXPECT_EQ(VT_BSTR, FieldValue(rs, OLESTR("x")).vt());
    }
  }
  Late all = RunSql(c_, OLESTR("SELECT x FROM u"));
  while (!IsEof(all)) {
    EXPECT_EQ(VT_BSTR, FieldValue(all, OLESTR("x")).vt());
    ASSERT_EQ(S_OK, all.call("MoveNext").hr);
  }
}

INSTANTIATE_TEST_SUITE_P(Sqlite, AdoUnicode,
                         ::testing::Values(Engine{"SQLite", nullptr, "length", '"'}));
INSTANTIATE_TEST_SUITE_P(Postgres, AdoUnicode,
                         ::testing::Values(Engine{"PostgreSQL", "QORVID_PG_CONNECTION", "length",
                                                  '"'}));
INSTANTIATE_TEST_SUITE_P(MariaDB, AdoUnicode,
                         ::testing::Values(Engine{"MariaDB", "QORVID_MARIADB_CONNECTION",
                                                  "CHAR_LENGTH", '`'}));

}  // namespace

}  // namespace qorvid::ado
