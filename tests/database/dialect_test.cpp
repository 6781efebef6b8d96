// What Open learns about the database: the connection's "DBMS Name", and
// for MariaDB/MySQL whether the server reads backslashes as escapes; a
// connection that answers nothing leaves the database unknown without a
// word.
#include "database/dialect.h"

#include <gtest/gtest.h>

#include "tests/database/component_runner.h"
#include "tests/database/fake_ado.h"

namespace qorvid {

namespace {

TEST(DbmsFromName, KnowsTheNamesDriversAndProvidersGive) {
  const struct {
    const char* name;
    Dbms dbms;
  } cases[] = {
      {"Microsoft SQL Server", Dbms::SqlServer},
      {"PostgreSQL", Dbms::PostgreSql},
      {"MariaDB", Dbms::MariaDb},
      {"MySQL", Dbms::MariaDb},
      {"SQLite", Dbms::Sqlite},
      {"MS Jet", Dbms::Access},
      {"ACCESS", Dbms::Access},
      {"Oracle", Dbms::Oracle},
      {"Firebird 3.0", Dbms::Firebird},
      {"InterBase", Dbms::Firebird},
      {"", Dbms::Unknown},
      {"DB2/LINUXX8664", Dbms::Unknown},
  };
  for (const auto& c : cases) EXPECT_EQ(DbmsFromName(c.name), c.dbms) << c.name;
}

class DialectTest : public ::testing::Test {
 protected:
  void SetUp() override { ado.queue(connection); }

  // The connection answers Properties("DBMS Name").Value with name.
  void dbmsName(const std::string& name) {
    connection.object.answer("Properties", DispatchValue(&properties));
    properties.answer("Item", DispatchValue(&property));
    property.answer("Value", Variant::fromUtf8(name));
  }
  // The next statement run answers sql_mode.
  void sqlMode(const std::string& mode) {
    FakeRecordset& answer = fakes.recordset({{"@@SESSION.sql_mode", Variant::fromUtf8(mode)}});
    connection.thenReturn(answer.value());
  }
  void open() {
    runner.call("Open", {Text("Provider=Fake")});
    ASSERT_EQ(runner.errorMsg(), "");
  }

  FakeAdoClass ado;
  // Declared so that each object outlives those that hold references to it.
  RecordingDispatch property, properties;
  FakeStore fakes;
  FakeConnection connection;
  ComponentRunner runner;
};

TEST_F(DialectTest, AConnectionWithoutPropertiesIsAnUnknownDatabase) {
  runner.state.dialect.dbms = Dbms::PostgreSql;  // from an earlier Open
  open();
  EXPECT_EQ(runner.state.dialect.dbms, Dbms::Unknown);
  EXPECT_EQ(connection.members(),
            (std::vector<std::string>{"CursorLocation", "ConnectionString", "Open"}));
}

TEST_F(DialectTest, TheNameIsReadAsItemOfProperties) {
  dbmsName("PostgreSQL");
  open();
  EXPECT_EQ(runner.state.dialect.dbms, Dbms::PostgreSql);
  EXPECT_FALSE(runner.state.dialect.backslashEscapes);
  ASSERT_EQ(properties.callsOf("Item").size(), 1u);
  EXPECT_EQ(TextOf(properties.callsOf("Item")[0].args[0]), "DBMS Name");
  EXPECT_TRUE(connection.statements().empty()) << "nothing asked of PostgreSQL";
}

TEST_F(DialectTest, FailingReadsLeaveNoTrace) {
  dbmsName("MariaDB");
  property.raise("Value", "Item cannot be found");
  open();
  EXPECT_EQ(runner.state.dialect.dbms, Dbms::Unknown);
}

TEST_F(DialectTest, MariadbIsAskedHowItReadsBackslashes) {
  const struct {
    bool answers;
    const char* mode;
    bool escapes;
  } cases[] = {
      {true, "STRICT_TRANS_TABLES,ERROR_FOR_DIVISION_BY_ZERO", true},
      {true, "STRICT_TRANS_TABLES,NO_BACKSLASH_ESCAPES", false},
      {true, "no_backslash_escapes", false},
      // Without an answer the backslash is doubled: the safe side.
      {false, "", true},
  };
  open();  // the connection SetUp queued
  for (const auto& c : cases) {
    FakeConnection& next = fakes.connection();
    ado.queue(next);
    next.object.answer("Properties", DispatchValue(&properties));
    properties.answer("Item", DispatchValue(&property));
    property.answer("Value", Variant::fromUtf8("MariaDB"));
    if (c.answers) {
      next.thenReturn(fakes.recordset({{"m", Variant::fromUtf8(c.mode)}}).value());
    } else {
      next.thenFail("no such variable");
    }
    runner.call("Open", {Text("Provider=Fake")});
    ASSERT_EQ(runner.errorMsg(), "") << c.mode;
    EXPECT_EQ(runner.state.dialect.dbms, Dbms::MariaDb);
    EXPECT_EQ(runner.state.dialect.backslashEscapes, c.escapes) << c.mode;
    EXPECT_EQ(next.statements(), std::vector<std::string>{"SELECT @@SESSION.sql_mode"});
  }
}

TEST_F(DialectTest, ASqlModeStatementOnMariadbAsksAgain) {
  dbmsName("MariaDB");
  sqlMode("");
  open();
  EXPECT_TRUE(runner.state.dialect.backslashEscapes);
  connection.thenReturn(fakes.recordset({}, true).value());
  sqlMode("NO_BACKSLASH_ESCAPES");
  runner.call("Execute", {Text("SET SQL_MODE = 'NO_BACKSLASH_ESCAPES'")});
  EXPECT_FALSE(runner.state.dialect.backslashEscapes);
  connection.thenReturn(fakes.recordset({}, true).value());
  runner.call("Execute", {Text("UPDATE t SET a = 1")});
  EXPECT_EQ(connection.statements().size(), 4u) << "other statements ask nothing";
}

}  // namespace

}  // namespace qorvid
