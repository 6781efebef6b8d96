// OpenRec, KeyField, DataField, SaveRec and the transaction calls against a
// fake connection: the exact statement sequences, the guards and what a
// failure leaves behind.
#include <gtest/gtest.h>

#include "tests/database/component_runner.h"
#include "tests/database/fake_ado.h"

namespace qorvid {

namespace {
typedef std::vector<std::string> Statements;

class RecordEditingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ado.queue(connection);
    runner.call("Open", {Text("Provider=Fake")});
    ASSERT_EQ(runner.errorMsg(), "");
    connection.object.clearRecord();
  }

  // The SELECT of the next SaveRec finds a row (or none).
  void rowExists(bool exists) {
    results.emplace_back(new FakeRecordset({}, !exists));
    connection.thenReturn(results.back()->value());
  }
  // Answers for a SaveRec that finds no row: SELECT, INSERT, UPDATE.
  void missingRow() {
    rowExists(false);
    connection.thenReturn(Variant());
    connection.thenReturn(Variant());
  }

  void goods() {
    runner.call("OpenRec", {Text("Goods")});
    runner.call("KeyField", {Text("Code"), Int(15)});
    runner.call("DataField", {Text("Name"), Text("Bolt")});
    runner.call("DataField", {Text("Price"), Variant::fromDouble(2.5)});
  }

  FakeAdoClass ado;
  FakeConnection connection;
  std::vector<std::unique_ptr<FakeRecordset>> results;
  FakeStore fakes;
  ComponentRunner runner;
};

// Key=NULL is never true: a null key finds its row with IS NULL. Only a
// known database gets NULL; an unknown one keeps the empty text.
TEST_F(RecordEditingTest, ANullKeyIsFoundWithIsNull) {
  runner.state.dialect.dbms = Dbms::PostgreSql;
  runner.call("OpenRec", {Text("Goods")});
  runner.call("KeyField", {Text("Code"), Variant()});
  runner.call("KeyField", {Text("Line"), Int(3)});
  runner.call("DataField", {Text("Name"), Variant()});
  missingRow();
  runner.call("SaveRec");
  EXPECT_EQ(runner.errorMsg(), "");
  EXPECT_EQ(connection.statements(),
            (Statements{"SELECT Code, Line FROM Goods WHERE Code IS NULL AND Line=3",
                        "INSERT INTO Goods (Code, Line) VALUES (NULL, 3)",
                        "UPDATE Goods SET Name=NULL WHERE Code IS NULL AND Line=3"}));
}

TEST_F(RecordEditingTest, WorkedExampleWithAMissingRow) {
  goods();
  EXPECT_EQ(runner.state.lists->keyFields, TextList{"Code=15"});
  EXPECT_EQ(runner.state.lists->dataFields, (TextList{"Name='Bolt'", "Price=2.5"}));
  missingRow();
  runner.call("SaveRec");
  EXPECT_EQ(runner.errorMsg(), "");
  EXPECT_EQ(
      connection.statements(),
      (Statements{"SELECT Code FROM Goods WHERE Code=15", "INSERT INTO Goods (Code) VALUES (15)",
                  "UPDATE Goods SET Name='Bolt', Price=2.5 WHERE Code=15"}));
  for (const auto& call : connection.object.callsOf("Execute")) {
    EXPECT_EQ(call.flags, DISPATCH_METHOD);
    EXPECT_EQ(call.argTypes, std::vector<VARTYPE>{VT_BSTR | VT_BYREF});
  }
  ASSERT_EQ(results[0]->recordset.callsOf("EOF").size(), 1u);
}

TEST_F(RecordEditingTest, WorkedExampleWithTwoKeys) {
  goods();
  runner.call("KeyField", {Text("Line"), Int(3)});
  missingRow();
  runner.call("SaveRec");
  EXPECT_EQ(connection.statements(),
            (Statements{"SELECT Code, Line FROM Goods WHERE Code=15 AND Line=3",
                        "INSERT INTO Goods (Code, Line) VALUES (15, 3)",
                        "UPDATE Goods SET Name='Bolt', Price=2.5 WHERE Code=15 AND Line=3"}));
}

TEST_F(RecordEditingTest, AnExistingRowIsOnlyUpdatedAndSavingAgainRepeats) {
  goods();
  missingRow();
  runner.call("SaveRec");
  rowExists(true);
  connection.thenReturn(Variant());
  runner.call("SaveRec");
  EXPECT_EQ(runner.errorMsg(), "");
  EXPECT_EQ(
      connection.statements(),
      (Statements{"SELECT Code FROM Goods WHERE Code=15", "INSERT INTO Goods (Code) VALUES (15)",
                  "UPDATE Goods SET Name='Bolt', Price=2.5 WHERE Code=15",
                  "SELECT Code FROM Goods WHERE Code=15",
                  "UPDATE Goods SET Name='Bolt', Price=2.5 WHERE Code=15"}));
}

TEST_F(RecordEditingTest, StatementTexts) {
  struct Entry {
    bool key;
    std::string name;
    Variant value;
  };
  struct Case {
    const char* what;
    std::vector<Entry> entries;
    Statements statements;  // for a missing row
  } cases[] = {
      {"no data fields",
       {{true, "Code", Int(15)}},
       {"SELECT Code FROM Goods WHERE Code=15", "INSERT INTO Goods (Code) VALUES (15)",
        "UPDATE Goods SET  WHERE Code=15"}},
      {"key names differing in case",
       {{true, "ID", Int(1)}, {true, "id", Int(2)}, {false, "N", Int(0)}},
       {"SELECT ID, id FROM Goods WHERE ID=1 AND id=2", "INSERT INTO Goods (ID, id) VALUES (1, 1)",
        "UPDATE Goods SET N=0 WHERE ID=1 AND id=2"}},
      {"Cyrillic key names differing in case",
       {{true, std::string("Код"), Int(1)}, {true, std::string("КОД"), Int(2)}},
       {std::string("SELECT Код, КОД FROM Goods WHERE Код=1 AND КОД=2"),
        std::string("INSERT INTO Goods (Код, КОД) VALUES (1, 1)"),
        std::string("UPDATE Goods SET  WHERE Код=1 AND КОД=2")}},
      {"empty literal",
       {{true, "Code", Int(15)}, {false, "Qty", Variant::fromBool(true)}},
       {"SELECT Code FROM Goods WHERE Code=15", "INSERT INTO Goods (Code) VALUES (15)",
        "UPDATE Goods SET Qty= WHERE Code=15"}},
      {"apostrophe",
       {{true, "Code", Int(15)}, {false, "Note", Text("it's")}},
       {"SELECT Code FROM Goods WHERE Code=15", "INSERT INTO Goods (Code) VALUES (15)",
        "UPDATE Goods SET Note='it''s' WHERE Code=15"}},
      {"key with an empty name beside a named one",
       {{true, "", Int(5)}, {true, "Code", Int(15)}},
       {"SELECT Code FROM Goods WHERE =5 AND Code=15", "INSERT INTO Goods (Code) VALUES (5, 15)",
        "UPDATE Goods SET  WHERE =5 AND Code=15"}},
      {"name holding an equals sign",
       {{true, "a=b", Int(1)}},
       {"SELECT a FROM Goods WHERE a=b=1", "INSERT INTO Goods (a) VALUES (b=1)",
        "UPDATE Goods SET  WHERE a=b=1"}},
      {"data given before keys",
       {{false, "Name", Text("x")}, {true, "Code", Int(-1)}, {false, "Price", Int(3)}},
       {"SELECT Code FROM Goods WHERE Code=-1", "INSERT INTO Goods (Code) VALUES (-1)",
        "UPDATE Goods SET Name='x', Price=3 WHERE Code=-1"}},
  };
  for (const Case& c : cases) {
    FakeConnection target;
    FakeRecordset noRow({}, true);
    ComponentRunner fresh;
    ado.queue(target);
    target.thenReturn(noRow.value());
    fresh.call("Open", {Text("Provider=Fake")});
    fresh.call("OpenRec", {Text("Goods")});
    for (const Entry& e : c.entries)
      fresh.call(e.key ? "KeyField" : "DataField", {Text(e.name), e.value});
    fresh.call("SaveRec");
    EXPECT_EQ(fresh.errorMsg(), "") << c.what;
    EXPECT_EQ(target.statements(), c.statements) << c.what;
  }
}

TEST_F(RecordEditingTest, GuardsRunNoStatement) {
  struct Case {
    const char* what;
    std::function<void(ComponentRunner&)> arrange;
    std::string error;
  } cases[] = {
      {"fresh component", [](ComponentRunner&) {}, std::string("Сначала вызовите OpenRec") + "\r\n"},
      {"empty table name",
       [](ComponentRunner& r) {
         r.call("OpenRec", {Text("")});
         r.call("KeyField", {Text("Code"), Int(1)});
       },
       std::string("Сначала вызовите OpenRec") + "\r\n"},
      {"no key", [](ComponentRunner& r) { r.call("OpenRec", {Text("T")}); },
       std::string("Сначала вызовите KeyField") + "\r\nSELECT "},
      {"only data",
       [](ComponentRunner& r) {
         r.call("OpenRec", {Text("T")});
         r.call("DataField", {Text("A"), Int(1)});
       },
       std::string("Сначала вызовите KeyField") + "\r\nSELECT "},
      {"key with an empty name",
       [](ComponentRunner& r) {
         r.call("OpenRec", {Text("T")});
         r.call("KeyField", {Text(""), Int(1)});
       },
       std::string("Сначала вызовите KeyField") + "\r\nSELECT "},
  };
  for (const Case& c : cases) {
    FakeConnection target;
    ComponentRunner fresh;
    ado.queue(target);
    fresh.call("Open", {Text("Provider=Fake")});
    c.arrange(fresh);
    fresh.call("SaveRec");
    EXPECT_EQ(fresh.errorMsg(), c.error) << c.what;
    EXPECT_TRUE(target.statements().empty()) << c.what;
  }
}

TEST_F(RecordEditingTest, OpenRecStartsANewRecordEvenForTheSameTable) {
  goods();
  runner.call("OpenRec", {Text("Goods")});
  EXPECT_EQ(runner.state.tableName, "Goods");
  EXPECT_TRUE(runner.state.lists->keyFields.empty());
  EXPECT_TRUE(runner.state.lists->dataFields.empty());
}

TEST_F(RecordEditingTest, FailedConversionsLeaveTheRecord) {
  goods();
  SAFEARRAY* array = SafeArrayCreateVector(VT_UI1, 0, 1);
  Variant bytes;
  bytes.get().vt = VT_ARRAY | VT_UI1;
  bytes.get().parray = array;

  // OpenRec empties the lists before its argument fails.
  runner.call("OpenRec", {bytes});
  EXPECT_TRUE(runner.failed());
  EXPECT_EQ(runner.state.tableName, "Goods");
  EXPECT_TRUE(runner.state.lists->keyFields.empty());

  // KeyField whose name fails appends nothing and leaves the Time text alone.
  runner.state.timeText = "10:20";
  runner.call("KeyField", {bytes, Variant::fromDate(38051.0)});
  EXPECT_TRUE(runner.failed());
  EXPECT_TRUE(runner.state.lists->keyFields.empty());
  EXPECT_EQ(runner.state.timeText, "10:20");
}

TEST_F(RecordEditingTest, SaveRecLeavesTheFieldCountAndKeepsTheUpdateResult) {
  FakeRecordset& rows = fakes.recordset({{"A", Int(1)}, {"B", Int(2)}});
  connection.thenReturn(rows.value());
  runner.call("Execute", {Text("SELECT A, B FROM T")});
  goods();
  FakeRecordset& updated = fakes.recordset();
  rowExists(true);
  connection.thenReturn(updated.value());
  runner.call("SaveRec");
  EXPECT_EQ(runner.errorMsg(), "");
  EXPECT_EQ(runner.state.fieldsCount, 2);
  EXPECT_EQ(runner.state.recordset.get().pdispVal, &updated.recordset);
}

TEST_F(RecordEditingTest, FailuresAreNotWrappedAndEarlierStatementsStayDone) {
  runner.call("BeginTrans");
  goods();
  rowExists(false);
  connection.thenReturn(Variant());
  connection.thenFail("UNIQUE constraint failed: Goods.Name.");
  runner.call("SaveRec");
  EXPECT_EQ(runner.errorMsg(),
            "UNIQUE constraint failed: Goods.Name\r\n"
            "UPDATE Goods SET Name='Bolt', Price=2.5 WHERE Code=15");
  EXPECT_EQ(connection.statements().size(), 3u);
  EXPECT_EQ(connection.members(),
            (Statements{"BeginTrans", "Execute", "Execute", "Execute", "Close"}))
      << "no rollback of its own, only the failure path's Close";
  EXPECT_EQ(runner.state.tableName, "Goods");
  EXPECT_EQ(runner.state.lists->keyFields.size(), 1u);
  EXPECT_EQ(runner.state.lists->dataFields.size(), 2u);
}

TEST_F(RecordEditingTest, FailedEndFlagNamesTheSelect) {
  goods();
  rowExists(false);
  results.back()->recordset.raise("EOF", "Operation is not allowed when the object is closed.");
  runner.call("SaveRec");
  EXPECT_EQ(runner.errorMsg(),
            "Operation is not allowed when the object is closed\r\n"
            "SELECT Code FROM Goods WHERE Code=15");
  EXPECT_EQ(connection.statements().size(), 1u);
}

TEST_F(RecordEditingTest, SaveRecWithoutAConnection) {
  runner.call("Close");
  goods();
  runner.call("SaveRec");
  EXPECT_EQ(runner.errorMsg(),
            "Variant does not reference an automation object\r\n"
            "SELECT Code FROM Goods WHERE Code=15");
}

TEST_F(RecordEditingTest, TransactionCallsGoStraightToTheConnection) {
  for (const char* method : {"BeginTrans", "CommitTrans", "RollbackTrans"}) {
    connection.object.clearRecord();
    runner.call(method);
    EXPECT_EQ(runner.errorMsg(), "");
    ASSERT_EQ(connection.object.calls().size(), 1u);
    EXPECT_EQ(connection.object.calls()[0].member, method);
    EXPECT_EQ(connection.object.calls()[0].flags, DISPATCH_METHOD);
    EXPECT_TRUE(connection.object.calls()[0].argTypes.empty());
  }
  connection.object.raise("CommitTrans", "No transaction is active.");
  runner.call("CommitTrans");
  EXPECT_EQ(runner.errorMsg(), "No transaction is active\r\n");

  runner.call("Close");
  ASSERT_TRUE(runner.state.adoConnection.isEmpty());
  for (const char* method : {"BeginTrans", "CommitTrans", "RollbackTrans"}) {
    runner.call(method);
    EXPECT_EQ(runner.errorMsg(), "Variant does not reference an automation object\r\n");
  }
}
}  // namespace

}  // namespace qorvid
