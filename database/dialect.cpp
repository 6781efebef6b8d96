#include "database/dialect.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "automation/automation.h"

namespace qorvid {

namespace {

// Parts of the names drivers and providers give, lower case, first match
// wins: "Microsoft SQL Server", "PostgreSQL", "MariaDB", "MySQL", "SQLite",
// "MS Jet" (Jet and ACE), "ACCESS" (their ODBC driver), "Oracle",
// "Firebird", "InterBase".
const struct {
  const char* part;
  Dbms dbms;
} kNames[] = {
    {"sql server", Dbms::SqlServer}, {"postgresql", Dbms::PostgreSql}, {"mariadb", Dbms::MariaDb},
    {"mysql", Dbms::MariaDb},        {"sqlite", Dbms::Sqlite},         {"jet", Dbms::Access},
    {"access", Dbms::Access},        {"oracle", Dbms::Oracle},         {"firebird", Dbms::Firebird},
    {"interbase", Dbms::Firebird},
};

// Whether text holds part (lower case) in any letter case.
bool Mentions(const std::string& text, const char* part) {
  return std::search(text.begin(), text.end(), part, part + std::strlen(part), [](char a, char b) {
           return std::tolower(static_cast<unsigned char>(a)) == b;
         }) != text.end();
}

// The first field of the first row a query gives on the connection.
std::string Ask(const ComponentState& state, std::string query) {
  const Variant rows = Automation(state.adoConnection).call("Execute", {byRef(query)});
  LONG first = 0;
  const Variant field = Automation(rows).getWith("Fields", byRef(first));
  return ValueText(Automation(field).get("Value"));
}

// MariaDB and MySQL read a backslash in '...' as an escape unless sql_mode
// holds NO_BACKSLASH_ESCAPES. Without an answer the backslash is doubled:
// a doubled one that was not needed changes a text, one missing lets the
// rest of the text run as SQL.
bool ServerEscapesBackslashes(const ComponentState& state) {
  try {
    return !Mentions(Ask(state, "SELECT @@SESSION.sql_mode"), "no_backslash_escapes");
  } catch (const ComponentError&) {
    return true;
  }
}

}  // namespace

Dbms DbmsFromName(const std::string& name) {
  for (const auto& known : kNames)
    if (Mentions(name, known.part)) return known.dbms;
  return Dbms::Unknown;
}

void LearnDialect(ComponentState& state) {
  SqlDialect dialect;
  // A provider without the property, or an ADO without Properties, is a
  // database that does not say what it is: no message, no log entry.
  try {
    const Variant properties = Automation(state.adoConnection).get("Properties");
    const Variant property =
        Automation(properties).getWith("Item", byValue(std::string("DBMS Name")));
    dialect.dbms = DbmsFromName(ValueText(Automation(property).get("Value")));
  } catch (const ComponentError&) {
  }
  if (dialect.dbms == Dbms::MariaDb) dialect.backslashEscapes = ServerEscapesBackslashes(state);
  state.dialect = dialect;
}

void RelearnDialectAfter(ComponentState& state, const std::string& statement) {
  if (state.dialect.dbms != Dbms::MariaDb) return;
  if (!Mentions(statement, "sql_mode")) return;
  state.dialect.backslashEscapes = ServerEscapesBackslashes(state);
}

}  // namespace qorvid
