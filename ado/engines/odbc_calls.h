// What every ODBC call of the engine goes through: handles that free
// themselves, the driver's own diagnostic text, and the session whose
// check() judges every call's status. Wide calls throughout: SQLWCHAR and
// OLECHAR are both UTF-16.
#pragma once

#include <cstdint>

#include "platform/bstr.h"
#include "platform/odbc.h"

namespace qorvid::ado::odbc {

inline const SQLWCHAR* Sql(const OLECHAR* s) { return reinterpret_cast<const SQLWCHAR*>(s); }

inline SQLPOINTER Flag(SQLUINTEGER value) {
  return reinterpret_cast<SQLPOINTER>(static_cast<uintptr_t>(value));
}

class Handle {
 public:
  Handle(SQLSMALLINT type, SQLHANDLE parent) : type_(type) {
    if (!SQL_SUCCEEDED(SQLAllocHandle(type, parent, &h_))) h_ = SQL_NULL_HANDLE;
  }
  ~Handle() {
    if (h_ != SQL_NULL_HANDLE) SQLFreeHandle(type_, h_);
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  SQLHANDLE get() const { return h_; }
  SQLSMALLINT type() const { return type_; }

 private:
  SQLSMALLINT type_;
  SQLHANDLE h_ = SQL_NULL_HANDLE;
};

// A diagnostic record's message (the first's by default): the driver's own
// words. state, when given, receives its SQLSTATE (empty when there is none).
WideString Diagnostic(SQLSMALLINT type, SQLHANDLE h, SQLRETURN rc, WideString* sqlState = nullptr,
                      SQLSMALLINT record = 1);

// The first diagnostic record that is not a warning (SQLSTATE class 01),
// the first of all when every one is.
SQLSMALLINT FirstErrorRecord(SQLSMALLINT type, SQLHANDLE h);

// The environment (ODBC 3) and connection handles, and what the connection's
// calls have shown of it: whether it is lost, and whether a statement failed
// in the open transaction. Disconnects, rolling back, when it goes.
class Session {
 public:
  // Not copied: its handles are not.
  Session();
  ~Session();

  const Handle& dbc() const { return dbc_; }
  // SQLDriverConnect succeeded: from now a failure may show the connection gone.
  void setConnected() { connected_ = true; }

  // The one way every ODBC call's status is judged: a failure throws the
  // driver's message. A failure that shows the connection gone (SQLSTATE
  // class 08, or the driver saying so) is kept: a driver that has lost its
  // server may answer later calls with success (psqlodbc's SQLEndTran does,
  // having forgotten the transaction), so every later call fails with it.
  void check(SQLRETURN rc, const Handle& h);
  // A statement's own failure (not a client-side one such as a conversion)
  // is what may have cost the transaction on the server.
  void judgeStatement(SQLRETURN rc, const Handle& st) {
    if (!SQL_SUCCEEDED(rc) && inTransaction_) failedInTransaction_ = true;
    check(rc, st);
  }
  bool connectionDead();
  // Fails with the message that showed the connection lost, if one did.
  void requireAlive();
  bool lost() const { return !lost_.empty(); }
  void lose(const WideString& message) {
    if (lost_.empty()) lost_ = message;
  }

  void transactionBegun() {
    inTransaction_ = true;
    failedInTransaction_ = false;
  }
  void transactionEnded() { inTransaction_ = false; }
  bool failedInTransaction() const { return failedInTransaction_; }

 private:
  static SQLHANDLE PreparedEnv(const Handle& env);

  Handle env_;
  Handle dbc_;
  bool connected_ = false;
  bool inTransaction_ = false;
  bool failedInTransaction_ = false;
  // The message that told the connection was lost; empty while it works.
  WideString lost_;
};

}  // namespace qorvid::ado::odbc
