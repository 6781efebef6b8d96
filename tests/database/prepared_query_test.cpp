// PrepareQuery, Bind and the prepared path of Execute: the pieces, the
// assembled statement texts, the guards and the mismatch message.
#include <gtest/gtest.h>

#include "tests/database/component_runner.h"
#include "tests/database/fake_ado.h"

namespace qorvid {

namespace {
class PreparedQueryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ado.queue(connection);
    runner.call("Open", {Text("Provider=Fake")});
    ASSERT_EQ(runner.errorMsg(), "");
  }

  // Runs the prepared statement and answers with an empty result.
  void executePrepared() {
    connection.thenReturn(rows.value());
    runner.call("Execute");
  }

  const TextList& parts() { return runner.state.lists->queryParts; }
  const TextList& values() { return runner.state.lists->boundValues; }

  FakeAdoClass ado;
  FakeConnection connection;
  FakeRecordset rows;
  FakeStore fakes;
  ComponentRunner runner;
};

TEST_F(PreparedQueryTest, WorkedExample) {
  runner.call("PrepareQuery", {Text("SELECT Name FROM Goods WHERE Code=? AND Kind=?")});
  EXPECT_EQ(parts(), (TextList{"SELECT Name FROM Goods WHERE Code=", " AND Kind=", ""}));
  runner.call("Bind", {Int(15)});
  runner.call("Bind", {Text("Bolt")});
  EXPECT_EQ(values(), (TextList{"15", "'Bolt'"}));
  executePrepared();
  EXPECT_EQ(runner.errorMsg(), "");
  EXPECT_EQ(connection.statements(),
            std::vector<std::string>{"SELECT Name FROM Goods WHERE Code=15 AND Kind='Bolt'"});
  EXPECT_EQ(values(), (TextList{"15", "'Bolt'", ""}));
}

TEST_F(PreparedQueryTest, TextIsTrimmedAndCutAtEveryQuestionMark) {
  struct Case {
    std::string text;
    TextList pieces;
  } cases[] = {
      {"", {""}},
      {" \t\r\n SELECT ? \r\n", {"SELECT ", ""}},
      {"A = ? , ?", {"A = ", " , ", ""}},
      {"?x", {"", "x"}},
      {"x?", {"x", ""}},
      {"a??b", {"a", "", "b"}},
      {"WHERE Note='?' -- ?", {"WHERE Note='", "' -- ", ""}},
      {"no placeholder", {"no placeholder"}},
      {std::string("Имя = ?"), {std::string("Имя = "), ""}},
  };
  for (const Case& c : cases) {
    runner.call("Bind", {Int(1)});
    runner.call("PrepareQuery", {Text(c.text)});
    EXPECT_EQ(runner.errorMsg(), "");
    EXPECT_EQ(parts(), c.pieces) << c.text;
    EXPECT_TRUE(values().empty()) << "PrepareQuery empties the bound values";
  }
}

TEST_F(PreparedQueryTest, GuardsAndMismatchRunNothing) {
  const std::string mismatch = std::string("Не совпадает количество параметров запроса.") + "\r\nBind: ";
  struct Case {
    const char* prepared;  // null: no PrepareQuery at all
    int binds;
    std::string error;
  } cases[] = {
      {nullptr, 0, std::string("Сначала вызовите метод ПодготовитьЗапрос (Prepare)") + "\r\n"},
      {nullptr, 2, std::string("Сначала вызовите метод ПодготовитьЗапрос (Prepare)") + "\r\n"},
      {"", 0, std::string("Сначала вызовите метод ПараметрЗапроса (Bind)") + "\r\n"},
      {"A=? AND B=?", 0, std::string("Сначала вызовите метод ПараметрЗапроса (Bind)") + "\r\n"},
      {"A=? AND B=?", 1, mismatch + "2 prepare:3\r\n"},
      {"A=? AND B=?", 3, mismatch + "4 prepare:3\r\n"},
      {"SELECT 1", 1, mismatch + "2 prepare:1\r\n"},
      {"", 1, mismatch + "2 prepare:1\r\n"},
  };
  for (const Case& c : cases) {
    FakeConnection target;
    ComponentRunner fresh;
    ado.queue(target);
    fresh.call("Open", {Text("Provider=Fake")});
    if (c.prepared) fresh.call("PrepareQuery", {Text(c.prepared)});
    for (int i = 0; i < c.binds; ++i) fresh.call("Bind", {Int(i)});
    fresh.call("Execute");
    EXPECT_EQ(fresh.errorMsg(), c.error) << (c.prepared ? c.prepared : "(none)") << " " << c.binds;
    EXPECT_TRUE(target.statements().empty());
    EXPECT_EQ(target.members().back(), "Close") << "a failed guard still closes the connection";
  }
}

TEST_F(PreparedQueryTest, APreparedQueryRunsOnlyOnce) {
  runner.call("PrepareQuery", {Text("SELECT * FROM T WHERE A=? AND B=?")});
  runner.call("Bind", {Int(1)});
  runner.call("Bind", {Int(2)});
  executePrepared();
  ASSERT_EQ(runner.errorMsg(), "");
  runner.call("Execute");
  EXPECT_EQ(runner.errorMsg(),
            std::string("Не совпадает количество параметров запроса.") + "\r\nBind: 4 prepare:3\r\n");
  EXPECT_EQ(connection.statements().size(), 1u);
}

TEST_F(PreparedQueryTest, SplicingIsPurelyTextual) {
  struct Case {
    std::string prepared;
    std::vector<Variant> binds;
    std::string statement;
  } cases[] = {
      // A placeholder inside quotes is a placeholder like any other.
      {"SELECT * FROM T WHERE Note='?' AND Id=?",
       {Int(5), Int(6)},
       "SELECT * FROM T WHERE Note='5' AND Id=6"},
      // A bound text holding ? is not searched again.
      {"WHERE A=? AND B=?", {Text("x?y"), Int(2)}, "WHERE A='x?y' AND B=2"},
      {"WHERE A=?", {Text("it's")}, "WHERE A='it''s'"},
      // A value without a literal form is spliced in as nothing.
      {"WHERE A=? AND B=?", {Variant::fromBool(true), Int(2)}, "WHERE A= AND B=2"},
      {"?", {Int(-7)}, "-7"},
  };
  for (const Case& c : cases) {
    FakeConnection target;
    FakeRecordset answer;
    ComponentRunner fresh;
    ado.queue(target);
    target.thenReturn(answer.value());
    fresh.call("Open", {Text("Provider=Fake")});
    fresh.call("PrepareQuery", {Text(c.prepared)});
    for (const Variant& v : c.binds) fresh.call("Bind", {v});
    fresh.call("Execute");
    EXPECT_EQ(fresh.errorMsg(), "") << c.prepared;
    EXPECT_EQ(target.statements(), std::vector<std::string>{c.statement});
  }
}

TEST_F(PreparedQueryTest, BindBeforePrepareQueryIsDiscarded) {
  runner.call("Bind", {Int(99)});
  runner.call("PrepareQuery", {Text("A=?")});
  runner.call("Bind", {Int(1)});
  executePrepared();
  EXPECT_EQ(connection.statements(), std::vector<std::string>{"A=1"});
}

TEST_F(PreparedQueryTest, OtherStatementsLeaveThePreparedQueryWaiting) {
  runner.call("PrepareQuery", {Text("A=?")});
  runner.call("Bind", {Int(1)});
  connection.thenReturn(rows.value());
  runner.call("Execute", {Text("OTHER")});
  runner.call("Close");
  runner.call("Open", {Text("Provider=Fake")});  // nothing queued: fails, lists untouched
  EXPECT_EQ(parts(), (TextList{"A=", ""}));
  EXPECT_EQ(values(), TextList{"1"});
}

TEST_F(PreparedQueryTest, FailedPreparedStatementIsWrappedWithTheAssembledText) {
  runner.call("PrepareQuery", {Text("DELETE FROM T WHERE A=?")});
  runner.call("Bind", {Text("x")});
  connection.thenFail("no such table: T");
  runner.call("Execute");
  const std::string statement = "DELETE FROM T WHERE A='x'";
  EXPECT_EQ(runner.errorMsg(),
            std::string("Ошибка запроса ") + statement + "\r\nno such table: T\r\n" + statement);
}

TEST_F(PreparedQueryTest, DateBindUsesAndClearsTheTimeText) {
  runner.state.timeText = "10:20";
  runner.call("PrepareQuery", {Text("A=? AND B=?")});
  runner.call("Bind", {Variant::fromDate(38051.37989872685)});  // 2004-03-05 09:07:03.250
  runner.call("Bind", {Variant::fromDate(38051.37989872685)});
  EXPECT_EQ(values(), (TextList{"CDate('2004-03-05 10:20')", "CDate('2004-03-05 09:07:03.250')"}));
  EXPECT_EQ(runner.state.timeText, "");
}

TEST_F(PreparedQueryTest, FailedBindAppendsNothing) {
  runner.call("PrepareQuery", {Text("A=?")});
  RecordingDispatch& hostObject = fakes.object();
  runner.call("Bind", {DispatchValue(&hostObject)});  // no host to ask for its key
  EXPECT_TRUE(runner.failed());
  EXPECT_EQ(runner.errorMsg().substr(runner.errorMsg().size() - 2), "\r\n");
  EXPECT_TRUE(values().empty());
}
}  // namespace

}  // namespace qorvid
