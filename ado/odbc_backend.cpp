// Every connection string that does not name the embedded provider goes to
// the ODBC driver manager, as ADO's default provider hands it on. Wide calls
// throughout: SQLWCHAR and OLECHAR are both UTF-16.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "ado/ado_error.h"
#include "ado/backend.h"
#include "ado/cell_values.h"
#include "platform/odbc.h"

namespace qorvid::ado {

namespace {

const size_t kLongestConnectionString = 32767;

const SQLWCHAR* Sql(const OLECHAR* s) { return reinterpret_cast<const SQLWCHAR*>(s); }

class OdbcHandle {
 public:
  OdbcHandle(SQLSMALLINT type, SQLHANDLE parent) : type_(type) {
    if (!SQL_SUCCEEDED(SQLAllocHandle(type, parent, &h_))) h_ = SQL_NULL_HANDLE;
  }
  ~OdbcHandle() {
    if (h_ != SQL_NULL_HANDLE) SQLFreeHandle(type_, h_);
  }
  OdbcHandle(const OdbcHandle&) = delete;
  OdbcHandle& operator=(const OdbcHandle&) = delete;
  SQLHANDLE get() const { return h_; }
  SQLSMALLINT type() const { return type_; }

 private:
  SQLSMALLINT type_;
  SQLHANDLE h_ = SQL_NULL_HANDLE;
};

// A diagnostic record's message (the first's by default): the driver's own
// words. state, when given, receives its SQLSTATE (empty when there is none).
WideString Diagnostic(SQLSMALLINT type, SQLHANDLE h, SQLRETURN rc, WideString* sqlState = nullptr,
                      SQLSMALLINT record = 1) {
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

// The first diagnostic record that is not a warning (SQLSTATE class 01),
// the first of all when every one is.
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

SQLPOINTER Flag(SQLUINTEGER value) {
  return reinterpret_cast<SQLPOINTER>(static_cast<uintptr_t>(value));
}

enum class Read {
  Int32,
  Int64,
  UInt64,
  Int16,
  Double,
  Single,
  Decimal,
  Bit,
  Date,
  Time,
  Timestamp,
  Text,
  Binary
};

// unsignedType: the column holds no negative numbers (MariaDB's UNSIGNED),
// so its largest values need a wider read than its signed twin.
Read ReadFor(SQLSMALLINT sqlType, bool unsignedType) {
  switch (sqlType) {
    case SQL_INTEGER:
      return Read::Int32;
    case SQL_BIGINT:
      return unsignedType ? Read::UInt64 : Read::Int64;
    case SQL_SMALLINT:
      return unsignedType ? Read::Int32 : Read::Int16;
    case SQL_TINYINT:
      return Read::Int16;
    case SQL_DOUBLE:
    case SQL_FLOAT:
      return Read::Double;
    case SQL_REAL:
      return Read::Single;
    case SQL_NUMERIC:
    case SQL_DECIMAL:
      return Read::Decimal;
    case SQL_BIT:
      return Read::Bit;
    case SQL_TYPE_DATE:
    case SQL_DATE:
      return Read::Date;
    case SQL_TYPE_TIME:
    case SQL_TIME:
      return Read::Time;
    case SQL_TYPE_TIMESTAMP:
    case SQL_TIMESTAMP:
      return Read::Timestamp;
    case SQL_BINARY:
    case SQL_VARBINARY:
    case SQL_LONGVARBINARY:
      return Read::Binary;
    default:
      return Read::Text;
  }
}

VARTYPE VartypeFor(Read r) {
  switch (r) {
    case Read::Int32:
      return VT_I4;
    case Read::Int64:
      return VT_I8;
    case Read::UInt64:
      return VT_DECIMAL;  // its values past the signed range come as decimals
    case Read::Int16:
      return VT_I2;
    case Read::Double:
      return VT_R8;
    case Read::Single:
      return VT_R4;
    case Read::Decimal:
      return VT_DECIMAL;
    case Read::Bit:
      return VT_BOOL;
    case Read::Date:
    case Read::Time:
    case Read::Timestamp:
      return VT_DATE;
    case Read::Binary:
      return VT_ARRAY | VT_UI1;
    case Read::Text:
      break;
  }
  return VT_BSTR;
}

// The C type and size a value of a fixed-size kind is read into; 0 for the
// kinds read in pieces (texts, decimals, bytes).
struct FixedRead {
  SQLSMALLINT cType;
  SQLLEN size;
};

FixedRead FixedFor(Read r) {
  switch (r) {
    case Read::Int32:
    case Read::Int64:
      // Wide enough for any integer column: an SQLite INTEGER may hold 64 bits.
      return {SQL_C_SBIGINT, sizeof(SQLBIGINT)};
    case Read::UInt64:
      return {SQL_C_UBIGINT, sizeof(SQLUBIGINT)};
    case Read::Int16:
      return {SQL_C_SSHORT, sizeof(SQLSMALLINT)};
    case Read::Double:
      return {SQL_C_DOUBLE, sizeof(SQLDOUBLE)};
    case Read::Single:
      // Read as a double, which holds every single exactly: MariaDB's driver
      // steps through a block of SQL_C_FLOAT values 8 bytes at a time.
      return {SQL_C_DOUBLE, sizeof(SQLDOUBLE)};
    case Read::Bit:
      return {SQL_C_BIT, sizeof(unsigned char)};
    case Read::Date:
      return {SQL_C_TYPE_DATE, sizeof(SQL_DATE_STRUCT)};
    case Read::Time:
      return {SQL_C_TYPE_TIME, sizeof(SQL_TIME_STRUCT)};
    case Read::Timestamp:
      return {SQL_C_TYPE_TIMESTAMP, sizeof(SQL_TIMESTAMP_STRUCT)};
    case Read::Decimal:
    case Read::Text:
    case Read::Binary:
      break;
  }
  return {0, 0};
}

// The value of a fixed-size kind as the driver wrote it at p.
Variant FixedVariant(Read read, const void* p) {
  switch (read) {
    case Read::Int32:
    case Read::Int64: {
      SQLBIGINT v;
      std::memcpy(&v, p, sizeof v);
      if (read == Read::Int32 && v >= -2147483647LL - 1 && v <= 2147483647LL)
        return Variant::fromInt(static_cast<LONG>(v));
      return Int64Variant(v);
    }
    case Read::UInt64: {
      SQLUBIGINT v;
      std::memcpy(&v, p, sizeof v);
      if (v <= static_cast<SQLUBIGINT>(INT64_MAX)) return Int64Variant(static_cast<LONGLONG>(v));
      // No signed 64-bit type holds it; a decimal does, exactly.
      DECIMAL d;
      std::memset(&d, 0, sizeof d);
      d.Lo64 = v;
      return DecimalVariant(d);
    }
    case Read::Int16: {
      SQLSMALLINT v;
      std::memcpy(&v, p, sizeof v);
      return Int16Variant(v);
    }
    case Read::Double: {
      SQLDOUBLE v;
      std::memcpy(&v, p, sizeof v);
      return Variant::fromDouble(v);
    }
    case Read::Single: {
      SQLDOUBLE v;
      std::memcpy(&v, p, sizeof v);
      return FloatVariant(static_cast<float>(v));
    }
    case Read::Bit:
      return Variant::fromBool(*static_cast<const unsigned char*>(p) != 0);
    case Read::Date: {
      SQL_DATE_STRUCT v;
      std::memcpy(&v, p, sizeof v);
      DateParts d;
      d.year = v.year;
      d.month = v.month;
      d.day = v.day;
      return Variant::fromDate(DateFromParts(d));
    }
    case Read::Time: {
      SQL_TIME_STRUCT v;
      std::memcpy(&v, p, sizeof v);
      return Variant::fromDate(((v.hour * 60.0 + v.minute) * 60.0 + v.second) / 86400.0);
    }
    case Read::Timestamp: {
      SQL_TIMESTAMP_STRUCT v;
      std::memcpy(&v, p, sizeof v);
      DateParts d;
      d.year = v.year;
      d.month = v.month;
      d.day = v.day;
      d.hour = v.hour;
      d.minute = v.minute;
      d.second = v.second;
      d.millisecond = static_cast<int>(v.fraction / 1000000);
      return Variant::fromDate(DateFromParts(d));
    }
    case Read::Decimal:
    case Read::Text:
    case Read::Binary:
      break;
  }
  return Variant();
}

// Room for a text read with its row: the common short texts fit, a longer
// one is read again on its own. In UTF-16 units, with the terminator.
const SQLLEN kBoundTextUnits = 256;
// Rows fetched at once, and the most their buffers may take.
const size_t kMostBlockRows = 256;
const size_t kBlockBytes = 64 * 1024;

// Bound column buffers: one SQLFetch converts a row's values, or a block
// of rows', into them, far cheaper than a SQLGetData call per value.
struct Block {
  struct Column {
    Read read;
    SQLLEN width;  // bytes per row
    std::unique_ptr<char[]> data;
    std::unique_ptr<SQLLEN[]> indicator;
  };
  std::vector<Column> columns;
  size_t rows = 1;
  std::unique_ptr<SQLUSMALLINT[]> status;
  SQLULEN fetched = 0;
};

class OdbcBackend : public Backend {
 public:
  explicit OdbcBackend(const WideString& connectionString)
      : env_(SQL_HANDLE_ENV, SQL_NULL_HANDLE), dbc_(SQL_HANDLE_DBC, prepareEnv()) {
    if (dbc_.get() == SQL_NULL_HANDLE)
      throw AdoError(Diagnostic(env_.type(), env_.get(), SQL_ERROR));
    // The length argument is a SQLSMALLINT: a longer string would be refused
    // as a negative length or, past 65,535, cut without a word (driver
    // managers cut even one given as SQL_NTS). It fails here, saying why.
    if (connectionString.size() > kLongestConnectionString)
      throw AdoError(
          OLESTR("The connection string is longer than the 32767 characters ODBC takes."));
    SQLSMALLINT outLength = 0;
    check(
        SQLDriverConnectW(dbc_.get(), nullptr, const_cast<SQLWCHAR*>(Sql(connectionString.c_str())),
                          static_cast<SQLSMALLINT>(connectionString.size()), nullptr, 0, &outLength,
                          SQL_DRIVER_NOPROMPT),
        dbc_);
    connected_ = true;
    SQLWCHAR dbms[64] = {0};
    SQLSMALLINT dbmsLength = 0;
    if (SQL_SUCCEEDED(SQLGetInfoW(dbc_.get(), SQL_DBMS_NAME, dbms,
                                  static_cast<SQLSMALLINT>(sizeof dbms), &dbmsLength))) {
      dbmsName_ = WideString(reinterpret_cast<const OLECHAR*>(dbms));
      postgres_ = dbmsName_ == OLESTR("PostgreSQL");
      // MariaDB's driver, made current by SQLSetPos, gives another row's
      // text or none: a text that outgrows its buffer is read with its row
      // alone there.
      rereadsInBlock_ = dbmsName_ != OLESTR("MariaDB") && dbmsName_ != OLESTR("MySQL");
      // The same driver (3.1) miscounts the texts it converts to UTF-16:
      // the length it gives is short for some characters (ә among them),
      // cutting the text, and wrong for a text longer than the buffer, whose
      // pieces then lose parts. In a UTF-8 session its bytes come
      // unconverted and exact; texts are read so and decoded here.
      if (!rereadsInBlock_ && sessionIsUtf8()) textType_ = SQL_C_CHAR;
    }
    SQLUINTEGER extensions = 0;
    if (SQL_SUCCEEDED(SQLGetInfoW(dbc_.get(), SQL_GETDATA_EXTENSIONS, &extensions,
                                  sizeof extensions, nullptr))) {
      // A text longer than its bound buffer is read again with SQLGetData,
      // which the driver must allow on a bound column (and within a block).
      bindable_ = (extensions & SQL_GD_BOUND) != 0;
      blocks_ = bindable_ && (extensions & SQL_GD_BLOCK) != 0;
    }
  }

  ~OdbcBackend() override {
    if (!connected_) return;
    if (inTransaction_) SQLEndTran(SQL_HANDLE_DBC, dbc_.get(), SQL_ROLLBACK);
    SQLDisconnect(dbc_.get());
  }

  std::unique_ptr<ResultSet> execute(const WideString& sql, LONG* affected) override {
    requireAlive();
    if (sql.size() > static_cast<size_t>(INT32_MAX / 2))
      throw AdoError(OLESTR("The command text is too long for ODBC."));
    OdbcHandle st(SQL_HANDLE_STMT, dbc_.get());
    if (st.get() == SQL_NULL_HANDLE) check(SQL_ERROR, dbc_);
    Running running(*this, st.get());
    SQLRETURN rc = SQLExecDirectW(st.get(), const_cast<SQLWCHAR*>(Sql(sql.c_str())),
                                  static_cast<SQLINTEGER>(sql.size()));
    if (rc != SQL_NO_DATA) judgeStatement(rc, st);
    SQLSMALLINT columns = 0;
    check(SQLNumResultCols(st.get(), &columns), st);
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
    std::unique_ptr<ResultSet> result(new ResultSet);
    std::vector<Read> reads;
    for (SQLUSMALLINT c = 1; c <= static_cast<SQLUSMALLINT>(columns); ++c) {
      SQLWCHAR name[256] = {0};
      SQLSMALLINT nameLength = 0, type = 0, digits = 0, nullable = 0;
      SQLULEN size = 0;
      check(SQLDescribeColW(st.get(), c, name, 256, &nameLength, &type, &size, &digits, &nullable),
            st);
      ResultColumn col;
      col.name.assign(reinterpret_cast<const OLECHAR*>(name),
                      std::min<size_t>(static_cast<size_t>(nameLength > 0 ? nameLength : 0), 255));
      // Some drivers (SQLite's) count the name's UTF-8 bytes, not its characters.
      col.name.resize(std::min(col.name.size(), col.name.find(OLECHAR(0))));
      SQLLEN unsignedType = SQL_FALSE;
      if ((type == SQL_BIGINT || type == SQL_SMALLINT) &&
          !SQL_SUCCEEDED(
              SQLColAttributeW(st.get(), c, SQL_DESC_UNSIGNED, nullptr, 0, nullptr, &unsignedType)))
        unsignedType = SQL_FALSE;
      reads.push_back(ReadFor(type, unsignedType == SQL_TRUE));
      col.declared = VartypeFor(reads.back());
      result->columns.push_back(std::move(col));
    }
    if (bindable_ && std::all_of(reads.begin(), reads.end(),
                                 [](Read r) { return r == Read::Text || FixedFor(r).size > 0; })) {
      readBlocks(st, reads, *result);
      return result;
    }
    for (;;) {
      rc = SQLFetch(st.get());
      if (rc == SQL_NO_DATA) break;
      judgeStatement(rc, st);
      for (SQLUSMALLINT c = 1; c <= static_cast<SQLUSMALLINT>(columns); ++c)
        appendCell(st, c, reads[c - 1], *result);
    }
    return result;
  }

  void beginTransaction() override {
    requireAlive();
    check(SQLSetConnectAttrW(dbc_.get(), SQL_ATTR_AUTOCOMMIT, Flag(SQL_AUTOCOMMIT_OFF),
                             SQL_IS_UINTEGER),
          dbc_);
    inTransaction_ = true;
    failedInTransaction_ = false;
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
    Running(OdbcBackend& b, SQLHANDLE st) : b_(b) { set(st); }
    ~Running() { set(SQL_NULL_HANDLE); }
    Running(const Running&) = delete;
    Running& operator=(const Running&) = delete;

   private:
    void set(SQLHANDLE st) {
      std::lock_guard<std::mutex> hold(b_.runningLock_);
      b_.running_ = st;
    }
    OdbcBackend& b_;
  };

  SQLHANDLE prepareEnv() {
    if (env_.get() == SQL_NULL_HANDLE)
      throw AdoError(OLESTR("The ODBC driver manager could not be initialised."));
    // Called before the other members are made: judged here, not by check().
    if (!SQL_SUCCEEDED(SQLSetEnvAttr(env_.get(), SQL_ATTR_ODBC_VERSION, Flag(SQL_OV_ODBC3), 0)))
      throw AdoError(Diagnostic(env_.type(), env_.get(), SQL_ERROR));
    return env_.get();
  }

  // The one way every ODBC call's status is judged: a failure throws the
  // driver's message. A failure that shows the connection gone (SQLSTATE
  // class 08, or the driver saying so) is kept: a driver that has lost its
  // server may answer later calls with success (psqlodbc's SQLEndTran does,
  // having forgotten the transaction), so every later call fails with it.
  void check(SQLRETURN rc, const OdbcHandle& h) {
    if (SQL_SUCCEEDED(rc)) return;
    WideString state;
    WideString message = Diagnostic(h.type(), h.get(), rc, &state);
    if (connected_ && lost_.empty() &&
        ((state.size() == 5 && state[0] == '0' && state[1] == '8') || connectionDead()))
      lost_ = message;
    throw AdoError(message);
  }

  // A statement's own failure (not a client-side one such as a conversion)
  // is what may have cost the transaction on the server.
  void judgeStatement(SQLRETURN rc, const OdbcHandle& st) {
    if (!SQL_SUCCEEDED(rc) && inTransaction_) failedInTransaction_ = true;
    check(rc, st);
  }

  bool connectionDead() {
    SQLUINTEGER dead = SQL_CD_FALSE;
    SQLRETURN rc =
        SQLGetConnectAttrW(dbc_.get(), SQL_ATTR_CONNECTION_DEAD, &dead, SQL_IS_UINTEGER, nullptr);
    return SQL_SUCCEEDED(rc) && dead == SQL_CD_TRUE;
  }

  void requireAlive() {
    if (lost_.empty() && connected_ && connectionDead())
      lost_ = OLESTR("The connection to the database has been lost.");
    if (!lost_.empty()) throw AdoError(lost_);
  }

  // PostgreSQL ends a transaction at its first failed statement and answers
  // COMMIT by rolling back, which the driver reports as success; psqlodbc,
  // undoing a failed statement on its own, may undo earlier statements of the
  // transaction with it (it does for a syntax error). What such a transaction
  // still holds is unknown, so after a failure in it a commit is refused and
  // the transaction stays for RollbackTrans.
  void requireCommittable() {
    if (postgres_ && failedInTransaction_)
      throw AdoError(
          OLESTR("A statement of this transaction failed, and PostgreSQL may have undone ")
              OLESTR("other work of it with that statement: the transaction cannot be committed ")
                  OLESTR("and must be rolled back."));
  }

  void end(SQLSMALLINT completion) {
    if (!lost_.empty() || connectionDead()) {
      // Whatever the transaction did went with the connection.
      inTransaction_ = false;
      requireAlive();
    }
    if (completion == SQL_COMMIT) requireCommittable();
    check(SQLEndTran(SQL_HANDLE_DBC, dbc_.get(), completion), dbc_);
    inTransaction_ = false;
    // The transaction has ended either way; a connection that cannot go back
    // to committing each statement would hold later work uncommitted, so it
    // is given up rather than used so.
    try {
      check(SQLSetConnectAttrW(dbc_.get(), SQL_ATTR_AUTOCOMMIT, Flag(SQL_AUTOCOMMIT_ON),
                               SQL_IS_UINTEGER),
            dbc_);
    } catch (const AdoError& e) {
      if (lost_.empty()) lost_ = e.description();
    }
  }

  // Variable-length values, read in pieces until the driver has no more.
  bool pieces(const OdbcHandle& st, SQLUSMALLINT c, SQLSMALLINT cType, std::string* out) {
    const size_t terminator =
        cType == SQL_C_WCHAR ? sizeof(SQLWCHAR) : (cType == SQL_C_CHAR ? 1 : 0);
    // One buffer for every cell, back to its first size after a long value.
    std::vector<char>& buffer = piece_;
    if (buffer.size() != 8192) std::vector<char>(8192).swap(buffer);
    out->clear();
    for (;;) {
      SQLLEN indicator = 0;
      SQLRETURN rc = SQLGetData(st.get(), c, cType, buffer.data(),
                                static_cast<SQLLEN>(buffer.size()), &indicator);
      if (rc == SQL_NO_DATA) break;
      check(rc, st);
      if (indicator == SQL_NULL_DATA) return false;
      const size_t room = buffer.size() - terminator;
      size_t got = (indicator == SQL_NO_TOTAL || static_cast<size_t>(indicator) > room)
                       ? room
                       : static_cast<size_t>(indicator);
      if (cType == SQL_C_WCHAR) got -= got % sizeof(SQLWCHAR);
      out->append(buffer.data(), got);
      if (rc == SQL_SUCCESS) break;
      if (indicator != SQL_NO_TOTAL && static_cast<size_t>(indicator) <= room) break;
      // More to come. Some drivers (SQLite's) convert the whole rest of the
      // value for every piece, so fixed pieces would cost time in the square
      // of its length: the rest comes in one call when its length is known,
      // else in pieces twice as large each time.
      const size_t next = indicator != SQL_NO_TOTAL
                              ? static_cast<size_t>(indicator) - got + terminator
                              : buffer.size() * 2;
      if (next > buffer.size()) buffer.resize(next);
    }
    return true;
  }

  // Every column bound, a block of rows per SQLFetch where the driver can.
  // A text that did not fit its buffer is read again in full, its row made
  // current first when the block holds more than one.
  void readBlocks(const OdbcHandle& st, const std::vector<Read>& reads, ResultSet& out) {
    Block block;
    size_t rowBytes = 0;
    for (Read r : reads) {
      const SQLLEN width = r == Read::Text ? kBoundTextUnits * static_cast<SQLLEN>(sizeof(SQLWCHAR))
                                           : FixedFor(r).size;
      block.columns.push_back({r, width, nullptr, nullptr});
      rowBytes += static_cast<size_t>(width) + sizeof(SQLLEN);
    }
    const bool texts = std::find(reads.begin(), reads.end(), Read::Text) != reads.end();
    if (blocks_ && (rereadsInBlock_ || !texts))
      startBlocks(st, std::min(kMostBlockRows, kBlockBytes / rowBytes), block);
    for (size_t i = 0; i < block.columns.size(); ++i) {
      Block::Column& col = block.columns[i];
      col.data.reset(new char[block.rows * static_cast<size_t>(col.width)]);
      col.indicator.reset(new SQLLEN[block.rows]);
      const SQLSMALLINT cType = col.read == Read::Text ? textType_ : FixedFor(col.read).cType;
      check(SQLBindCol(st.get(), static_cast<SQLUSMALLINT>(i + 1), cType, col.data.get(), col.width,
                       col.indicator.get()),
            st);
    }
    for (;;) {
      block.fetched = 1;
      SQLRETURN rc = SQLFetch(st.get());
      if (rc == SQL_NO_DATA) break;
      judgeStatement(rc, st);
      for (size_t row = 0; row < block.fetched && row < block.rows; ++row) {
        // A value the driver could not convert fails the read, as it does
        // when read alone; warnings of truncated texts may come before it.
        if (block.status && block.status[row] == SQL_ROW_ERROR)
          throw AdoError(Diagnostic(st.type(), st.get(), SQL_ERROR, nullptr,
                                    FirstErrorRecord(st.type(), st.get())));
        for (size_t i = 0; i < block.columns.size(); ++i) {
          const Block::Column& col = block.columns[i];
          const SQLLEN indicator = col.indicator[row];
          const char* value = col.data.get() + row * static_cast<size_t>(col.width);
          if (indicator == SQL_NULL_DATA) {
            out.appendNull();
          } else if (col.read != Read::Text) {
            out.append(FixedVariant(col.read, value));
          } else if (indicator >= 0 && indicator <= col.width - terminator()) {
            appendText(value, static_cast<size_t>(indicator), out);
          } else {
            if (block.rows > 1)
              check(SQLSetPos(st.get(), static_cast<SQLSETPOSIROW>(row + 1), SQL_POSITION,
                              SQL_LOCK_NO_CHANGE),
                    st);
            appendCell(st, static_cast<SQLUSMALLINT>(i + 1), Read::Text, out);
          }
        }
      }
    }
  }

  // Asks for blocks of up to `rows` rows, with the count and status of each
  // block's rows; a driver that refuses any of it is read a row at a time.
  void startBlocks(const OdbcHandle& st, size_t rows, Block& block) {
    if (rows < 2) return;
    block.status.reset(new SQLUSMALLINT[rows]);
    SQLULEN granted = 0;
    if (SQL_SUCCEEDED(SQLSetStmtAttrW(st.get(), SQL_ATTR_ROW_ARRAY_SIZE,
                                      Flag(static_cast<SQLUINTEGER>(rows)), 0)) &&
        SQL_SUCCEEDED(SQLGetStmtAttrW(st.get(), SQL_ATTR_ROW_ARRAY_SIZE, &granted, sizeof granted,
                                      nullptr)) &&
        granted > 1 &&
        SQL_SUCCEEDED(SQLSetStmtAttrW(st.get(), SQL_ATTR_ROW_STATUS_PTR, block.status.get(), 0)) &&
        SQL_SUCCEEDED(SQLSetStmtAttrW(st.get(), SQL_ATTR_ROWS_FETCHED_PTR, &block.fetched, 0))) {
      // A driver may settle for fewer rows than asked.
      block.rows = std::min(rows, static_cast<size_t>(granted));
      return;
    }
    SQLSetStmtAttrW(st.get(), SQL_ATTR_ROW_ARRAY_SIZE, Flag(1), 0);
    SQLSetStmtAttrW(st.get(), SQL_ATTR_ROW_STATUS_PTR, nullptr, 0);
    SQLSetStmtAttrW(st.get(), SQL_ATTR_ROWS_FETCHED_PTR, nullptr, 0);
    block.status.reset();
  }

  void appendCell(const OdbcHandle& st, SQLUSMALLINT c, Read read, ResultSet& out) {
    if (read != Read::Text) return out.append(cell(st, c, read));
    if (!pieces(st, c, textType_, &text_)) return out.appendNull();
    appendText(text_.data(), text_.size(), out);
  }

  // The size of the terminator the driver writes after a text.
  SQLLEN terminator() const {
    return textType_ == SQL_C_CHAR ? 1 : static_cast<SQLLEN>(sizeof(SQLWCHAR));
  }
  // A text as it was read: UTF-16 units, or UTF-8 bytes.
  void appendText(const char* bytes, size_t size, ResultSet& out) {
    if (textType_ != SQL_C_CHAR)
      return out.appendWide(reinterpret_cast<const OLECHAR*>(bytes), size / sizeof(OLECHAR));
    if (out.appendUtf8(bytes, size)) return;
    // Too long for the arena, or not well-formed: what does not decode
    // becomes U+FFFD, as the driver's own conversion would make it.
    const int length = static_cast<int>(std::min<size_t>(size, INT32_MAX));
    const int units = MultiByteToWideChar(CP_UTF8, 0, bytes, length, nullptr, 0);
    wide_.resize(static_cast<size_t>(units > 0 ? units : 0));
    if (units > 0) MultiByteToWideChar(CP_UTF8, 0, bytes, length, &wide_[0], units);
    out.appendWide(wide_.data(), wide_.size());
  }

  // Whether the session's results come in UTF-8, asked once after connecting.
  bool sessionIsUtf8() {
    OdbcHandle st(SQL_HANDLE_STMT, dbc_.get());
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

  Variant cell(const OdbcHandle& st, SQLUSMALLINT c, Read read) {
    const FixedRead fixedRead = FixedFor(read);
    if (fixedRead.size > 0) {
      // Aligned and large enough for any of the fixed kinds.
      union {
        SQLBIGINT integer;
        SQLDOUBLE real;
        SQL_TIMESTAMP_STRUCT timestamp;
      } v;
      std::memset(&v, 0, sizeof v);
      SQLLEN indicator = 0;
      check(SQLGetData(st.get(), c, fixedRead.cType, &v, fixedRead.size, &indicator), st);
      if (indicator == SQL_NULL_DATA) return Variant::null();
      return FixedVariant(read, &v);
    }
    switch (read) {
      case Read::Decimal: {
        std::string digits;
        if (!pieces(st, c, SQL_C_CHAR, &digits)) return Variant::null();
        while (!digits.empty() && digits.back() == '\0') digits.pop_back();
        DECIMAL d;
        if (DecimalFromText(digits, &d)) return DecimalVariant(d);
        // Beyond a decimal's 28 digits: the nearest double, not an error.
        char* end = nullptr;
        double v = std::strtod(digits.c_str(), &end);
        if (end && end != digits.c_str()) return Variant::fromDouble(v);
        return Variant::fromWide(WideString(digits.begin(), digits.end()));
      }
      case Read::Binary: {
        std::string bytes;
        if (!pieces(st, c, SQL_C_BINARY, &bytes)) return Variant::null();
        return ByteArrayVariant(bytes.data(), bytes.size());
      }
      default:
        break;
    }
    return Variant();  // texts go straight to the result (appendCell)
  }

  OdbcHandle env_;
  OdbcHandle dbc_;
  std::mutex runningLock_;
  SQLHANDLE running_ = SQL_NULL_HANDLE;
  bool connected_ = false;
  bool inTransaction_ = false;
  // A call failed since BeginTrans; and whether the server is PostgreSQL.
  bool failedInTransaction_ = false;
  bool postgres_ = false;
  WideString dbmsName_;
  // Whether the driver lets bound columns be read again with SQLGetData
  // (so that values may be bound), and within a block of rows.
  bool bindable_ = false;
  bool blocks_ = false;
  // Whether a text of a row in a block can be read again (see above).
  bool rereadsInBlock_ = true;
  // The message that told the connection was lost; empty while it works.
  WideString lost_;
  // How texts are read: UTF-16, or the session's UTF-8 (see the constructor).
  SQLSMALLINT textType_ = SQL_C_WCHAR;
  // The text being read and the piece buffer, kept between cells.
  std::string text_;
  WideString wide_;
  std::vector<char> piece_;
};

}  // namespace

std::unique_ptr<Backend> OpenOdbcBackend(const WideString& connectionString) {
  OdbcConnectCodeset utf8;
  return std::unique_ptr<Backend>(new OdbcBackend(connectionString));
}

}  // namespace qorvid::ado
