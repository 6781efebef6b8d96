// The console's script language: one statement per line; a statement goes on
// over the next lines while a parenthesis or a double quote is open.
//
//   Execute("SELECT 1")          call a method (English or Russian name)
//   KeyField("Code", 15)          arguments: "text", 15, 2.5, Date(...), Object(...),
//   Execute()                     Empty, Null, True, False; a left-out argument
//   ErrorMsg                      read a property
//   Time = "10:20"                write a property
//   .table  .members  help  echo "text"  quit      console commands
//   .mode table|csv|line  .timer on|off  .open FILE  (only with the dot)
//   .tables  .schema [TABLE]  .read FILE  .output [FILE]  .reopen
//   # comment
//   SELECT 1;                     SQL: runs through Execute, goes on to the ';'
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

#include "host/console/script_date.h"
#include "platform/win32.h"

namespace qorvid::host {

// A host object as the script names it.
struct ObjectRef {
  std::string typeId;  // UTF-8
  LONG firstNumber = 0;
  LONG objectNumber = 0;
  std::string suffix;  // UTF-8
};

struct ScriptValue {
  enum Kind {
    Text,
    Integer,
    Decimal,
    DateTime,
    HostObject,
    EmptyValue,
    NullValue,
    Boolean,
    Omitted
  };
  Kind kind = Omitted;
  std::string text;  // UTF-8, for Text
  LONG integer = 0;
  double decimal = 0;
  ScriptDate date;
  ObjectRef object;
  bool boolean = false;
};

struct Statement {
  enum Kind {
    Nothing,
    Call,
    Read,
    Write,
    Table,
    Members,
    Help,
    Echo,
    Quit,
    Mode,
    Timer,
    OpenFile,
    Sql,
    Tables,
    Schema,
    ReadFile,
    Output,
    Reopen
  };
  Kind kind = Nothing;
  std::string name;               // UTF-8 member name, for Call, Read and Write
  std::vector<ScriptValue> args;  // Call: as written (Omitted where left out); Write: one
  std::string echoText;           // UTF-8, for Echo
  // Mode: table, csv or line; Timer: on or off (empty: show the setting);
  // OpenFile, ReadFile, Output: the file (Output: empty for the terminal);
  // Schema: the table (empty: all); Sql: the text for Execute.
  std::string argument;
};

// The console commands, with their dot, as help and completion list them.
extern const char* const kConsoleCommands[];

class ScriptSyntaxError : public std::runtime_error {
 public:
  ScriptSyntaxError(const std::string& what, size_t column)
      : std::runtime_error(what), column_(column) {}
  // 1-based position in the line (in bytes) where the problem was seen.
  size_t column() const { return column_; }

 private:
  size_t column_;
};

// Parses one statement (UTF-8; the lines of a continued statement joined
// with line feeds). Raises ScriptSyntaxError.
Statement ParseStatement(const std::string& text);

// True while the text leaves a double quote or a parenthesis open, so that
// the statement goes on in the next line. A '#' outside quotes starts a
// comment up to the end of its line.
bool StatementIsOpen(const std::string& text);

// SQL typed as it is: the word the text starts with (after blanks and
// comment lines), and whether it is one that starts an SQL statement.
std::string LeadingWord(const std::string& text);
bool IsSqlKeyword(const std::string& word);
// True while SQL text has not ended with ';' outside quotes and comments.
bool SqlIsOpen(const std::string& text);
// The statements of SQL text, split at each ';' outside quotes and
// comments, without the ';'; blank ones are left out.
std::vector<std::string> SqlStatements(const std::string& text);

}  // namespace qorvid::host
