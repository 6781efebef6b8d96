// The one interface behind which the database engines sit. A backend runs
// statement text and hands back the result: in memory, or (SQLite) read on
// from the engine as the cursor advances, with the rest read into memory
// before anything else runs. The Connection object maps its failures
// (AdoError with the engine's own message) to the automation exception.
#pragma once

#include <memory>

#include "ado/results/result_set.h"
#include "platform/bstr.h"
#include "platform/win32.h"

namespace qorvid::ado {

class Backend {
 public:
  virtual ~Backend() = default;
  // Runs the text. Gives the rows when it returns any columns (possibly no
  // rows), null when the statement returns none. affected receives the count
  // of changed rows, -1 when unknown.
  virtual std::unique_ptr<ResultSet> execute(const WideString& sql, LONG* affected) = 0;
  virtual void beginTransaction() = 0;
  virtual void commit() = 0;
  virtual void rollback() = 0;
  // Asks the statement that execute() is running on another thread to stop
  // (it then fails); does nothing when none runs.
  virtual void cancel() {}
  // The name the engine gives for itself ("SQLite", the driver's
  // SQL_DBMS_NAME); empty when it gives none.
  virtual WideString dbmsName() const = 0;
};

// Opens the engine the connection string names: "Provider=SQLite;Data
// Source=..." embeds SQLite, every other string goes to ODBC's driver manager.
std::unique_ptr<Backend> OpenBackend(const WideString& connectionString);

// The two engines, each in its own file; a build without SQLite provides a
// stand-in that refuses the provider.
std::unique_ptr<Backend> OpenSqliteBackend(const WideString& dataSource);
std::unique_ptr<Backend> OpenOdbcBackend(const WideString& connectionString);

}  // namespace qorvid::ado
