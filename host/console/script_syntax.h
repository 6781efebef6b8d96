// The console's script language: one statement per line.
//
//   Execute("SELECT 1")          call a method (English or Russian name)
//   KeyField("Code", 15)          arguments: "text", 15, 2.5, Date(...), Object(...),
//   Execute()                     Empty, Null, True, False; a left-out argument
//   ErrorMsg                      read a property
//   Time = "10:20"                write a property
//   .table  .members  help  echo "text"  quit      console commands
//   # comment
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

#include "host/console/ole_date.h"
#include "platform/win32.h"

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
  enum Kind { Nothing, Call, Read, Write, Table, Members, Help, Echo, Quit };
  Kind kind = Nothing;
  std::string name;               // UTF-8 member name, for Call, Read and Write
  std::vector<ScriptValue> args;  // Call: as written (Omitted where left out); Write: one
  std::string echoText;           // UTF-8, for Echo
};

class ScriptSyntaxError : public std::runtime_error {
 public:
  ScriptSyntaxError(const std::string& what, size_t column)
      : std::runtime_error(what), column_(column) {}
  // 1-based position in the line (in bytes) where the problem was seen.
  size_t column() const { return column_; }

 private:
  size_t column_;
};

// Parses one line (UTF-8, without its line break). Raises ScriptSyntaxError.
Statement ParseStatement(const std::string& line);
