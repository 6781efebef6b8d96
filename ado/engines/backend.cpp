#include "ado/engines/backend.h"

#include "ado/engines/connection_string.h"
#include "ado/model/ado_error.h"
#include "platform/text_case.h"

namespace qorvid::ado {

std::unique_ptr<Backend> OpenBackend(const WideString& connectionString) {
  ConnectionString parsed(connectionString);
  WideString provider;
  if (parsed.find(OLESTR("Provider"), &provider) &&
      platform::EqualsIgnoringCase(provider, OLESTR("SQLite"))) {
    WideString source;
    if (!parsed.find(OLESTR("Data Source"), &source) || source.empty())
      throw AdoError(OLESTR("The connection string names no Data Source for the SQLite provider."));
    return OpenSqliteBackend(source);
  }
  if (connectionString.empty()) throw AdoError(OLESTR("The connection string is empty."));
  return OpenOdbcBackend(connectionString);
}

}  // namespace qorvid::ado
