#include "ado/engines/odbc_calls.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "ado/model/ado_error.h"

namespace qorvid::ado::odbc {

WideString Diagnostic(SQLSMALLINT type, SQLHANDLE h, SQLRETURN rc, WideString* sqlState,
                      SQLSMALLINT record) {
  if (sqlState) sqlState->clear();
  if (h != SQL_NULL_HANDLE) {
    SQLWCHAR state[6] = {0};
    SQLINTEGER native = 0;
    SQLSMALLINT length = 0;
    std::vector<SQLWCHAR> text(1024);
    SQLRETURN d = SQLGetDiagRecW(type, h, record, state, &native, text.data(),
                                 static_cast<SQLSMALLINT>(text.size()), &length);
    if (SQL_SUCCEEDED(d) && length >= static_cast<SQLSMALLINT>(text.size())) {
      text.resize(static_cast<size_t>(length) + 1);
      d = SQLGetDiagRecW(type, h, record, state, &native, text.data(),
                         static_cast<SQLSMALLINT>(text.size()), &length);
    }
    if (SQL_SUCCEEDED(d) && sqlState)
      for (int i = 0; i < 5 && state[i]; ++i) *sqlState += static_cast<OLECHAR>(state[i]);
    if (SQL_SUCCEEDED(d) && length > 0) {
      size_t n = std::min(static_cast<size_t>(length), text.size() - 1);
      return WideString(reinterpret_cast<const OLECHAR*>(text.data()), n);
    }
  }
  char buf[64];
  std::snprintf(buf, sizeof buf, "ODBC call failed with status %d", static_cast<int>(rc));
  WideString out;
  for (const char* p = buf; *p; ++p) out += static_cast<OLECHAR>(*p);
  return out;
}

SQLSMALLINT FirstErrorRecord(SQLSMALLINT type, SQLHANDLE h) {
  for (SQLSMALLINT record = 1; record < 100; ++record) {
    SQLWCHAR state[6] = {0};
    SQLWCHAR text[2];
    SQLINTEGER native = 0;
    SQLSMALLINT length = 0;
    if (!SQL_SUCCEEDED(SQLGetDiagRecW(type, h, record, state, &native, text, 2, &length))) break;
    if (state[0] != '0' || state[1] != '1') return record;
  }
  return 1;
}

Session::Session()
    : env_(SQL_HANDLE_ENV, SQL_NULL_HANDLE), dbc_(SQL_HANDLE_DBC, PreparedEnv(env_)) {
  if (dbc_.get() == SQL_NULL_HANDLE) throw AdoError(Diagnostic(env_.type(), env_.get(), SQL_ERROR));
}

Session::~Session() {
  if (!connected_) return;
  if (inTransaction_) SQLEndTran(SQL_HANDLE_DBC, dbc_.get(), SQL_ROLLBACK);
  SQLDisconnect(dbc_.get());
}

SQLHANDLE Session::PreparedEnv(const Handle& env) {
  if (env.get() == SQL_NULL_HANDLE)
    throw AdoError(OLESTR("The ODBC driver manager could not be initialised."));
  // Called before the connection handle is made: judged here, not by check().
  if (!SQL_SUCCEEDED(SQLSetEnvAttr(env.get(), SQL_ATTR_ODBC_VERSION, Flag(SQL_OV_ODBC3), 0)))
    throw AdoError(Diagnostic(env.type(), env.get(), SQL_ERROR));
  return env.get();
}

void Session::check(SQLRETURN rc, const Handle& h) {
  if (SQL_SUCCEEDED(rc)) return;
  WideString state;
  WideString message = Diagnostic(h.type(), h.get(), rc, &state);
  if (connected_ && lost_.empty() &&
      ((state.size() == 5 && state[0] == '0' && state[1] == '8') || connectionDead()))
    lost_ = message;
  throw AdoError(message);
}

bool Session::connectionDead() {
  SQLUINTEGER dead = SQL_CD_FALSE;
  SQLRETURN rc =
      SQLGetConnectAttrW(dbc_.get(), SQL_ATTR_CONNECTION_DEAD, &dead, SQL_IS_UINTEGER, nullptr);
  return SQL_SUCCEEDED(rc) && dead == SQL_CD_TRUE;
}

void Session::requireAlive() {
  if (lost_.empty() && connected_ && connectionDead())
    lost_ = OLESTR("The connection to the database has been lost.");
  if (!lost_.empty()) throw AdoError(lost_);
}

}  // namespace qorvid::ado::odbc
