#include "host/console/script_syntax.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace qorvid::host {

namespace {

// One argument in a compact form, so that a case reads on one line.
std::string Describe(const ScriptValue& v) {
  char buf[96];
  switch (v.kind) {
    case ScriptValue::Text:
      return "T:" + v.text;
    case ScriptValue::Integer:
      return "I:" + std::to_string(v.integer);
    case ScriptValue::Decimal:
      std::snprintf(buf, sizeof buf, "D:%g", v.decimal);
      return buf;
    case ScriptValue::DateTime:
      std::snprintf(buf, sizeof buf, "Date:%04d-%02d-%02d %02d:%02d:%02d.%03d", v.date.year,
                    v.date.month, v.date.day, v.date.hour, v.date.minute, v.date.second,
                    v.date.millisecond);
      return buf;
    case ScriptValue::HostObject:
      return "O:" + v.object.typeId + "/" + std::to_string(v.object.firstNumber) + "/" +
             std::to_string(v.object.objectNumber) + "/" + v.object.suffix;
    case ScriptValue::EmptyValue:
      return "Empty";
    case ScriptValue::NullValue:
      return "Null";
    case ScriptValue::Boolean:
      return v.boolean ? "B:1" : "B:0";
    case ScriptValue::Omitted:
      return "-";
  }
  return "?";
}

std::string Describe(const Statement& st) {
  static const char* kinds[] = {"nothing", "call", "read", "write", "table",
                                "members", "help", "echo", "quit"};
  std::string out = kinds[st.kind];
  if (!st.name.empty()) out += " " + st.name;
  if (st.kind == Statement::Call || st.kind == Statement::Write) {
    out += " [";
    for (size_t i = 0; i < st.args.size(); ++i) out += (i ? ", " : "") + Describe(st.args[i]);
    out += "]";
  }
  if (st.kind == Statement::Echo) out += " <" + st.echoText + ">";
  return out;
}

struct Good {
  const char* line;
  const char* parsed;
};

TEST(ScriptSyntax, ParsesEveryStatementAndArgumentForm) {
  const Good cases[] = {
      {"Execute(\"SELECT 1\")", "call Execute [T:SELECT 1]"},
      {"Выполнить(\"SELECT 1\")", "call Выполнить [T:SELECT 1]"},
      {"  Execute ( \"a\" )  ", "call Execute [T:a]"},
      {"Execute()", "call Execute []"},
      {"KeyField(, 5)", "call KeyField [-, I:5]"},
      {"KeyField(\"a\",)", "call KeyField [T:a, -]"},
      {"Bind(\"say \"\"hi\"\"\")", "call Bind [T:say \"hi\"]"},
      {"Bind(\"\")", "call Bind [T:]"},
      {"Bind(\"a#b\") # comment", "call Bind [T:a#b]"},
      {"Bind(-7)", "call Bind [I:-7]"},
      {"Bind(2147483647)", "call Bind [I:2147483647]"},
      {"Bind(-2147483648)", "call Bind [I:-2147483648]"},
      {"Bind(2.5)", "call Bind [D:2.5]"},
      {"Bind(1E-5)", "call Bind [D:1e-05]"},
      {"Bind(-.5)", "call Bind [D:-0.5]"},
      {"Bind(3.0)", "call Bind [D:3]"},
      {"Bind(Date(2004, 3, 5))", "call Bind [Date:2004-03-05 00:00:00.000]"},
      {"Bind(Date(2004,3,5,9,7,3))", "call Bind [Date:2004-03-05 09:07:03.000]"},
      {"Bind(Date(2004, 3, 5, 9, 7, 3, 250))", "call Bind [Date:2004-03-05 09:07:03.250]"},
      {"Bind(date(2004, 2, 29))", "call Bind [Date:2004-02-29 00:00:00.000]"},
      {"Bind(Object(\"O\", 1, 5, \"   \"))", "call Bind [O:O/1/5/   ]"},
      {"Bind(Empty)", "call Bind [Empty]"},
      {"Bind(NULL)", "call Bind [Null]"},
      {"Bind(True)", "call Bind [B:1]"},
      {"Bind(false)", "call Bind [B:0]"},
      {"DataField(\"Name\", \"Bolt\")", "call DataField [T:Name, T:Bolt]"},
      {"ErrorMsg", "read ErrorMsg"},
      {"Ошибка", "read Ошибка"},
      {"MoveNext", "read MoveNext"},
      {"Time = \"10:20\"", "write Time [T:10:20]"},
      {"Время=\" 10:20 \"", "write Время [T: 10:20 ]"},
      {"Time = 5", "write Time [I:5]"},
      {".table", "table"},
      {"table", "table"},
      {".members", "members"},
      {"members", "members"},
      {"help", "help"},
      {"echo \"a # b\"", "echo <a # b>"},
      {"echo", "echo <>"},
      {"quit", "quit"},
      {".exit", "quit"},
      {"# only a comment", "nothing"},
      {"", "nothing"},
      {" \t ", "nothing"},
  };
  for (const Good& c : cases) {
    SCOPED_TRACE(c.line);
    EXPECT_EQ(Describe(ParseStatement(c.line)), c.parsed);
  }
}

struct Bad {
  const char* line;
  size_t column;
  const char* message;  // a part of it
};

TEST(ScriptSyntax, RejectsMalformedLinesWithPositionAndReason) {
  const Bad cases[] = {
      {"Execute(\"abc", 9, "not closed with '\"'"},
      {"Execute(\"a\" \"b\")", 13, "expected ',' or ')'"},
      {"Execute(1", 10, "not closed with ')'"},
      {"Bind(2147483648)", 6, "outside the 32-bit range"},
      {"Bind(-2147483649)", 6, "outside the 32-bit range"},
      {"Bind(99999999999999999999)", 6, "outside the 32-bit range"},
      {"Bind(1.2.3)", 9, "followed by '.'"},
      {"Bind(12abc)", 8, "followed by 'a'"},
      {"Bind(1e)", 7, "exponent"},
      {"Bind(1e999)", 6, "outside the range of a decimal"},
      {"Bind(Date(2004, 2, 30))", 6, "no such day"},
      {"Bind(Date(1900, 2, 29))", 6, "no such day"},
      {"Bind(Date(2004, 13, 1))", 6, "month"},
      {"Bind(Date(2004, 3, 5, 24, 0, 0))", 6, "hour"},
      {"Bind(Date(2004, 3, 5, 9, 7, 3, 1000))", 6, "milliseconds"},
      {"Bind(Date(99, 1, 1))", 6, "year"},
      {"Bind(Date(2004, 3))", 6, "Date takes"},
      {"Bind(Date(2004, 3, 5.5))", 6, "whole numbers"},
      {"Bind(Date(2004, , 5))", 6, "cannot leave a part out"},
      {"Bind(Date)", 10, "parentheses"},
      {"Bind(Object(\"O\", 1, 5))", 6, "Object takes"},
      {"Bind(Object(1, 1, 5, \"\"))", 6, "Object takes"},
      {"Bind(Bolt)", 6, "unknown value 'Bolt'"},
      {"Bind(@)", 6, "expected a value"},
      {"Time =", 7, "value is missing"},
      {"Time = # nothing", 8, "value is missing"},
      {".frobnicate", 1, "unknown console command"},
      {".", 2, "console command"},
      {"Execute(\"x\") y", 14, "unexpected text"},
      {"ErrorMsg ErrorMsg", 10, "unexpected text"},
      {"echo hi", 6, "echo takes one text"},
      {"12abc", 1, "starts with a member name"},
      {"(\"x\")", 1, "starts with a member name"},
  };
  for (const Bad& c : cases) {
    SCOPED_TRACE(c.line);
    try {
      ParseStatement(c.line);
      ADD_FAILURE() << "parsed";
    } catch (const ScriptSyntaxError& e) {
      EXPECT_EQ(e.column(), c.column);
      EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
    }
  }
}

TEST(ScriptSyntax, KnowsWhenAStatementGoesOnInTheNextLine) {
  const struct {
    const char* text;
    bool open;
  } cases[] = {
      {"Execute(\"SELECT 1\")", false},
      {"Execute(\"SELECT 1\"", true},
      {"Execute(\"SELECT", true},
      {"Execute(\"say \"\"hi\"\"\")", false},
      {"Execute(\"a (\")", false},  // a parenthesis inside a text
      {"Execute(1) # (", false},    // ... and inside a comment
      {"KeyField(\n  # a comment (\n  1, 2", true},
      {"KeyField(\n  \"Code\", 15\n)", false},
      {"Execute(\"a\"))", false},  // too many: left to the parser
  };
  for (const auto& c : cases) EXPECT_EQ(StatementIsOpen(c.text), c.open) << c.text;
}

TEST(ScriptSyntax, ReadsStatementsOfSeveralLinesAndTheDottedCommands) {
  Statement st = ParseStatement("KeyField(\n  \"Code\",  # key\n  15\n)");
  EXPECT_EQ(st.kind, Statement::Call);
  ASSERT_EQ(st.args.size(), 2u);
  EXPECT_EQ(st.args[1].integer, 15);
  st = ParseStatement("DataField(\"Name\", \"two\nlines\")");
  EXPECT_EQ(st.args[1].text, "two\nlines");
  st = ParseStatement(".open my shop.db  ");
  EXPECT_EQ(st.kind, Statement::OpenFile);
  EXPECT_EQ(st.argument, "my shop.db");
  st = ParseStatement(".mode line");
  EXPECT_EQ(st.kind, Statement::Mode);
  EXPECT_EQ(st.argument, "line");
  for (const char* bad : {".mode html", ".timer 1", ".open", ".read", "mode csv", ".tables x"})
    EXPECT_THROW(ParseStatement(bad), ScriptSyntaxError) << bad;
}

TEST(ScriptSyntax, ReadsTheCommandsThatTakeTheRestOfTheLine) {
  const struct {
    const char* line;
    Statement::Kind kind;
    const char* argument;
  } cases[] = {
      {".mode", Statement::Mode, ""},  // no argument: show the setting
      {".timer  # now?", Statement::Timer, ""},
      {".tables", Statement::Tables, ""},
      {".schema", Statement::Schema, ""},
      {".schema Goods ", Statement::Schema, "Goods"},
      {".read part two.txt", Statement::ReadFile, "part two.txt"},
      {".read \" spaced \"", Statement::ReadFile, " spaced "},
      {".output out.txt", Statement::Output, "out.txt"},
      {".output", Statement::Output, ""},  // back to the terminal
      {".reopen", Statement::Reopen, ""},
  };
  for (const auto& c : cases) {
    const Statement st = ParseStatement(c.line);
    EXPECT_EQ(st.kind, c.kind) << c.line;
    EXPECT_EQ(st.argument, c.argument) << c.line;
  }
}

TEST(ScriptSyntax, TellsSqlByItsFirstWordAndEndsItAtTheSemicolon) {
  const struct {
    const char* text;
    const char* word;
    bool sqlWord;
    bool open;  // as SQL: goes on to the next line
  } cases[] = {
      {"SELECT 1;", "SELECT", true, false},
      {"  select 1", "select", true, true},
      {"# note\nWITH t AS (SELECT 1) SELECT * FROM t;", "WITH", true, false},
      {"SELECT ';' AS s", "SELECT", true, true},     // ';' inside a text
      {"SELECT 1 -- done;", "SELECT", true, true},   // ';' inside a comment
      {"SELECT 1; -- done", "SELECT", true, false},  // a comment after the end
      {"SELECT 1; SELECT", "SELECT", true, true},    // a second statement begun
      {"SELECT \"a;b\" FROM t /* ; */;", "SELECT", true, false},
      {"Execute(\"SELECT 1\")", "Execute", false, true},
      {"table", "table", false, true},  // the console's command, not PostgreSQL's TABLE
      {".tables", "", false, true},
      {"1 + 1;", "", false, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(LeadingWord(c.text), c.word) << c.text;
    EXPECT_EQ(IsSqlKeyword(LeadingWord(c.text)), c.sqlWord) << c.text;
    EXPECT_EQ(SqlIsOpen(c.text), c.open) << c.text;
  }
}

TEST(ScriptSyntax, SplitsSqlIntoStatements) {
  const struct {
    const char* text;
    std::vector<std::string> statements;
  } cases[] = {
      {"SELECT 1;", {"SELECT 1"}},
      {"CREATE TABLE t (a);\n INSERT INTO t VALUES ('x;y');",
       {"CREATE TABLE t (a)", "INSERT INTO t VALUES ('x;y')"}},
      {"SELECT 1; -- only a comment after\n;", {"SELECT 1"}},
      {"SELECT 'it''s; fine'", {"SELECT 'it''s; fine'"}},
      {" ; ;", {}},
  };
  for (const auto& c : cases) EXPECT_EQ(SqlStatements(c.text), c.statements) << c.text;
}

}  // namespace

}  // namespace qorvid::host
