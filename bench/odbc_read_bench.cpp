// The read loop over ODBC to the PostgreSQL that scripts/with-postgres
// names in QORVID_PG_CONNECTION, against the raw ODBC loop.
#include <algorithm>
#include <cstdlib>
#include <stdexcept>

#include "bench/harness.h"
#include "platform/odbc.h"

namespace qorvid::bench {

namespace {

volatile long sink;

// One connection through the ODBC C API, wide calls as the ADO layer makes them.
class Odbc {
 public:
  explicit Odbc(const std::string& connection) {
    SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env_);
    SQLSetEnvAttr(env_, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    SQLAllocHandle(SQL_HANDLE_DBC, env_, &dbc_);
    WideString text = Wide(connection);
    OdbcConnectCodeset utf8;
    if (!SQL_SUCCEEDED(SQLDriverConnectW(dbc_, nullptr, reinterpret_cast<SQLWCHAR*>(&text[0]),
                                         static_cast<SQLSMALLINT>(text.size()), nullptr, 0, nullptr,
                                         SQL_DRIVER_NOPROMPT)))
      throw std::runtime_error("ODBC: cannot connect to " + connection);
  }
  ~Odbc() {
    SQLDisconnect(dbc_);
    SQLFreeHandle(SQL_HANDLE_DBC, dbc_);
    SQLFreeHandle(SQL_HANDLE_ENV, env_);
  }
  Odbc(const Odbc&) = delete;
  Odbc& operator=(const Odbc&) = delete;

  // Runs sql; a statement handle left open when it gives rows.
  SQLHSTMT run(const std::string& sql) {
    SQLHSTMT st = SQL_NULL_HANDLE;
    SQLAllocHandle(SQL_HANDLE_STMT, dbc_, &st);
    WideString text = Wide(sql);
    SQLRETURN rc = SQLExecDirectW(st, reinterpret_cast<SQLWCHAR*>(&text[0]),
                                  static_cast<SQLINTEGER>(text.size()));
    if (!SQL_SUCCEEDED(rc) && rc != SQL_NO_DATA) {
      SQLFreeHandle(SQL_HANDLE_STMT, st);
      throw std::runtime_error("ODBC: " + sql + " failed");
    }
    return st;
  }
  void exec(const std::string& sql) { SQLFreeHandle(SQL_HANDLE_STMT, run(sql)); }

 private:
  SQLHENV env_ = SQL_NULL_HANDLE;
  SQLHDBC dbc_ = SQL_NULL_HANDLE;
};

// The value kinds GetField gives: the integer, BSTRs of the texts and of the
// double's text.
long ReadRaw(Odbc& odbc) {
  SQLHSTMT st = odbc.run("SELECT id, name, amount, note FROM bench_reads");
  long rows = 0;
  SQLWCHAR buffer[256];
  while (SQL_SUCCEEDED(SQLFetch(st))) {
    SQLBIGINT id = 0;
    SQLLEN length = 0;
    SQLGetData(st, 1, SQL_C_SBIGINT, &id, sizeof id, &length);
    long check = static_cast<long>(id);
    for (SQLUSMALLINT c = 2; c <= 4; ++c) {
      SQLGetData(st, c, SQL_C_WCHAR, buffer, sizeof buffer, &length);
      Bstr value(reinterpret_cast<const OLECHAR*>(buffer),
                 length > 0 ? static_cast<UINT>(length / sizeof(SQLWCHAR)) : 0);
      check += static_cast<long>(value.length());
    }
    sink = check;
    ++rows;
  }
  SQLFreeHandle(SQL_HANDLE_STMT, st);
  return rows;
}

}  // namespace

Row OdbcReadRow(long rows, int rounds) {
  Row row{"read loop (ODBC, PostgreSQL), per row", "us", 0, 0, 3, "", ""};
  const char* connection = std::getenv("QORVID_PG_CONNECTION");
  if (!connection || !*connection) {
    row.skipped = "no PostgreSQL (run under scripts/with-postgres)";
    return row;
  }
  Odbc odbc(connection);
  odbc.exec("DROP TABLE IF EXISTS bench_reads");
  odbc.exec("CREATE TABLE bench_reads (id INTEGER, name TEXT, amount DOUBLE PRECISION, note TEXT)");
  odbc.exec(
      "INSERT INTO bench_reads SELECT g, 'item-' || g, g + 0.5, 'Запись номер ' || g "
      "FROM generate_series(0, " +
      std::to_string(rows - 1) + ") g");
  Script script;
  script.call(Bstr(Wide("Open")), Text(connection));
  double component = 1e300, raw = 1e300;
  for (int r = 0; r < rounds; ++r) {
    long read = 0, readRaw = 0;
    component = std::min(
        component, Timed(WallSeconds, [&] { read = ReadThroughComponent(script, "bench_reads"); }));
    raw = std::min(raw, Timed(WallSeconds, [&] { readRaw = ReadRaw(odbc); }));
    if (read != rows || readRaw != rows) throw std::runtime_error("ODBC read loop: rows missing");
  }
  row.qorvid = component / static_cast<double>(rows) * 1e6;
  row.baseline = raw / static_cast<double>(rows) * 1e6;
  return row;
}

}  // namespace qorvid::bench
