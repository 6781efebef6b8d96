// Open, Close, Execute, MoveNext, FieldName and the EOF flag against a
// recording fake ADO: exact members, flags, argument types and messages.
#include <gtest/gtest.h>

#include "automation/automation.h"
#include "tests/database/component_runner.h"
#include "tests/database/fake_ado.h"

namespace qorvid {

namespace {
const std::string kNoObject = "Variant does not reference an automation object";

class ConnectionTest : public ::testing::Test {
 protected:
  void SetUp() override { ado.queue(connection); }

  void open() {
    runner.call("Open", {Text("Provider=Fake")});
    ASSERT_EQ(runner.errorMsg(), "");
    connection.object.clearRecord();
  }

  FakeAdoClass ado;
  FakeConnection connection;
  FakeStore fakes;
  ComponentRunner runner;
};

TEST_F(ConnectionTest, OpenConfiguresAndOpensANewConnection) {
  runner.call("Open", {Text("Provider=Fake;Data Source=x")});
  EXPECT_EQ(runner.errorMsg(), "");
  ASSERT_EQ(runner.state.adoConnection.vt(), VT_DISPATCH);
  EXPECT_EQ(runner.state.adoConnection.get().pdispVal, &connection.object);

  const auto& calls = connection.object.calls();
  ASSERT_EQ(connection.members(),
            (std::vector<std::string>{"CursorLocation", "ConnectionString", "Open"}));
  EXPECT_EQ(calls[0].flags, DISPATCH_PROPERTYPUT);
  EXPECT_EQ(calls[0].argTypes, std::vector<VARTYPE>{VT_I4});
  EXPECT_EQ(calls[0].args[0].get().lVal, 3);
  EXPECT_EQ(calls[0].namedArgs, std::vector<DISPID>{DISPID_PROPERTYPUT});
  EXPECT_EQ(calls[1].flags, DISPATCH_PROPERTYPUT);
  EXPECT_EQ(calls[1].argTypes, std::vector<VARTYPE>{VT_BSTR});
  EXPECT_EQ(TextOf(calls[1].args[0]), "Provider=Fake;Data Source=x");
  EXPECT_EQ(calls[2].flags, DISPATCH_METHOD);
  ASSERT_EQ(calls[2].argTypes, std::vector<VARTYPE>{VT_ERROR});
  EXPECT_EQ(calls[2].args[0].get().scode, DISP_E_PARAMNOTFOUND);
}

TEST_F(ConnectionTest, OpenPassesTheConnectionStringUnconverted) {
  runner.call("Open", {Int(42)});
  const auto puts = connection.object.callsOf("ConnectionString");
  ASSERT_EQ(puts.size(), 1u);
  EXPECT_EQ(puts[0].argTypes, std::vector<VARTYPE>{VT_I4});
}

TEST_F(ConnectionTest, OpenTwiceDropsTheFirstConnectionWithoutClosingIt) {
  FakeConnection& second = fakes.connection();
  ado.queue(second);
  runner.call("Open", {Text("A")});
  runner.call("Open", {Text("B")});
  EXPECT_EQ(runner.errorMsg(), "");
  EXPECT_EQ(ado.created(), 2);
  EXPECT_EQ(connection.object.refCount(), 1u) << "first connection still held";
  EXPECT_TRUE(connection.object.callsOf("Close").empty());
  EXPECT_EQ(second.members(),
            (std::vector<std::string>{"CursorLocation", "ConnectionString", "Open"}));
  EXPECT_EQ(runner.state.adoConnection.get().pdispVal, &second.object);
}

TEST_F(ConnectionTest, OpenThatCannotCreateTheObjectKeepsThePreviousOne) {
  open();
  runner.call("Open", {Text("B")});  // nothing queued: creation fails
  EXPECT_EQ(runner.errorMsg(), StatusMessage(REGDB_E_CLASSNOTREG) + "\r\n");
  EXPECT_EQ(runner.state.adoConnection.get().pdispVal, &connection.object);
}

TEST_F(ConnectionTest, OpenFailingAtTheProviderLeavesTheUnopenedObject) {
  connection.object.raise("Open", "Provider cannot be found. It may not be properly installed.");
  runner.call("Open", {Text("Provider=Missing")});
  EXPECT_EQ(runner.errorMsg(), "Provider cannot be found. It may not be properly installed\r\n");
  EXPECT_EQ(runner.state.adoConnection.get().pdispVal, &connection.object);
  // The failure path closes the new object; the object stays.
  EXPECT_EQ(connection.object.callsOf("Close").size(), 1u);
}

TEST_F(ConnectionTest, CloseEmptiesTheConnectionAndASecondCloseFails) {
  open();
  runner.call("Close");
  EXPECT_EQ(runner.errorMsg(), "");
  EXPECT_TRUE(runner.state.adoConnection.isEmpty());
  EXPECT_EQ(connection.object.refCount(), 1u);
  ASSERT_EQ(connection.object.callsOf("Close").size(), 1u);
  EXPECT_EQ(connection.object.callsOf("Close")[0].flags, DISPATCH_METHOD);
  EXPECT_TRUE(connection.object.callsOf("Close")[0].argTypes.empty());

  runner.call("Close");
  EXPECT_EQ(runner.errorMsg(), kNoObject + "\r\n");
}

TEST_F(ConnectionTest, CloseRefusedKeepsTheConnection) {
  open();
  connection.object.raise("Close",
                          "Connection object cannot be explicitly closed while in a "
                          "transaction.");
  runner.call("Close");
  EXPECT_EQ(runner.errorMsg(),
            "Connection object cannot be explicitly closed while in a transaction\r\n");
  EXPECT_EQ(runner.state.adoConnection.get().pdispVal, &connection.object);
}

TEST_F(ConnectionTest, ExecuteBeforeOpen) {
  runner.call("Execute", {Text("SELECT 1")});
  EXPECT_EQ(runner.errorMsg(),
            std::string("Ошибка запроса ") + "SELECT 1\r\n" + kNoObject + "\r\nSELECT 1");
}

TEST_F(ConnectionTest, ExecuteKeepsTheResultAndCountsItsFields) {
  open();
  FakeRecordset& rows = fakes.recordset({{"Code", Int(15)}, {"Name", Text("Bolt")}});
  connection.thenReturn(rows.value());
  runner.call("Execute", {Text("SELECT Code, Name FROM Goods")});
  EXPECT_EQ(runner.errorMsg(), "");

  const auto executes = connection.object.callsOf("Execute");
  ASSERT_EQ(executes.size(), 1u);
  EXPECT_EQ(executes[0].flags, DISPATCH_METHOD);
  EXPECT_EQ(executes[0].argTypes, std::vector<VARTYPE>{VT_BSTR | VT_BYREF});
  EXPECT_EQ(TextOf(executes[0].args[0]), "SELECT Code, Name FROM Goods");
  EXPECT_EQ(runner.state.recordset.get().pdispVal, &rows.recordset);
  EXPECT_EQ(runner.state.fieldsCount, 2);
  ASSERT_EQ(rows.recordset.callsOf("Fields").size(), 1u);
  EXPECT_EQ(rows.recordset.callsOf("Fields")[0].flags, DISPATCH_METHOD | DISPATCH_PROPERTYGET);
  ASSERT_EQ(rows.fields.callsOf("Count").size(), 1u);
  EXPECT_EQ(rows.fields.callsOf("Count")[0].flags, DISPATCH_METHOD | DISPATCH_PROPERTYGET);
}

TEST_F(ConnectionTest, ExecuteOfBlanksSendsTheBlanks) {
  open();
  FakeRecordset& none = fakes.recordset();
  connection.thenReturn(none.value());
  runner.call("Execute", {Text("   ")});
  EXPECT_EQ(runner.errorMsg(), "");
  EXPECT_EQ(connection.statements(), std::vector<std::string>{"   "});
}

TEST_F(ConnectionTest, TextHoldingANulNeverReachesTheProvider) {
  open();
  runner.call("Execute", {Text(std::string("DELETE FROM t\0 WHERE Id = 1", 27))});
  EXPECT_NE(runner.errorMsg().find("NUL"), std::string::npos) << runner.errorMsg();
  EXPECT_TRUE(connection.object.callsOf("Execute").empty());
}

TEST_F(ConnectionTest, FailedStatementIsWrappedAndKeepsTheOldResult) {
  open();
  FakeRecordset& rows = fakes.recordset({{"A", Int(1)}, {"B", Int(2)}, {"C", Int(3)}});
  connection.thenReturn(rows.value());
  runner.call("Execute", {Text("SELECT A, B, C FROM T")});
  connection.thenFail("no such table: Missing.");
  runner.call("Execute", {Text("SELECT * FROM Missing")});
  EXPECT_EQ(runner.errorMsg(), std::string("Ошибка запроса ") +
                                   "SELECT * FROM Missing\r\nno such table: Missing\r\n"
                                   "SELECT * FROM Missing");
  EXPECT_EQ(runner.state.recordset.get().pdispVal, &rows.recordset);
  EXPECT_EQ(runner.state.fieldsCount, 3);
  EXPECT_EQ(connection.members().back(), "Close") << "the failure closes the connection";
}

TEST_F(ConnectionTest, FailedFieldCountKeepsTheNewResultAndTheOldCount) {
  open();
  FakeRecordset& first = fakes.recordset({{"A", Int(1)}});
  FakeRecordset& second = fakes.recordset({{"A", Int(1)}, {"B", Int(2)}});
  second.fields.raise("Count", "Operation is not allowed when the object is closed.");
  connection.thenReturn(first.value());
  connection.thenReturn(second.value());
  runner.call("Execute", {Text("S1")});
  runner.call("Execute", {Text("S2")});
  EXPECT_EQ(
      runner.errorMsg(),
      std::string("Ошибка запроса ") + "S2\r\nOperation is not allowed when the object is closed\r\nS2");
  EXPECT_EQ(runner.state.recordset.get().pdispVal, &second.recordset);
  EXPECT_EQ(runner.state.fieldsCount, 1);
}

TEST_F(ConnectionTest, ExecuteReturningNoObjectFailsAtTheFieldCount) {
  open();
  connection.thenReturn(Variant());
  runner.call("Execute", {Text("S")});
  EXPECT_EQ(runner.errorMsg(), std::string("Ошибка запроса ") + "S\r\n" + kNoObject + "\r\nS");
  EXPECT_TRUE(runner.state.recordset.isEmpty());
}

TEST_F(ConnectionTest, FieldsCountSurvivesCloseAndFailures) {
  open();
  FakeRecordset& rows = fakes.recordset({{"A", Int(1)}, {"B", Int(2)}});
  connection.thenReturn(rows.value());
  runner.call("Execute", {Text("S")});
  connection.thenFail("bad");
  runner.call("Execute", {Text("T")});
  EXPECT_EQ(runner.state.fieldsCount, 2);
  runner.call("Close");
  EXPECT_EQ(runner.state.fieldsCount, 2);
  EXPECT_EQ(runner.state.recordset.get().pdispVal, &rows.recordset) << "result outlives Close";
}

TEST_F(ConnectionTest, MoveNext) {
  runner.call("MoveNext");
  EXPECT_EQ(runner.errorMsg(), kNoObject + "\r\n");

  open();
  FakeRecordset& rows = fakes.recordset({{"A", Int(1)}});
  connection.thenReturn(rows.value());
  runner.call("Execute", {Text("S")});
  runner.call("MoveNext");
  EXPECT_EQ(runner.errorMsg(), "");
  const auto moves = rows.recordset.callsOf("MoveNext");
  ASSERT_EQ(moves.size(), 1u);
  EXPECT_EQ(moves[0].flags, DISPATCH_METHOD);
  EXPECT_TRUE(moves[0].argTypes.empty());
  EXPECT_TRUE(rows.recordset.callsOf("EOF").empty()) << "EOF is not consulted first";
}

TEST_F(ConnectionTest, EndFlagIsReadAtEveryQuery) {
  EXPECT_EQ(runner.eof(), -1);
  open();
  FakeRecordset& rows = fakes.recordset({{"A", Int(1)}}, false);
  connection.thenReturn(rows.value());
  runner.call("Execute", {Text("S")});
  EXPECT_EQ(runner.eof(), 0);
  rows.setAtEnd(true);
  EXPECT_EQ(runner.eof(), 1);
  const auto reads = rows.recordset.callsOf("EOF");
  ASSERT_EQ(reads.size(), 2u);
  EXPECT_EQ(reads[0].flags, DISPATCH_METHOD | DISPATCH_PROPERTYGET);
}

TEST_F(ConnectionTest, FieldName) {
  open();
  FakeRecordset& rows = fakes.recordset({{"Code", Int(15)}, {"Name", Text("Bolt")}});
  connection.thenReturn(rows.value());
  runner.call("Execute", {Text("S")});

  struct Case {
    Variant position;
    std::string name;
    std::string error;
  } cases[] = {
      {Int(1), "Name", ""},
      {Text("0"), "Code", ""},
      {Variant::fromDouble(0.6), "Name", ""},
      {Text("abc"), "", "Invalid variant type conversion\r\n"},
      {Int(7), "",
       "Item cannot be found in the collection corresponding to the requested name or "
       "ordinal\r\n"},
  };
  for (const Case& c : cases) {
    rows.recordset.clearRecord();
    Variant result = runner.call("FieldName", {c.position});
    EXPECT_EQ(runner.errorMsg(), c.error);
    if (!c.error.empty()) continue;
    ASSERT_EQ(result.vt(), VT_BSTR);
    EXPECT_EQ(TextOf(result), c.name);
    const auto reads = rows.recordset.callsOf("Fields");
    ASSERT_EQ(reads.size(), 1u);
    EXPECT_EQ(reads[0].flags, DISPATCH_PROPERTYGET);
    EXPECT_EQ(reads[0].argTypes, std::vector<VARTYPE>{VT_I4 | VT_BYREF});
  }
}

TEST_F(ConnectionTest, PreparedPathAfterTheListsAreGoneFailsCleanly) {
  runner.dropLists();
  runner.call("Execute");
  EXPECT_TRUE(runner.failed());
  EXPECT_TRUE(connection.object.callsOf("Execute").empty());
}
}  // namespace

}  // namespace qorvid
