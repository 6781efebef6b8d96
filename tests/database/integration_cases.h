// Script-level cases run on a real database through the ADO-compatible layer.
// Each backend's test program instantiates them with its connection string.
#pragma once

#include <gtest/gtest.h>

#include <cctype>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ado/ado_registration.h"
#include "automation/automation.h"
#include "host/host_object.h"
#include "tests/database/script_session.h"

namespace qorvid {
using namespace qorvid::host;

struct TestDatabase {
  std::string name;
  // The connection string for one test (named so that it can be told apart
  // from others); empty when the backend is not available here.
  std::function<std::string(const std::string& test)> connect;
  // Removes what connect made for the test.
  std::function<void(const std::string& test)> cleanUp;
  // The column type for raw bytes, and a literal of the bytes 01 FF in it.
  std::string blobType;
  std::string blobLiteral;
  // The column type for a date with its milliseconds.
  std::string dateType = "TIMESTAMP";
  // The column type for texts of 9000 characters.
  std::string longTextType = "VARCHAR(9000)";
  // A statement that turns the engine's other reading of backslashes on
  // (empty where there is none).
  std::string otherBackslashReading;
};

inline void PrintTo(const TestDatabase& database, std::ostream* out) { *out << database.name; }

inline std::string PrintBackend(const ::testing::TestParamInfo<TestDatabase>& info) {
  return info.param.name;
}

class DatabaseIntegration : public ::testing::TestWithParam<TestDatabase> {
 protected:
  void SetUp() override {
    AdoRegisterInProcess();
    PlatformSetUserLocale(MAKELCID(MAKELANGID(LANG_ENGLISH, SUBLANG_DEFAULT), SORT_DEFAULT));
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    for (char c : std::string(info->name()))
      test_ += std::isalnum(static_cast<unsigned char>(c))
                   ? static_cast<char>(std::tolower(static_cast<unsigned char>(c)))
                   : '_';
    connection_ = GetParam().connect(test_);
    if (connection_.empty()) GTEST_SKIP() << GetParam().name << " is not available here";
    // Tests of one backend may share a database: each has a table of its own,
    // named short enough that a server does not cut "_missing" off it.
    table = "t_" + test_.substr(0, 40);
    session = open();
    session->call("Execute", {Variant::fromUtf8("DROP TABLE IF EXISTS " + table)});
  }

  void TearDown() override {
    session.reset();
    if (connection_.empty()) return;
    auto last = open();
    last->call("Execute", {Variant::fromUtf8("DROP TABLE IF EXISTS " + table)});
    last.reset();
    if (GetParam().cleanUp) GetParam().cleanUp(test_);
  }

  std::unique_ptr<ScriptSession> open() {
    std::unique_ptr<ScriptSession> s(new ScriptSession);
    s->call("Open", {Variant::fromUtf8(connection_)});
    EXPECT_EQ(s->errorMsg(), "") << connection_;
    return s;
  }

  // Open again on the same component object.
  void reopen() {
    session->call("Open", {Variant::fromUtf8(connection_)});
    EXPECT_EQ(session->errorMsg(), "");
  }

  std::string count() { return session->scalar("SELECT COUNT(*) FROM " + table); }

  Variant field(const char* name) { return session->call("GetField", {Variant::fromUtf8(name)}); }
  std::string fieldText(const char* name) { return ValueText(field(name)); }
  std::string dateTimeText(const char* name) {
    return ValueText(session->call("GetFieldAsDateTime", {Variant::fromUtf8(name)}));
  }

  // Runs text as a prepared statement with the values bound in order.
  void prepared(const std::string& text, const std::vector<Variant>& values) {
    session->call("PrepareQuery", {Variant::fromUtf8(text)});
    for (const Variant& v : values) session->call("Bind", {v});
    session->call("Execute");
    EXPECT_EQ(session->errorMsg(), "") << text;
  }

  std::string table;
  std::unique_ptr<ScriptSession> session;

 private:
  std::string test_;
  std::string connection_;
};

namespace integration {
inline Variant Text(const std::string& cp1251) { return Variant::fromUtf8(cp1251); }
inline Variant Int(LONG i) { return Variant::fromInt(i); }
const double kMade = 38051.0 + (9 * 3600 + 7 * 60 + 3) / 86400.0;  // 2004-03-05 09:07:03
const double kMadeAtTen = 38051.0 + (10 * 3600 + 20 * 60) / 86400.0;

inline bool SameNameIgnoringCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}
}  // namespace integration

using namespace integration;

TEST_P(DatabaseIntegration, ReadLoopGivesTheValuesTypesAndTexts) {
  session->exec("CREATE TABLE " + table +
                " (Code INTEGER, Name VARCHAR(40), Price DOUBLE PRECISION, Made " +
                GetParam().dateType + ")");
  prepared(
      "INSERT INTO " + table + " (Code, Name, Price, Made) VALUES (?, ?, ?, ?)",
      {Int(1), Text(std::string("Болт it's")), Variant::fromDouble(2.5), Variant::fromDate(kMade)});
  session->exec("INSERT INTO " + table + " (Code, Name, Price, Made) VALUES (2, NULL, NULL, NULL)");

  session->exec("SELECT Code, Name, Price, Made FROM " + table + " ORDER BY Code");
  EXPECT_EQ(session->fieldsCount(), 4);
  EXPECT_TRUE(SameNameIgnoringCase(ValueText(session->call("FieldName", {Int(0)})), "Code"));
  EXPECT_TRUE(SameNameIgnoringCase(ValueText(session->call("FieldName", {Int(3)})), "Made"));

  ASSERT_FALSE(session->eof());
  Variant code = field("Code");
  ASSERT_EQ(code.vt(), VT_I4);
  EXPECT_EQ(code.get().lVal, 1);
  Variant name = field("Name");
  ASSERT_EQ(name.vt(), VT_BSTR);
  EXPECT_EQ(ValueText(name), std::string("Болт it's"));
  EXPECT_EQ(ValueText(session->call("GetField", {Int(2)})), "2.5");
  Variant made = field("Made");
  ASSERT_EQ(made.vt(), VT_DATE);
  EXPECT_NEAR(made.get().date, kMade, 1e-8);
  EXPECT_EQ(dateTimeText("Made"), "2004-03-05 09:07:03");
  EXPECT_EQ(dateTimeText("Name"), "");

  session->call("MoveNext");
  ASSERT_FALSE(session->eof());
  EXPECT_EQ(field("Name").vt(), VT_BSTR);
  EXPECT_EQ(fieldText("Name"), "");
  EXPECT_EQ(fieldText("Price"), "");
  EXPECT_EQ(dateTimeText("Made"), "");

  session->call("MoveNext");
  EXPECT_TRUE(session->eof());
  session->call("MoveNext");
  EXPECT_NE(session->errorMsg(), "") << "moving past the end fails";
}

// Texts of every length around the size a row's text is first read into,
// over more rows than are read at once: each comes back whole, in its row.
TEST_P(DatabaseIntegration, ManyRowsOfShortAndLongTextsReadBackWhole) {
  const std::string& text = GetParam().longTextType;
  session->exec("CREATE TABLE " + table + " (Id INTEGER, Name " + text + ", Note " + text + ")");
  const int kRows = 300;
  std::string rows;
  for (int i = 1; i <= kRows; ++i)
    rows += (i > 1 ? ", (" : "(") + std::to_string(i) + ", 'Name " + std::to_string(i) + "')";
  session->exec("INSERT INTO " + table + " (Id, Name) VALUES " + rows);
  std::vector<std::string> names(kRows + 1), notes(kRows + 1);
  for (int i = 1; i <= kRows; ++i) names[i] = "Name " + std::to_string(i);
  std::string cyrillic;
  for (int k = 0; k < 8000; ++k) cyrillic += std::string("Ж");
  // Rows whose Id % every is at get the text, the later updates winning.
  const struct {
    const char* column;
    std::vector<std::string>* values;
    int every, at;
    std::string text;
  } updates[] = {
      {"Note", &notes, 1, 0, std::string("ж")},
      {"Note", &notes, 3, 0, ""},
      {"Note", &notes, 7, 1, std::string(255, 'n')},
      {"Note", &notes, 7, 2, std::string(256, 'n')},
      {"Note", &notes, 7, 3, std::string(257, 'n')},
      {"Name", &names, 50, 7, cyrillic},
      {"Note", &notes, 40, 39, std::string(4000, 'x')},
  };
  for (const auto& u : updates) {
    session->exec("UPDATE " + table + " SET " + u.column + " = '" + u.text + "' WHERE Id % " +
                  std::to_string(u.every) + " = " + std::to_string(u.at));
    for (int i = 1; i <= kRows; ++i)
      if (i % u.every == u.at) (*u.values)[i] = u.text;
  }
  // NULL reads as an empty text.
  session->exec("UPDATE " + table + " SET Note = NULL WHERE Id % 11 = 5");
  for (int i = 5; i <= kRows; i += 11) notes[i].clear();
  session->exec("SELECT Id, Name, Note FROM " + table + " ORDER BY Id");
  for (int i = 1; i <= kRows; ++i) {
    ASSERT_FALSE(session->eof()) << i;
    ASSERT_EQ(fieldText("Id"), std::to_string(i));
    EXPECT_EQ(fieldText("Name"), names[i]) << i;
    EXPECT_EQ(fieldText("Note"), notes[i]) << i;
    session->call("MoveNext");
  }
  EXPECT_TRUE(session->eof());
}

TEST_P(DatabaseIntegration, ColumnTypesReachTheScriptAsTheTableMapsThem) {
  session->exec("CREATE TABLE " + table +
                " (Id INTEGER, Big BIGINT, Ratio REAL, Flag BOOLEAN, Raw " + GetParam().blobType +
                ", Note VARCHAR(40))");
  session->exec("INSERT INTO " + table + " VALUES (1, 5000000000, 0.5, TRUE, " +
                GetParam().blobLiteral + ", " + std::string("'it''s Ёж'") + ")");
  session->exec("INSERT INTO " + table + " VALUES (2, 7, NULL, FALSE, NULL, NULL)");
  session->exec("SELECT Id, Big, Ratio, Flag, Raw, Note FROM " + table + " ORDER BY Id");

  EXPECT_EQ(field("Id").vt(), VT_I4);
  Variant big = field("Big");
  EXPECT_EQ(big.vt(), VT_BSTR) << "a 64-bit value outside 32 bits becomes text";
  EXPECT_EQ(ValueText(big), "5000000000");
  EXPECT_EQ(fieldText("Ratio"), "0.5");
  EXPECT_EQ(fieldText("Flag"), "1");
  EXPECT_EQ(fieldText("Note"), std::string("it's Ёж"));
  session->call("MoveNext");
  Variant small = field("Big");
  EXPECT_EQ(small.vt(), VT_I4);
  EXPECT_EQ(ValueText(small), "7");
  EXPECT_EQ(fieldText("Flag"), "0");
  for (const char* name : {"Ratio", "Raw", "Note"}) EXPECT_EQ(fieldText(name), "") << name;

  session->exec("SELECT Raw FROM " + table + " WHERE Id=1");
  field("Raw");
  EXPECT_EQ(session->errorMsg(), std::string("Ошибка преобразования значения поля Raw\r\n"
                                             "Тип не поддерживается: Raw\r\n"));
}

TEST_P(DatabaseIntegration, DatesRoundTripWithAndWithoutTime) {
  session->exec("CREATE TABLE " + table + " (Id INTEGER, Made " + GetParam().dateType + ")");
  prepared("INSERT INTO " + table + " (Id, Made) VALUES (1, ?)", {Variant::fromDate(kMade)});
  session->setTime("10:20");
  prepared("INSERT INTO " + table + " (Id, Made) VALUES (2, ?)", {Variant::fromDate(kMade)});

  session->exec("SELECT Id, Made FROM " + table + " ORDER BY Id");
  EXPECT_EQ(dateTimeText("Made"), "2004-03-05 09:07:03");
  session->call("MoveNext");
  EXPECT_EQ(dateTimeText("Made"), "2004-03-05 10:20:00");

  // A bound date compares as a date.
  prepared("SELECT Id FROM " + table + " WHERE Made=?", {Variant::fromDate(kMadeAtTen)});
  ASSERT_FALSE(session->eof());
  EXPECT_EQ(fieldText("Id"), "2");
}

// Values that reach the database and come back unchanged: 64-bit integers to
// the last digit, milliseconds of a bound date, four-digit years below 1000,
// and the largest double.
TEST_P(DatabaseIntegration, ExactValuesRoundTrip) {
  session->exec("CREATE TABLE " + table + " (Id INTEGER, Big BIGINT, Made " + GetParam().dateType +
                ", " + "Price DOUBLE PRECISION)");
  session->exec("INSERT INTO " + table + " (Id, Big) VALUES (1, 9007199254740993)");
  session->exec("INSERT INTO " + table + " (Id, Big) VALUES (2, -9223372036854775808)");
  const struct {
    double date;
    const char* text;
  } dates[] = {
      {38051.0 + 5 / 86400000.0, "2004-03-05 00:00:00.005"},
      {38051.0 + 50 / 86400000.0, "2004-03-05 00:00:00.050"},
      {38051.0 + 86399999 / 86400000.0, "2004-03-05 23:59:59.999"},
      {-329022, "0999-03-01 00:00:00"},
      {-657434, "0100-01-01 00:00:00"},
  };
  LONG id = 3;
  for (const auto& d : dates)
    prepared("INSERT INTO " + table + " (Id, Made) VALUES (?, ?)",
             {Int(id++), Variant::fromDate(d.date)});
  const double largest = 1.7976931348623157e308;
  prepared("INSERT INTO " + table + " (Id, Price) VALUES (?, ?)",
           {Int(id), Variant::fromDouble(largest)});

  session->exec("SELECT Big, Made, Price FROM " + table + " ORDER BY Id");
  EXPECT_EQ(fieldText("Big"), "9007199254740993");
  session->call("MoveNext");
  EXPECT_EQ(fieldText("Big"), "-9223372036854775808");
  for (const auto& d : dates) {
    session->call("MoveNext");
    EXPECT_EQ(dateTimeText("Made"), d.text);
    Variant made = field("Made");
    ASSERT_EQ(made.vt(), VT_DATE) << d.text;
    EXPECT_NEAR(made.get().date, d.date, 0.1 / 86400000.0) << d.text;
  }
  session->call("MoveNext");
  EXPECT_EQ(fieldText("Price"), ValueText(Variant::fromDouble(largest)));
}

// A Time text can only make its date literal fail, on each road a date
// literal takes; the statement it tried to smuggle in never runs.
TEST_P(DatabaseIntegration, TimeTextNeverRunsAsSql) {
  session->exec("CREATE TABLE " + table + " (Id INTEGER, Made " + GetParam().dateType + ")");
  session->exec("INSERT INTO " + table + " (Id) VALUES (1)");
  const std::string injected = "10:20'); DROP TABLE " + table + "; --";
  const Variant date = Variant::fromDate(kMade);
  const std::vector<std::function<void()>> roads = {
      [&] {
        session->call("PrepareQuery", {Text("UPDATE " + table + " SET Made = ? WHERE Id = 1")});
        session->call("Bind", {date});
        session->call("Execute");
      },
      [&] {
        session->call("OpenRec", {Text(table)});
        session->call("KeyField", {Text("Made"), date});
        session->call("SaveRec");
      },
      [&] {
        session->call("OpenRec", {Text(table)});
        session->call("KeyField", {Text("Id"), Int(1)});
        session->call("DataField", {Text("Made"), date});
        session->call("SaveRec");
      },
  };
  for (size_t road = 0; road < roads.size(); ++road) {
    session->setTime(injected);
    roads[road]();
    EXPECT_NE(session->errorMsg(), "") << "road " << road;
    reopen();
    EXPECT_EQ(count(), "1") << "road " << road;
  }
}

TEST_P(DatabaseIntegration, SaveRecInsertsAMissingRowAndUpdatesAnExistingOne) {
  session->exec("CREATE TABLE " + table +
                " (Code INTEGER, Line INTEGER, Name VARCHAR(40), Price DOUBLE PRECISION)");
  session->exec("SELECT Code, Line FROM " + table);
  session->call("OpenRec", {Text(table)});
  session->call("KeyField", {Text("Code"), Int(15)});
  session->call("KeyField", {Text("Line"), Int(3)});
  session->call("DataField", {Text("Name"), Text("Bolt")});
  session->call("DataField", {Text("Price"), Variant::fromDouble(2.5)});
  session->call("SaveRec");
  ASSERT_EQ(session->errorMsg(), "");
  EXPECT_EQ(session->fieldsCount(), 2) << "SaveRec leaves the field count";

  session->call("OpenRec", {Text(table)});
  session->call("KeyField", {Text("Code"), Int(15)});
  session->call("KeyField", {Text("Line"), Int(3)});
  session->call("DataField", {Text("Name"), Text(std::string("Гайка"))});
  session->call("SaveRec");
  ASSERT_EQ(session->errorMsg(), "");

  EXPECT_EQ(count(), "1");
  session->exec("SELECT Code, Line, Name, Price FROM " + table);
  EXPECT_EQ(fieldText("Code"), "15");
  EXPECT_EQ(fieldText("Line"), "3");
  EXPECT_EQ(fieldText("Name"), std::string("Гайка"));
  EXPECT_EQ(fieldText("Price"), "2.5");
}

TEST_P(DatabaseIntegration, ObjectKeysRoundTrip) {
  session->exec("CREATE TABLE " + table + " (Id INTEGER, Ref VARCHAR(16))");
  ComPtr<HostObject> item = HostObject::create("O", 1, 5, "   ");
  Variant itemValue = Variant::fromDispatch(item.get());
  session->call("OpenRec", {Text(table)});
  session->call("KeyField", {Text("Id"), Int(1)});
  session->call("DataField", {Text("Ref"), itemValue});
  session->call("SaveRec");
  ASSERT_EQ(session->errorMsg(), "");

  session->exec("SELECT Ref FROM " + table);
  EXPECT_EQ(fieldText("Ref"), "O_____1_____5___");
  Variant object = session->call("GetFieldAsObject", {Text("Ref")});
  ASSERT_EQ(session->errorMsg(), "");
  ASSERT_EQ(object.vt(), VT_DISPATCH);
  HostObject* rebuilt = HostObject::from(object.get().pdispVal);
  ASSERT_NE(rebuilt, nullptr);
  EXPECT_EQ(rebuilt->typeId(), "O");
  EXPECT_EQ(rebuilt->firstNumber(), 1);
  EXPECT_EQ(rebuilt->objectNumber(), 5);
  EXPECT_EQ(rebuilt->suffix(), "   ");
}

TEST_P(DatabaseIntegration, TransactionsCommitAndRollBack) {
  session->exec("CREATE TABLE " + table + " (Id INTEGER, Name VARCHAR(10))");
  session->call("BeginTrans");
  session->exec("INSERT INTO " + table + " (Id) VALUES (1)");
  session->call("OpenRec", {Text(table)});
  session->call("KeyField", {Text("Id"), Int(2)});
  session->call("DataField", {Text("Name"), Text("x")});
  session->call("SaveRec");
  EXPECT_EQ(session->errorMsg(), "");
  session->call("RollbackTrans");
  EXPECT_EQ(session->errorMsg(), "");
  EXPECT_EQ(count(), "0");

  session->call("BeginTrans");
  session->exec("INSERT INTO " + table + " (Id) VALUES (3)");
  session->call("CommitTrans");
  EXPECT_EQ(session->errorMsg(), "");
  auto other = open();
  EXPECT_EQ(other->scalar("SELECT COUNT(*) FROM " + table), "1");
}

TEST_P(DatabaseIntegration, FailureInsideATransactionLeavesTheRollbackToTheScript) {
  session->exec("CREATE TABLE " + table + " (Id INTEGER)");
  session->call("BeginTrans");
  session->exec("INSERT INTO " + table + " (Id) VALUES (1)");
  session->call("Execute", {Text("INSERT INTO " + table + "_missing (Id) VALUES (1)")});
  EXPECT_NE(session->errorMsg(), "");
  // The failure path's Close was refused: the connection is still open.
  session->call("RollbackTrans");
  EXPECT_EQ(session->errorMsg(), "");
  EXPECT_EQ(count(), "0");
}

TEST_P(DatabaseIntegration, ReleasingTheComponentRollsBackAnOpenTransaction) {
  session->exec("CREATE TABLE " + table + " (Id INTEGER)");
  session->call("BeginTrans");
  session->exec("INSERT INTO " + table + " (Id) VALUES (1)");
  session.reset();
  session = open();
  EXPECT_EQ(count(), "0");
}

TEST_P(DatabaseIntegration, ANewOpenRollsBackAnOpenTransaction) {
  session->exec("CREATE TABLE " + table + " (Id INTEGER)");
  session->call("BeginTrans");
  session->exec("INSERT INTO " + table + " (Id) VALUES (1)");
  reopen();
  EXPECT_EQ(count(), "0");
}

TEST_P(DatabaseIntegration, BadStatementReachesErrorMsgAndClosesTheConnection) {
  const std::string statement = "SELECT * FROM " + table + "_missing";
  session->call("Execute", {Text(statement)});
  const std::string message = session->errorMsg();
  const std::string prefix = std::string("Ошибка запроса ") + statement + "\r\n";
  const std::string suffix = "\r\n" + statement;
  ASSERT_GT(message.size(), prefix.size() + suffix.size());
  EXPECT_EQ(message.substr(0, prefix.size()), prefix);
  EXPECT_EQ(message.substr(message.size() - suffix.size()), suffix);
  const std::string provider =
      message.substr(prefix.size(), message.size() - prefix.size() - suffix.size());
  EXPECT_NE(provider.back(), '.') << provider;
  EXPECT_NE(provider.find("_missing"), std::string::npos) << provider;

  session->call("Execute", {Text("SELECT 1")});
  EXPECT_NE(session->errorMsg(), "") << "the failure closed the connection";
  session = open();
  session->exec("SELECT 1");
}

// A NUL in statement text could end it early ("DELETE FROM t\0 WHERE ...")
// or stall the engine; every road that puts script text into a statement
// must fail clearly and change nothing.
TEST_P(DatabaseIntegration, NulInStatementTextFailsOnEveryRoadAndChangesNothing) {
  const std::string nul(1, '\0');
  session->exec("CREATE TABLE " + table + " (Id INTEGER, Name VARCHAR(10), At " +
                GetParam().dateType + ")");
  session->exec("INSERT INTO " + table + " (Id, Name) VALUES (1, 'a')");
  session->exec("INSERT INTO " + table + " (Id, Name) VALUES (2, 'b')");
  const std::function<void()> roads[] = {
      [&] { session->call("Execute", {Text("DELETE FROM " + table + nul + " WHERE Id = 1")}); },
      [&] {
        session->call("PrepareQuery", {Text("DELETE FROM " + table + nul + " WHERE Id = ?")});
        session->call("Bind", {Int(1)});
        session->call("Execute");
      },
      [&] {
        session->call("PrepareQuery", {Text("UPDATE " + table + " SET Name = ? WHERE Id = 1")});
        session->call("Bind", {Text("x" + nul + "y")});
        session->call("Execute");
      },
      [&] {
        session->call("OpenRec", {Text(table + nul)});
        session->call("KeyField", {Text("Id"), Int(1)});
        session->call("DataField", {Text("Name"), Text("x")});
        session->call("SaveRec");
      },
      [&] {
        session->call("OpenRec", {Text(table)});
        session->call("KeyField", {Text("Id"), Text("3" + nul)});
        session->call("SaveRec");
      },
      [&] {
        session->setTime("10" + nul + ":20");
        session->call("OpenRec", {Text(table)});
        session->call("KeyField", {Text("Id"), Int(1)});
        session->call("DataField", {Text("At"), Variant::fromDate(kMade)});
        // Where dates are texts (SQLite), the time is refused at once.
        if (session->errorMsg().empty()) session->call("SaveRec");
      },
  };
  int road = 0;
  for (const auto& run : roads) {
    run();
    const std::string message = session->errorMsg();
    EXPECT_TRUE(message.find("NUL") != std::string::npos ||
                message.find(std::string("не подходит для даты")) != std::string::npos)
        << road << message;
    ++road;
    reopen();
  }
  EXPECT_EQ(count(), "2");
  EXPECT_EQ(session->scalar("SELECT COUNT(*) FROM " + table +
                            " WHERE At IS NULL AND Name IN "
                            "('a', 'b')"),
            "2");
}

// A failed statement may cost the whole transaction (PostgreSQL's way) or
// only itself (SQLite's); either way CommitTrans must not report a commit
// that leaves out rows saved before it succeeded.
TEST_P(DatabaseIntegration, CommitAfterAFailedStatementKeepsEveryRowOrFails) {
  session->exec("CREATE TABLE " + table + " (Id INTEGER)");
  session->call("BeginTrans");
  session->exec("INSERT INTO " + table + " (Id) VALUES (1)");
  // A syntax error: psqlodbc, undoing it, undoes the first INSERT too.
  session->call("Execute", {Text("UPDATE " + table + " SET WHERE Id = 1")});
  ASSERT_NE(session->errorMsg(), "");
  session->call("Execute", {Text("INSERT INTO " + table + " (Id) VALUES (3)")});
  const bool thirdSaved = session->errorMsg().empty();
  session->call("CommitTrans");
  if (session->errorMsg().empty()) {
    EXPECT_TRUE(thirdSaved);
    EXPECT_EQ(count(), "2");
  } else {
    session->call("RollbackTrans");
    session = open();
    EXPECT_EQ(count(), "0");
  }
}

namespace matrix {
// The engines of the matrix, in the order of its type and text columns.
enum Engine { kSqlite, kPostgres, kMariadb, kEngines };

inline Engine EngineOf(const TestDatabase& database) {
  if (database.name == "Postgres") return kPostgres;
  if (database.name == "Mariadb") return kMariadb;
  return kSqlite;
}

inline Variant Raw(VARTYPE vt, void (*fill)(VARIANT&)) {
  VARIANT v;
  VariantInit(&v);
  fill(v);
  v.vt = vt;
  return Variant::attach(v);
}

inline Variant Decimal28() {  // 123456789012345678.9012345678
  return Raw(VT_DECIMAL, [](VARIANT& v) {
    v.decVal.Hi32 = 0x3FD35EB;
    v.decVal.Lo64 = 0x6D797A91BE38F34EULL;
    v.decVal.scale = 10;
    v.decVal.sign = 0;
  });
}

// How a row can be found by the value: by a key and a WHERE, by a key only
// (null: IS NULL), or not at all.
enum Finding { kByBoth, kByKey, kNever };

// One kind of value: the column type it goes into on each engine (empty:
// the engine cannot hold it exactly, and the row is left out there), the
// text it reads back as, and how it finds its row.
struct ValueKind {
  const char* name;
  std::function<Variant()> value;
  std::string types[kEngines];
  std::string text;
  Finding finding = kByBoth;
  bool date = false;
};

// Letters of many scripts, a surrogate pair, a combining accent, and signs
// outside every single-byte code page but one or none.
const char kEveryScript[] = "日本語 café қазақ ә ғ ң ө ұ ү һ 😀 e\u0301 € № Ёжик";

inline const std::vector<ValueKind>& Kinds() {
  static const std::string kText =
      std::string("it's \\' \\\\ back\\slash -- not /* a */ comment\r\nЁжик \"q\" %_ ?");
  static const std::vector<ValueKind> kinds = {
      {"null",
       [] { return Raw(VT_NULL, [](VARIANT&) {}); },
       {"INTEGER", "INTEGER", "INTEGER"},
       "",
       kByKey},
      {"empty", [] { return Variant(); }, {"INTEGER", "INTEGER", "INTEGER"}, "", kByKey},
      {"omitted",
       [] { return Raw(VT_ERROR, [](VARIANT& v) { v.scode = DISP_E_PARAMNOTFOUND; }); },
       {"INTEGER", "INTEGER", "INTEGER"},
       "",
       kByKey},
      {"true", [] { return Variant::fromBool(true); }, {"BOOLEAN", "BOOLEAN", "BOOLEAN"}, "1"},
      {"false", [] { return Variant::fromBool(false); }, {"BOOLEAN", "BOOLEAN", "BOOLEAN"}, "0"},
      {"true as integer",
       [] { return Variant::fromBool(true); },
       {"INTEGER", "INTEGER", "INTEGER"},
       "1"},
      {"i1",
       [] { return Raw(VT_I1, [](VARIANT& v) { v.cVal = -128; }); },
       {"SMALLINT", "SMALLINT", "SMALLINT"},
       "-128"},
      {"ui1",
       [] { return Raw(VT_UI1, [](VARIANT& v) { v.bVal = 255; }); },
       {"SMALLINT", "SMALLINT", "SMALLINT"},
       "255"},
      {"i2",
       [] { return Raw(VT_I2, [](VARIANT& v) { v.iVal = -32768; }); },
       {"SMALLINT", "SMALLINT", "SMALLINT"},
       "-32768"},
      {"ui2",
       [] { return Raw(VT_UI2, [](VARIANT& v) { v.uiVal = 65535; }); },
       {"INTEGER", "INTEGER", "INTEGER"},
       "65535"},
      {"i4",
       [] { return Variant::fromInt(-2147483647 - 1); },
       {"INTEGER", "INTEGER", "INTEGER"},
       "-2147483648"},
      {"int",
       [] { return Raw(VT_INT, [](VARIANT& v) { v.intVal = 2147483647; }); },
       {"INTEGER", "INTEGER", "INTEGER"},
       "2147483647"},
      {"ui4",
       [] { return Raw(VT_UI4, [](VARIANT& v) { v.ulVal = 4294967295u; }); },
       {"BIGINT", "BIGINT", "BIGINT"},
       "4294967295"},
      {"uint",
       [] { return Raw(VT_UINT, [](VARIANT& v) { v.uintVal = 4294967295u; }); },
       {"BIGINT", "BIGINT", "BIGINT"},
       "4294967295"},
      {"i8 min",
       [] { return Raw(VT_I8, [](VARIANT& v) { v.llVal = INT64_MIN; }); },
       {"BIGINT", "BIGINT", "BIGINT"},
       "-9223372036854775808"},
      {"i8 max",
       [] { return Raw(VT_I8, [](VARIANT& v) { v.llVal = INT64_MAX; }); },
       {"BIGINT", "BIGINT", "BIGINT"},
       "9223372036854775807"},
      {"ui8 max",
       [] { return Raw(VT_UI8, [](VARIANT& v) { v.ullVal = UINT64_MAX; }); },
       {"", "NUMERIC(20)", "BIGINT UNSIGNED"},
       "18446744073709551615"},
      {"single",
       [] { return Raw(VT_R4, [](VARIANT& v) { v.fltVal = 0.15625f; }); },
       {"REAL", "REAL", "FLOAT"},
       "0.15625"},
      // A float column holds 0.1 as a single; compared with the double 0.1 it
      // differs, so it is only read back.
      {"single 0.1",
       [] { return Raw(VT_R4, [](VARIANT& v) { v.fltVal = 0.1f; }); },
       {"REAL", "REAL", "FLOAT"},
       "0.1",
       kNever},
      {"double largest",
       [] { return Variant::fromDouble(1.7976931348623157e308); },
       {"DOUBLE PRECISION", "DOUBLE PRECISION", "DOUBLE PRECISION"},
       ValueText(Variant::fromDouble(1.7976931348623157e308))},
      {"double smallest normal",
       [] { return Variant::fromDouble(2.2250738585072014e-308); },
       {"DOUBLE PRECISION", "DOUBLE PRECISION", "DOUBLE PRECISION"},
       ValueText(Variant::fromDouble(2.2250738585072014e-308))},
      {"currency",
       [] { return Raw(VT_CY, [](VARIANT& v) { v.cyVal.int64 = -123456; }); },
       {"NUMERIC(19,4)", "NUMERIC(19,4)", "DECIMAL(19,4)"},
       "-12.3456"},
      {"currency min",
       [] { return Raw(VT_CY, [](VARIANT& v) { v.cyVal.int64 = INT64_MIN; }); },
       {"", "NUMERIC(19,4)", "DECIMAL(19,4)"},
       "-922337203685477.5808"},
      {"decimal 28 digits",
       Decimal28,
       {"", "NUMERIC(28,10)", "DECIMAL(28,10)"},
       "123456789012345678.9012345678"},
      {"date 5 ms",
       [] { return Variant::fromDate(38051.0 + (32823005) / 86400000.0); },
       {"TIMESTAMP", "TIMESTAMP(3)", "DATETIME(3)"},
       "2004-03-05 09:07:03.005",
       kByBoth,
       true},
      {"date year 100",
       [] { return Variant::fromDate(-657434); },
       {"TIMESTAMP", "TIMESTAMP(3)", "DATETIME(3)"},
       "0100-01-01 00:00:00",
       kByBoth,
       true},
      {"date year 1000",
       [] { return Variant::fromDate(-328716.5); },
       {"TIMESTAMP", "TIMESTAMP(3)", "DATETIME(3)"},
       "1000-01-01 12:00:00",
       kByBoth,
       true},
      {"date year 9999",
       [] { return Variant::fromDate(2958465 + 86399999 / 86400000.0); },
       {"TIMESTAMP", "TIMESTAMP(3)", "DATETIME(3)"},
       "9999-12-31 23:59:59.999",
       kByBoth,
       true},
      {"text",
       [] { return Variant::fromUtf8(kText); },
       {"VARCHAR(100)", "VARCHAR(100)", "VARCHAR(100)"},
       kText},
      {"text in every script",
       [] { return Variant::fromUtf8(kEveryScript); },
       {"VARCHAR(100)", "VARCHAR(100)", "VARCHAR(100)"},
       kEveryScript},
      {"text ending in a backslash",
       [] { return Variant::fromUtf8("C:\\dir\\"); },
       {"VARCHAR(100)", "VARCHAR(100)", "VARCHAR(100)"},
       "C:\\dir\\"},
      {"host object",
       [] {
         static ComPtr<HostObject> item = HostObject::create("O", 1, 5, "   ");
         return Variant::fromDispatch(item.get());
       },
       {"VARCHAR(16)", "VARCHAR(16)", "VARCHAR(16)"},
       "O_____1_____5___"},
  };
  return kinds;
}
}  // namespace matrix

// Every kind of value on every road into SQL comes back as itself: found by
// a key (SaveRec twice: the second finds the row, a null key with IS NULL)
// and by a bound WHERE, written by a bound INSERT and by SaveRec's INSERT
// and UPDATE, then read with GetField or GetFieldAsDateTime.
TEST_P(DatabaseIntegration, EveryValueKindRoundTripsOnEveryRoad) {
  using namespace matrix;
  const Engine engine = EngineOf(GetParam());
  for (const ValueKind& kind : Kinds()) {
    const std::string& type = kind.types[engine];
    if (type.empty()) continue;
    SCOPED_TRACE(kind.name);
    session->exec("DROP TABLE IF EXISTS " + table);
    session->exec("CREATE TABLE " + table + " (Id INTEGER, V " + type + ")");
    const Variant value = kind.value();

    for (int twice = 0; twice < 2 && kind.finding != kNever; ++twice) {
      session->call("OpenRec", {Text(table)});
      session->call("KeyField", {Text("V"), value});
      session->call("DataField", {Text("Id"), Int(1)});
      session->call("SaveRec");
      ASSERT_EQ(session->errorMsg(), "");
    }
    if (kind.finding == kNever)
      prepared("INSERT INTO " + table + " (Id, V) VALUES (1, ?)", {value});
    EXPECT_EQ(count(), "1") << "the second SaveRec found the row by its key";
    if (kind.finding == kByBoth) {
      prepared("SELECT Id FROM " + table + " WHERE V = ?", {value});
      ASSERT_FALSE(session->eof());
      EXPECT_EQ(fieldText("Id"), "1");
    }
    prepared("INSERT INTO " + table + " (Id, V) VALUES (?, ?)", {Int(2), value});
    session->call("OpenRec", {Text(table)});
    session->call("KeyField", {Text("Id"), Int(3)});
    session->call("DataField", {Text("V"), value});
    session->call("SaveRec");
    session->exec("INSERT INTO " + table + " (Id) VALUES (4)");
    session->call("OpenRec", {Text(table)});
    session->call("KeyField", {Text("Id"), Int(4)});
    session->call("DataField", {Text("V"), value});
    session->call("SaveRec");
    ASSERT_EQ(session->errorMsg(), "");

    session->exec("SELECT Id, V FROM " + table + " ORDER BY Id");
    for (int id = 1; id <= 4; ++id) {
      ASSERT_FALSE(session->eof());
      EXPECT_EQ(fieldText("Id"), std::to_string(id));
      EXPECT_EQ(kind.date ? dateTimeText("V") : fieldText("V"), kind.text) << "row " << id;
      session->call("MoveNext");
    }
    EXPECT_TRUE(session->eof());
  }
}

// Every character comes back unit for unit written into Execute's text,
// named as a column, and quoted by ErrorMsg; a lone surrogate, which no
// database stores, is refused or replaced by the database, never lost
// silently in the component or fatal.
TEST_P(DatabaseIntegration, EveryCharacterSurvivesExecuteNamesAndMessages) {
  using matrix::kEveryScript;
  session->exec("CREATE TABLE " + table + " (Id INTEGER, Name VARCHAR(100))");
  session->exec("INSERT INTO " + table + " (Id, Name) VALUES (1, '" + kEveryScript + "')");
  session->exec("SELECT Name AS Имя_日本語 FROM " + table);
  EXPECT_EQ(ValueText(session->call("FieldName", {Int(0)})), "Имя_日本語");
  EXPECT_EQ(fieldText("Имя_日本語"), kEveryScript);

  const std::string failing =
      "SELECT Nothing_ж FROM " + table + " WHERE Name = '" + kEveryScript + "'";
  session->call("Execute", {Text(failing)});
  EXPECT_NE(session->errorMsg().find(failing), std::string::npos) << session->errorMsg();

  reopen();
  const OLECHAR lone[] = {u'a', 0xD83D, u'b'};
  session->call("PrepareQuery", {Text("INSERT INTO " + table + " (Id, Name) VALUES (2, ?)")});
  session->call("Bind", {Variant::fromBstr(Bstr(lone, 3))});
  session->call("Execute");
  if (session->errorMsg().empty()) {
    session->exec("SELECT Name FROM " + table + " WHERE Id = 2");
    EXPECT_EQ(field("Name").vt(), VT_BSTR);
  }
}

// A hostile text stays a text on each road, under both of the engine's
// readings of a backslash: the server's default, and its other one set by
// the script after Open.
TEST_P(DatabaseIntegration, HostileTextStaysAText) {
  session->exec("CREATE TABLE " + table + " (Id INTEGER, Name VARCHAR(40))");
  session->exec("INSERT INTO " + table + " (Id, Name) VALUES (1, 'somebody')");
  const std::string hostile = "nobody\\' OR 1=1 -- ";
  std::vector<std::string> readings = {""};
  if (!GetParam().otherBackslashReading.empty())
    readings.push_back(GetParam().otherBackslashReading);
  LONG id = 2;
  for (const std::string& reading : readings) {
    SCOPED_TRACE(reading);
    if (!reading.empty()) session->exec(reading);
    // Only the row this text was stored in by the reading before, if any.
    prepared("SELECT COUNT(*) AS n FROM " + table + " WHERE Name = ?", {Text(hostile)});
    EXPECT_EQ(fieldText("n"), std::to_string(id - 2));
    session->call("OpenRec", {Text(table)});
    session->call("KeyField", {Text("Name"), Text(hostile)});
    session->call("DataField", {Text("Id"), Int(id)});
    session->call("SaveRec");
    ASSERT_EQ(session->errorMsg(), "");
    prepared("SELECT Name FROM " + table + " WHERE Id = ?", {Int(id)});
    ASSERT_FALSE(session->eof());
    EXPECT_EQ(fieldText("Name"), hostile);
    ++id;
  }
  EXPECT_EQ(count(), "2") << "each reading finds the row the other stored";
}

}  // namespace qorvid
