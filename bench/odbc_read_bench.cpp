// The read loop over ODBC to the PostgreSQL that scripts/with-postgres
// names in QORVID_PG_CONNECTION, against the raw ODBC loop. Timed in CPU
// time of both processes, client and server.
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "bench/harness.h"
#include "platform/odbc.h"

namespace qorvid::bench {

namespace {

volatile long sink;

// User and system CPU time of a local process, from /proc/PID/stat; -1 when
// it cannot be read.
double ServerCpuSeconds(long pid) {
  std::ifstream file("/proc/" + std::to_string(pid) + "/stat");
  std::string stat;
  std::getline(file, stat);
  const size_t end = stat.rfind(')');  // after the command name, which may hold blanks
  if (pid <= 0 || end == std::string::npos) return -1;
  std::istringstream fields(stat.substr(end + 2));
  std::string field;
  double ticks = 0;
  for (int i = 0; i < 13 && fields >> field; ++i)
    if (i >= 11) ticks += std::atof(field.c_str());  // utime and stime
  return ticks / static_cast<double>(sysconf(_SC_CLK_TCK));
}

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
  // The process id of the server process serving this connection.
  long backend() {
    SQLHSTMT st = run("SELECT pg_backend_pid()");
    SQLINTEGER pid = -1;
    SQLLEN length = 0;
    if (SQL_SUCCEEDED(SQLFetch(st))) SQLGetData(st, 1, SQL_C_SLONG, &pid, sizeof pid, &length);
    SQLFreeHandle(SQL_HANDLE_STMT, st);
    return pid;
  }

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
  const long server = odbc.backend();
  script.call(Bstr(Wide("Execute")), Text("SELECT pg_backend_pid()"));
  const Variant pid = script.call(Bstr(Wide("GetField")), Variant::fromInt(0));
  const long componentServer = pid.vt() == VT_I4 ? pid.get().lVal : -1;
  if (ServerCpuSeconds(server) < 0 || ServerCpuSeconds(componentServer) < 0) {
    row.skipped = "the server's CPU time is not readable here (a server on another machine?)";
    return row;
  }
  // CPU time of this process and of the server process serving the
  // connection: both sides' whole cost, however busy the machine is.
  auto cost = [](long backend, const std::function<void()>& work) {
    const double before = ServerCpuSeconds(backend);
    const double client = Timed(CpuSeconds, work);
    return client + ServerCpuSeconds(backend) - before;
  };
  double component = 1e300, raw = 1e300;
  for (int r = 0; r < rounds; ++r) {
    long read = 0, readRaw = 0;
    component = std::min(component, cost(componentServer, [&] {
                           read = ReadThroughComponent(script, "bench_reads");
                         }));
    raw = std::min(raw, cost(server, [&] { readRaw = ReadRaw(odbc); }));
    if (read != rows || readRaw != rows) throw std::runtime_error("ODBC read loop: rows missing");
  }
  row.qorvid = component / static_cast<double>(rows) * 1e6;
  row.baseline = raw / static_cast<double>(rows) * 1e6;
  return row;
}

}  // namespace qorvid::bench
