#include "host/console/help_text.h"

namespace qorvid::host {

namespace {

// The examples aligned: a long one puts its description on the next line.
std::string Connections() {
  const size_t column = 52;
  std::string out;
  for (const ConnectionExample* e = kConnectionExamples; e->text; ++e) {
    std::string line = std::string("  ") + e->text;
    if (line.size() + 1 > column)
      line += "\n" + std::string(column, ' ');
    else
      line += std::string(column - line.size(), ' ');
    out += line + e->what + "\n";
  }
  return out;
}

}  // namespace

const std::string& HelpText() {
  static const std::string text =
      "qorvid-console: calls the qorvid component as a host script does.\n"
      "\n"
      "First connect:\n" +
      Connections() +
      "\n"
      "Statements (a statement goes on over several lines while a parenthesis\n"
      "or a double quote is open):\n"
      "  Execute(\"SELECT 1\")        call a method by its English or Russian name\n"
      "  Выполнить(\"SELECT 1\")      (names are case-sensitive, as the host finds them)\n"
      "  ErrorMsg                   read a property (Ошибка, EOF, FieldsCount, Time ...)\n"
      "  Time = \"10:20\"             write a property\n"
      "  MoveNext                   a method named alone is called without arguments\n"
      "\n"
      "Arguments:\n"
      "  \"text\"                     a text; \"\" stands for one double quote\n"
      "  42  -7                     an integer (32-bit)\n"
      "  2.5  1E-5                  a decimal number ('.' is the decimal point)\n"
      "  Date(2004, 3, 5)           a date; also Date(y, m, d, h, min, s) and\n"
      "                             Date(y, m, d, h, min, s, milliseconds)\n"
      "  Object(\"O\", 1, 5, \"   \")   a host object: type identifier, first number,\n"
      "                             object number, suffix\n"
      "  Empty  Null  True  False   the empty value, null, booleans\n"
      "  Execute()  KeyField(, 1)   a left-out argument: the host passes the member's\n"
      "                             default (for Execute the empty text)\n"
      "\n"
      "Results are shown with their kind, e.g. = 42 (integer), = \"Bolt\" (text).\n"
      "After a failed call the console shows ErrorMsg and the new entries of the\n"
      "host's error log, and says that the component has closed the connection\n"
      "(Open it again to go on). A script carries on; its exit status is then 1\n"
      "(with --bail it stops at the first failure).\n"
      "\n"
      "SQL written as it is runs through Execute, and its rows are shown as .table\n"
      "shows them; it starts with an SQL word and ends with ';', over several lines:\n"
      "  SELECT Code, Name FROM Goods WHERE Price > 2;\n"
      "\n"
      "Console commands:\n"
      "  .table                     show the current result set: reads FieldsCount,\n"
      "                             FieldName, then GetField/MoveNext until EOF\n"
      "  .tables  .schema [TABLE]   the tables, and the statements that make them\n"
      "                             (catalog queries run through Execute)\n"
      "  .read FILE                 run the statements of a file\n"
      "  .output FILE  .output      results to a file, then back to the terminal\n"
      "  .reopen                    run the last Open again (after a failure closed it)\n"
      "  .mode table|csv|line       how .table shows rows (table at the start;\n"
      "                             .mode alone shows the setting)\n"
      "  .timer on|off              show the time each statement took\n"
      "  .open FILE                 Open(\"Provider=SQLite;Data Source=FILE\")\n"
      "  .members                   list properties and methods, both names\n"
      "  echo \"text\"                print a line\n"
      "  .help                      this text\n"
      "  .quit  .exit               leave (also Ctrl-D, or Ctrl-C twice at an empty prompt)\n"
      "  # ...                      a comment\n"
      "\n"
      "Tab completes member names, console commands and the file name after .open,\n"
      ".read and .output.\n"
      "\n"
      "Running: qorvid-console [--bail] [--echo] [--module PATH] [-c STATEMENT]... [FILE | -]\n";
  return text;
}

}  // namespace qorvid::host
