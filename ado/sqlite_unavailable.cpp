// Builds without the embedded engine (the Windows DLL, which reaches every
// database through ODBC) refuse its provider with a plain message.
#include "ado/ado_error.h"
#include "ado/backend.h"

std::unique_ptr<Backend> OpenSqliteBackend(const WideString&) {
  throw AdoError(OLESTR("The SQLite provider is not part of this build; use an ODBC driver."));
}
