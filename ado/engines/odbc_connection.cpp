// Every connection string that does not name the embedded provider goes to
// the ODBC driver manager, as ADO's default provider hands it on. The
// connection runs statements and ends transactions; the rows a statement
// gives are read by the result reader.
#include <cstring>
#include <memory>
#include <mutex>

#include "ado/engines/backend.h"
#include "ado/engines/odbc_calls.h"
#include "ado/engines/odbc_result_reader.h"
#include "ado/model/ado_error.h"

namespace qorvid::ado {

namespace {

using odbc::Flag;
using odbc::Handle;
using odbc::Sql;

const size_t kLongestConnectionString = 32767;

class OdbcConnection : public Backend {
 public:
  explicit OdbcConnection(const WideString& connectionString) : reader_(session_) {
    // The length argument is a SQLSMALLINT: a longer string would be refused
    // as a negative length or, past 65,535, cut without a word (driver
    // managers cut even one given as SQL_NTS). It fails here, saying why.
    if (connectionString.size() > kLongestConnectionString)
      throw AdoError(
          OLESTR("The connection string is longer than the 32767 characters ODBC takes."));
    const Handle& dbc = session_.dbc();
    SQLSMALLINT outLength = 0;
    session_.check(
        SQLDriverConnectW(dbc.get(), nullptr, const_cast<SQLWCHAR*>(Sql(connectionString.c_str())),
                          static_cast<SQLSMALLINT>(connectionString.size()), nullptr, 0, &outLength,
                          SQL_DRIVER_NOPROMPT),
        dbc);
    session_.setConnected();
    odbc::DriverReads& driver = reader_.driver;
    SQLWCHAR dbms[64] = {0};
    SQLSMALLINT dbmsLength = 0;
    if (SQL_SUCCEEDED(SQLGetInfoW(dbc.get(), SQL_DBMS_NAME, dbms,
                                  static_cast<SQLSMALLINT>(sizeof dbms), &dbmsLength))) {
      dbmsName_ = WideString(reinterpret_cast<const OLECHAR*>(dbms));
      postgres_ = dbmsName_ == OLESTR("PostgreSQL");
      // MariaDB's driver, made current by SQLSetPos, gives another row's
      // text or none: a text that outgrows its buffer is read with its row
      // alone there.
      driver.rereadsInBlock = dbmsName_ != OLESTR("MariaDB") && dbmsName_ != OLESTR("MySQL");
      // The same driver (3.1) miscounts the texts it converts to UTF-16:
      // the length it gives is short for some characters (ә among them),
      // cutting the text, and wrong for a text longer than the buffer, whose
      // pieces then lose parts. In a UTF-8 session its bytes come
      // unconverted and exact; texts are read so and decoded here.
      if (!driver.rereadsInBlock && sessionIsUtf8()) driver.textType = SQL_C_CHAR;
    }
    SQLUINTEGER extensions = 0;
    if (SQL_SUCCEEDED(SQLGetInfoW(dbc.get(), SQL_GETDATA_EXTENSIONS, &extensions, sizeof extensions,
                                  nullptr))) {
      // A text longer than its bound buffer is read again with SQLGetData,
      // which the driver must allow on a bound column (and within a block).
      driver.bindable = (extensions & SQL_GD_BOUND) != 0;
      driver.blocks = driver.bindable && (extensions & SQL_GD_BLOCK) != 0;
    }
  }

  std::unique_ptr<ResultSet> execute(const WideString& sql, LONG* affected) override {
    session_.requireAlive();
    if (sql.size() > static_cast<size_t>(INT32_MAX / 2))
      throw AdoError(OLESTR("The command text is too long for ODBC."));
    Handle st(SQL_HANDLE_STMT, session_.dbc().get());
    if (st.get() == SQL_NULL_HANDLE) session_.check(SQL_ERROR, session_.dbc());
    Running running(*this, st.get());
    SQLRETURN rc = SQLExecDirectW(st.get(), const_cast<SQLWCHAR*>(Sql(sql.c_str())),
                                  static_cast<SQLINTEGER>(sql.size()));
    if (rc != SQL_NO_DATA) session_.judgeStatement(rc, st);
    SQLSMALLINT columns = 0;
    session_.check(SQLNumResultCols(st.get(), &columns), st);
    if (columns <= 0) {
      SQLLEN rows = -1;
      if (rc == SQL_NO_DATA)
        rows = 0;
      else if (!SQL_SUCCEEDED(SQLRowCount(st.get(), &rows)))
        rows = -1;
      if (affected) *affected = static_cast<LONG>(rows);
      return nullptr;
    }
    if (affected) *affected = -1;
    return reader_.read(st, columns);
  }

  void beginTransaction() override {
    session_.requireAlive();
    session_.check(SQLSetConnectAttrW(session_.dbc().get(), SQL_ATTR_AUTOCOMMIT,
                                      Flag(SQL_AUTOCOMMIT_OFF), SQL_IS_UINTEGER),
                   session_.dbc());
    session_.transactionBegun();
  }
  void commit() override { end(SQL_COMMIT); }
  void rollback() override { end(SQL_ROLLBACK); }
  WideString dbmsName() const override { return dbmsName_; }

  // SQLCancel from another thread stops the statement that runs or fetches.
  void cancel() override {
    std::lock_guard<std::mutex> hold(runningLock_);
    if (running_ != SQL_NULL_HANDLE) SQLCancel(running_);
  }

 private:
  // The statement handle cancel() may reach while execute() uses it.
  class Running {
   public:
    Running(OdbcConnection& c, SQLHANDLE st) : c_(c) { set(st); }
    ~Running() { set(SQL_NULL_HANDLE); }
    Running(const Running&) = delete;
    Running& operator=(const Running&) = delete;

   private:
    void set(SQLHANDLE st) {
      std::lock_guard<std::mutex> hold(c_.runningLock_);
      c_.running_ = st;
    }
    OdbcConnection& c_;
  };

  // PostgreSQL ends a transaction at its first failed statement and answers
  // COMMIT by rolling back, which the driver reports as success; psqlodbc,
  // undoing a failed statement on its own, may undo earlier statements of the
  // transaction with it (it does for a syntax error). What such a transaction
  // still holds is unknown, so after a failure in it a commit is refused and
  // the transaction stays for RollbackTrans.
  void requireCommittable() {
    if (postgres_ && session_.failedInTransaction())
      throw AdoError(
          OLESTR("A statement of this transaction failed, and PostgreSQL may have undone ")
              OLESTR("other work of it with that statement: the transaction cannot be committed ")
                  OLESTR("and must be rolled back."));
  }

  void end(SQLSMALLINT completion) {
    const Handle& dbc = session_.dbc();
    if (session_.lost() || session_.connectionDead()) {
      // Whatever the transaction did went with the connection.
      session_.transactionEnded();
      session_.requireAlive();
    }
    if (completion == SQL_COMMIT) requireCommittable();
    session_.check(SQLEndTran(SQL_HANDLE_DBC, dbc.get(), completion), dbc);
    session_.transactionEnded();
    // The transaction has ended either way; a connection that cannot go back
    // to committing each statement would hold later work uncommitted, so it
    // is given up rather than used so.
    try {
      session_.check(SQLSetConnectAttrW(dbc.get(), SQL_ATTR_AUTOCOMMIT, Flag(SQL_AUTOCOMMIT_ON),
                                        SQL_IS_UINTEGER),
                     dbc);
    } catch (const AdoError& e) {
      session_.lose(e.description());
    }
  }

  // Whether the session's results come in UTF-8, asked once after connecting.
  bool sessionIsUtf8() {
    Handle st(SQL_HANDLE_STMT, session_.dbc().get());
    if (st.get() == SQL_NULL_HANDLE) return false;
    static const OLECHAR kQuery[] = OLESTR("SELECT @@character_set_results");
    char name[32] = {0};
    SQLLEN length = 0;
    if (!SQL_SUCCEEDED(SQLExecDirectW(st.get(), const_cast<SQLWCHAR*>(Sql(kQuery)), SQL_NTS)) ||
        !SQL_SUCCEEDED(SQLFetch(st.get())) ||
        !SQL_SUCCEEDED(SQLGetData(st.get(), 1, SQL_C_CHAR, name, sizeof name, &length)) ||
        length == SQL_NULL_DATA)
      return false;
    return std::strncmp(name, "utf8", 4) == 0;
  }

  odbc::Session session_;
  odbc::ResultReader reader_;
  std::mutex runningLock_;
  SQLHANDLE running_ = SQL_NULL_HANDLE;
  bool postgres_ = false;
  WideString dbmsName_;
};

}  // namespace

std::unique_ptr<Backend> OpenOdbcBackend(const WideString& connectionString) {
  OdbcConnectCodeset utf8;
  return std::unique_ptr<Backend>(new OdbcConnection(connectionString));
}

}  // namespace qorvid::ado
