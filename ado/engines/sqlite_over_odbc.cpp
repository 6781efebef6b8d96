// The Windows build has no embedded engine: "Provider=SQLite" opens the
// same database through SQLite's ODBC driver, with the CDate function
// loaded into it from a native extension, so that scripts see what they see
// with the embedded backend. The driver's messages carry its status code in
// parentheses; that is taken off so the texts are SQLite's own.
#include <cstdlib>
#include <cstring>
#include <string>

#include "ado/engines/backend.h"
#include "ado/engines/sqlite_odbc_text.h"
#include "ado/model/ado_error.h"
#include "platform/win32.h"

namespace qorvid::ado {

namespace {

// The extension sits next to this DLL unless QORVID_SQLITE_EXTENSION names
// it; the driver is native, so the path is given in the native form. The
// name goes without ".so": SQLite tries it as given, then with ".so", and
// reports the last attempt's error, which then names the real file.
WideString ExtensionPath() {
  if (const char* given = std::getenv("QORVID_SQLITE_EXTENSION"))
    if (*given) return WideString(given, given + std::strlen(given));
  HMODULE module = nullptr;
  if (!GetModuleHandleExW(
          GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
          reinterpret_cast<LPCWSTR>(&ExtensionPath), &module))
    return WideString();
  OLECHAR path[MAX_PATH];
  DWORD n = GetModuleFileNameW(module, path, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return WideString();
  return NativeSiblingPath(WideString(path, n), OLESTR("qorvid_cdate"));
}

class SqliteOverOdbc : public Backend {
 public:
  explicit SqliteOverOdbc(std::unique_ptr<Backend> odbc) : odbc_(std::move(odbc)) {}

  std::unique_ptr<ResultSet> execute(const WideString& sql, LONG* affected) override {
    try {
      return odbc_->execute(sql, affected);
    } catch (const AdoError& e) {
      throw AdoError(EngineMessage(e.description()), e.scode());
    }
  }
  void beginTransaction() override {
    guarded([this] { odbc_->beginTransaction(); });
  }
  void commit() override {
    guarded([this] { odbc_->commit(); });
  }
  WideString dbmsName() const override { return odbc_->dbmsName(); }
  void rollback() override {
    guarded([this] { odbc_->rollback(); });
  }

 private:
  template <class F>
  void guarded(F f) {
    try {
      f();
    } catch (const AdoError& e) {
      throw AdoError(EngineMessage(e.description()), e.scode());
    }
  }

  std::unique_ptr<Backend> odbc_;
};

}  // namespace

std::unique_ptr<Backend> OpenSqliteBackend(const WideString& dataSource) {
  const WideString extension = ExtensionPath();
  WideString connection;
  if (!SqliteOdbcConnectionString(dataSource, extension, &connection))
    throw AdoError(
        OLESTR("The Data Source of the SQLite provider cannot hold ';', '{' or '}' here."));
  try {
    return std::unique_ptr<Backend>(new SqliteOverOdbc(OpenOdbcBackend(connection)));
  } catch (const AdoError& e) {
    throw AdoError(ConnectMessage(e.description()), e.scode());
  }
}

}  // namespace qorvid::ado
