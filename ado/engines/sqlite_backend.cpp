// The embedded engine. SQLite keeps no column types, so a cell's VARIANT
// type comes from the column's declared type first and the stored value
// second; what a declaration cannot hold (a 64-bit number in an INTEGER
// column, text in a DATE column) keeps its stored form rather than being
// lost.
//
// A result is read as its recordset's cursor advances: the engine keeps the
// rows not yet read. Before anything else runs on the connection, such a
// result reads the rest into memory, so that what it gives is still what
// the statement gave when it ran.
#include <sqlite3.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "ado/engines/backend.h"
#include "ado/engines/column_kind.h"
#include "ado/model/ado_error.h"
#include "ado/results/cell_values.h"

namespace qorvid::ado {

namespace {

ColumnKind DeclaredKind(const char* decl) {
  if (!decl) return ColumnKind::None;
  std::string t;
  for (const char* p = decl; *p; ++p)
    t += (*p >= 'a' && *p <= 'z') ? static_cast<char>(*p - 'a' + 'A') : *p;
  auto has = [&t](const char* w) { return t.find(w) != std::string::npos; };
  if (has("BOOL") || t == "BIT") return ColumnKind::Boolean;
  if (has("DATE") || has("TIME")) return ColumnKind::Date;
  if (has("BIGINT") || has("INT8")) return ColumnKind::Int64;
  if (has("SMALLINT") || has("TINYINT") || has("INT2")) return ColumnKind::Int16;
  if (has("INT")) return ColumnKind::Int32;
  if (has("CHAR") || has("CLOB") || has("TEXT")) return ColumnKind::Text;
  if (has("BLOB") || has("BINARY")) return ColumnKind::Binary;
  if (has("REAL") || has("FLOA") || has("DOUB")) return ColumnKind::Double;
  if (has("NUMERIC") || has("DECIMAL")) return ColumnKind::Decimal;
  if (has("MONEY") || has("CURRENCY")) return ColumnKind::Money;
  return ColumnKind::None;
}

// Text as the engine stores it (UTF-8); UTF-8 that is not well-formed goes
// as SQLite's own UTF-16 reading of it.
void TextCell(sqlite3_stmt* st, int c, ResultSet& out) {
  const unsigned char* utf8 = sqlite3_column_text(st, c);
  if (utf8 && out.appendUtf8(reinterpret_cast<const char*>(utf8),
                             static_cast<size_t>(sqlite3_column_bytes(st, c))))
    return;
  const void* text = sqlite3_column_text16(st, c);
  const int bytes = sqlite3_column_bytes16(st, c);
  out.appendWide(text ? static_cast<const OLECHAR*>(text) : OLESTR(""),
                 text ? static_cast<size_t>(bytes) / sizeof(OLECHAR) : 0);
}

std::string Utf8Cell(sqlite3_stmt* st, int c) {
  const unsigned char* text = sqlite3_column_text(st, c);
  return text ? std::string(reinterpret_cast<const char*>(text),
                            static_cast<size_t>(sqlite3_column_bytes(st, c)))
              : std::string();
}

Variant IntegerCell(sqlite3_int64 v) {
  if (v >= -2147483647LL - 1 && v <= 2147483647LL) return Variant::fromInt(static_cast<LONG>(v));
  return Int64Variant(v);
}

// The value as stored, for columns whose declaration says nothing (or
// cannot hold it).
void StoredCell(sqlite3_stmt* st, int c, ResultSet& out) {
  switch (sqlite3_column_type(st, c)) {
    case SQLITE_INTEGER:
      return out.append(IntegerCell(sqlite3_column_int64(st, c)));
    case SQLITE_FLOAT:
      return out.append(Variant::fromDouble(sqlite3_column_double(st, c)));
    case SQLITE_TEXT:
      return TextCell(st, c, out);
    case SQLITE_BLOB:
      return out.append(ByteArrayVariant(sqlite3_column_blob(st, c),
                                         static_cast<size_t>(sqlite3_column_bytes(st, c))));
    default:
      return out.appendNull();
  }
}

// The cell's value as the declaration reads it.
Variant DeclaredCell(sqlite3_stmt* st, int c, ColumnKind kind, int stored) {
  switch (kind) {
    case ColumnKind::Int16:
      if (stored == SQLITE_INTEGER) {
        sqlite3_int64 v = sqlite3_column_int64(st, c);
        if (v >= -32768 && v <= 32767) return Int16Variant(static_cast<SHORT>(v));
      }
      break;
    case ColumnKind::Int32:
      if (stored == SQLITE_INTEGER) return IntegerCell(sqlite3_column_int64(st, c));
      break;
    case ColumnKind::Int64:
      if (stored == SQLITE_INTEGER) return Int64Variant(sqlite3_column_int64(st, c));
      break;
    case ColumnKind::Double:
      if (stored == SQLITE_INTEGER || stored == SQLITE_FLOAT)
        return Variant::fromDouble(sqlite3_column_double(st, c));
      break;
    case ColumnKind::Decimal:
      if (stored == SQLITE_INTEGER || stored == SQLITE_FLOAT || stored == SQLITE_TEXT) {
        std::string digits;
        if (stored == SQLITE_FLOAT) {
          // Fifteen digits give back the decimal the value was written as.
          char buf[40];
          std::snprintf(buf, sizeof buf, "%.15g", sqlite3_column_double(st, c));
          digits = buf;
        } else {
          digits = Utf8Cell(st, c);
        }
        DECIMAL d;
        if (DecimalFromText(digits, &d)) return DecimalVariant(d);
      }
      break;
    case ColumnKind::Money:
      if (stored == SQLITE_INTEGER || stored == SQLITE_FLOAT) {
        double scaled = std::round(sqlite3_column_double(st, c) * 10000.0);
        if (std::fabs(scaled) < 9.2e18) return CurrencyVariant(static_cast<LONGLONG>(scaled));
      }
      break;
    case ColumnKind::Boolean:
      if (stored == SQLITE_INTEGER || stored == SQLITE_FLOAT)
        return Variant::fromBool(sqlite3_column_double(st, c) != 0);
      if (stored == SQLITE_TEXT) {
        std::string t = Utf8Cell(st, c);
        for (char& ch : t)
          if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch - 'A' + 'a');
        if (t == "true") return Variant::fromBool(true);
        if (t == "false") return Variant::fromBool(false);
      }
      break;
    case ColumnKind::Date:
      if (stored == SQLITE_TEXT) {
        DateParts p;
        if (ParseDateText(Utf8Cell(st, c), &p)) return Variant::fromDate(DateFromParts(p));
      } else if (stored == SQLITE_FLOAT) {
        // SQLite's own real form of a date: the Julian day number.
        return Variant::fromDate(sqlite3_column_double(st, c) - 2415018.5);
      }
      break;
    case ColumnKind::Text:
      break;  // a BLOB: read as stored
    case ColumnKind::Binary:
      if (stored == SQLITE_BLOB || stored == SQLITE_TEXT)
        return ByteArrayVariant(sqlite3_column_blob(st, c),
                                static_cast<size_t>(sqlite3_column_bytes(st, c)));
      break;
    default:
      break;  // nothing declared, or a kind SQLite does not declare
  }
  return Variant();
}

void Cell(sqlite3_stmt* st, int c, ColumnKind kind, ResultSet& out) {
  const int stored = sqlite3_column_type(st, c);
  if (stored == SQLITE_NULL) return out.appendNull();
  if (kind == ColumnKind::Text && stored != SQLITE_BLOB) return TextCell(st, c, out);
  Variant value = DeclaredCell(st, c, kind, stored);
  if (value.isEmpty()) return StoredCell(st, c, out);
  out.append(value);
}

// CDate(text): the date of a 'yyyy-mm-dd[ hh:mm[:ss[.fff]]]' text as one
// normalized text, so that dates written with it store, sort and compare
// as dates. NULL stays NULL.
void CDateFunction(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  if (argc != 1 || sqlite3_value_type(argv[0]) == SQLITE_NULL) {
    sqlite3_result_null(ctx);
    return;
  }
  const unsigned char* raw = sqlite3_value_text(argv[0]);
  std::string text = raw ? reinterpret_cast<const char*>(raw) : "";
  DateParts p;
  if (!ParseDateText(text, &p)) {
    std::string message = "CDate: '" + text + "' is not a date";
    sqlite3_result_error(ctx, message.c_str(), static_cast<int>(message.size()));
    return;
  }
  std::string normalized = NormalizedDateText(p);
  sqlite3_result_text(ctx, normalized.c_str(), static_cast<int>(normalized.size()),
                      SQLITE_TRANSIENT);
}

class Statement {
 public:
  Statement() = default;
  ~Statement() { sqlite3_finalize(st_); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;
  sqlite3_stmt** put() {
    sqlite3_finalize(st_);
    st_ = nullptr;
    return &st_;
  }
  sqlite3_stmt* get() const { return st_; }
  sqlite3_stmt* release() {
    sqlite3_stmt* st = st_;
    st_ = nullptr;
    return st;
  }

 private:
  sqlite3_stmt* st_ = nullptr;
};

// A result reads ahead this far when its statement runs: a short result is
// then whole at once and leaves the engine as before (no lock held, any
// failure reported by Execute); a long one goes on from the engine.
const size_t kReadAheadRows = 1000;
const size_t kReadAheadText = 1024 * 1024;

WideString Widened(const char* ascii) {
  WideString out;
  for (const char* p = ascii; *p; ++p) out += static_cast<OLECHAR>(static_cast<unsigned char>(*p));
  return out;
}

AdoError Interrupted() { return AdoError(Widened(sqlite3_errstr(SQLITE_INTERRUPT))); }

class SqliteBackend;

// The rows of a statement that the engine has not given yet. The backend
// knows the one such result it has (any statement run reads the rest of it
// first), and a result outliving its backend gives no more.
class PendingRows : public RowSource {
 public:
  PendingRows(SqliteBackend* backend, sqlite3_stmt* st, std::vector<ColumnKind> kinds,
              ResultSet* rows)
      : backend_(backend), st_(st), kinds_(std::move(kinds)), rows_(rows) {}
  ~PendingRows() override;
  PendingRows(const PendingRows&) = delete;
  PendingRows& operator=(const PendingRows&) = delete;

  bool next(ResultSet& rows) override;
  ResultSet* rows() const { return rows_; }
  void detach() {
    sqlite3_finalize(st_);
    st_ = nullptr;
    backend_ = nullptr;
  }

 private:
  SqliteBackend* backend_;
  sqlite3_stmt* st_;
  std::vector<ColumnKind> kinds_;
  ResultSet* rows_;
  // A row stepped to whose cells did not all fit in memory: given again.
  bool stepped_ = false;
};

class SqliteBackend : public Backend {
 public:
  explicit SqliteBackend(const WideString& path) {
    int rc = sqlite3_open16(path.c_str(), &db_);
    if (rc != SQLITE_OK) {
      WideString failure = db_ ? message() : WideString(OLESTR("out of memory"));
      sqlite3_close(db_);
      db_ = nullptr;
      throw AdoError(failure);
    }
    sqlite3_extended_result_codes(db_, 0);
    // sqlite3_open16 makes a new database UTF-16; a new one is made UTF-8,
    // the form SQLite parses and stores without converting every text.
    // A database that already has content keeps its own encoding.
    sqlite3_exec(db_, "PRAGMA encoding = 'UTF-8'", nullptr, nullptr, nullptr);
    sqlite3_busy_timeout(db_, 2000);
    if (sqlite3_create_function(db_, "CDate", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
                                CDateFunction, nullptr, nullptr) != SQLITE_OK) {
      // Without CDate every date literal would fail later, further from the cause.
      WideString failure = message();
      sqlite3_close(db_);
      db_ = nullptr;
      throw AdoError(failure);
    }
  }
  ~SqliteBackend() override {
    if (pending_) pending_->detach();
    sqlite3_close_v2(db_);
  }

  // SQLite's interrupt may come from any thread. It reaches only the
  // statements execute() runs: between calls, or while an open result reads
  // its rest, it would end that result's rows instead; the call then fails
  // before its next statement.
  void cancel() override {
    AcquireSRWLockExclusive(&cancelLock_);
    if (executing_) {
      cancelled_ = true;
      if (interruptible_) sqlite3_interrupt(db_);
    }
    ReleaseSRWLockExclusive(&cancelLock_);
  }

  std::unique_ptr<ResultSet> execute(const WideString& sql, LONG* affected) override {
    Executing executing(*this);
    std::unique_ptr<ResultSet> rows;
    // SQLite parses UTF-8: text converted here once costs less than SQLite
    // converting each statement. Text holding a surrogate goes as UTF-16,
    // which keeps a lone one exactly as it is.
    std::string utf8;
    if (Utf8Of(sql, utf8))
      rows = executeAll(utf8.data(), utf8.data() + utf8.size(), affected);
    else
      rows = executeAll(sql.data(), sql.data() + sql.size(), affected);
    // An interrupt after the first rows would end the rest at some later
    // MoveNext; the statement was asked to stop, so it stops here.
    if (executing.finish() && rows && rows->reading()) throw Interrupted();
    return rows;
  }

  WideString message() const {
    const OLECHAR* m = static_cast<const OLECHAR*>(sqlite3_errmsg16(db_));
    return m ? WideString(m) : WideString();
  }
  void forget(PendingRows* rows) {
    if (pending_ == rows) pending_ = nullptr;
  }

  void beginTransaction() override { simple(OLESTR("BEGIN")); }
  void commit() override { simple(OLESTR("COMMIT")); }
  WideString dbmsName() const override { return OLESTR("SQLite"); }
  void rollback() override {
    // SQLite may already have rolled back on its own (a full disk, say);
    // then there is nothing left to undo.
    if (sqlite3_get_autocommit(db_)) return;
    simple(OLESTR("ROLLBACK"));
  }

 private:
  // Marks the time execute() runs, the only time cancel() interrupts.
  class Executing {
   public:
    explicit Executing(SqliteBackend& backend) : backend_(backend) { set(true); }
    ~Executing() {
      if (!finished_) finish();
    }
    Executing(const Executing&) = delete;
    Executing& operator=(const Executing&) = delete;
    // Ends it; whether a cancel came meanwhile.
    bool finish() {
      finished_ = true;
      return set(false);
    }

   private:
    bool set(bool executing) {
      AcquireSRWLockExclusive(&backend_.cancelLock_);
      const bool cancelled = backend_.cancelled_;
      backend_.executing_ = executing;
      backend_.cancelled_ = false;
      ReleaseSRWLockExclusive(&backend_.cancelLock_);
      return cancelled;
    }
    SqliteBackend& backend_;
    bool finished_ = false;
  };

  // While it lives, cancel() interrupts the statement it stands for; it
  // fails to start when a cancel came already.
  class Interruptible {
   public:
    explicit Interruptible(SqliteBackend& backend) : backend_(backend) {
      AcquireSRWLockExclusive(&backend_.cancelLock_);
      const bool cancelled = backend_.cancelled_;
      backend_.interruptible_ = !cancelled;
      ReleaseSRWLockExclusive(&backend_.cancelLock_);
      if (cancelled) throw Interrupted();
    }
    ~Interruptible() {
      AcquireSRWLockExclusive(&backend_.cancelLock_);
      backend_.interruptible_ = false;
      ReleaseSRWLockExclusive(&backend_.cancelLock_);
    }
    Interruptible(const Interruptible&) = delete;
    Interruptible& operator=(const Interruptible&) = delete;

   private:
    SqliteBackend& backend_;
  };

  // The open result still reading from the engine reads the rest, before
  // anything else runs; a failure it meets stays with it, for its MoveNext.
  void readPending() {
    if (pending_) pending_->rows()->readAll();
  }

  // The text as UTF-8; false when it holds a surrogate or does not convert.
  static bool Utf8Of(const WideString& wide, std::string& out) {
    for (OLECHAR c : wide)
      if (c >= 0xD800 && c <= 0xDFFF) return false;
    if (wide.empty()) return true;
    out.resize(wide.size() * 3);
    int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), &out[0],
                                static_cast<int>(out.size()), nullptr, nullptr);
    if (n <= 0) return false;
    out.resize(static_cast<size_t>(n));
    return true;
  }

  int prepare(const char* text, int bytes, sqlite3_stmt** st, const char** tail) {
    return sqlite3_prepare_v2(db_, text, bytes, st, tail);
  }
  int prepare(const OLECHAR* text, int bytes, sqlite3_stmt** st, const OLECHAR** tail) {
    const void* rest = nullptr;
    int status = sqlite3_prepare16_v2(db_, text, bytes, st, &rest);
    *tail = static_cast<const OLECHAR*>(rest);
    return status;
  }

  template <typename Char>
  std::unique_ptr<ResultSet> executeAll(const Char* rest, const Char* end, LONG* affected) {
    std::unique_ptr<ResultSet> first;
    LONG changed = 0;
    // The text may hold several statements; all run, and the first one
    // that returns columns gives the rows.
    while (rest < end) {
      Statement st;
      const Char* tail = nullptr;
      int bytes = static_cast<int>((end - rest) * sizeof(Char));
      if (prepare(rest, bytes, st.put(), &tail) != SQLITE_OK) throw AdoError(message());
      const Char* next = tail ? tail : end;
      // SQLite reads no further than a NUL and leaves the tail there; the
      // connection refuses such text, and the loop must end on it anyway.
      rest = next > rest && next <= end ? next : end;
      if (!st.get()) continue;  // blanks or a comment
      readPending();
      // The rows of an earlier statement of this text are all read now, as
      // when they were read before the rest ran: their failure is this call's.
      throwFailure(first.get());
      // sqlite3_changes keeps the count of the last change through DDL, so
      // the total tells what this statement itself changed.
      const int before = sqlite3_total_changes(db_);
      Interruptible interruptible(*this);
      std::unique_ptr<ResultSet> rows = run(st);
      if (!rows) {
        changed += sqlite3_total_changes(db_) - before;
      } else if (!first) {
        first = std::move(rows);
      } else {
        // Rows no one reads still run to their end, failures and all.
        rows->readAll();
        throwFailure(rows.get());
      }
    }
    if (affected) *affected = first ? -1 : changed;
    return first;
  }

  static void throwFailure(ResultSet* rows) {
    WideString description;
    HRESULT scode;
    if (rows && rows->takeFailure(&description, &scode)) throw AdoError(description, scode);
  }

  void simple(const OLECHAR* sql) {
    LONG ignored;
    execute(sql, &ignored);
  }

  std::unique_ptr<ResultSet> run(Statement& statement) {
    sqlite3_stmt* st = statement.get();
    const int columns = sqlite3_column_count(st);
    if (columns == 0) {
      for (;;) {
        int rc = sqlite3_step(st);
        if (rc == SQLITE_DONE) return nullptr;
        if (rc != SQLITE_ROW) throw AdoError(message());
      }
    }
    std::unique_ptr<ResultSet> rows(new ResultSet);
    std::vector<ColumnKind> kinds;
    for (int c = 0; c < columns; ++c) {
      ResultColumn col;
      // A name is null only when SQLite ran out of memory making it.
      const OLECHAR* name = static_cast<const OLECHAR*>(sqlite3_column_name16(st, c));
      if (!name) throw std::bad_alloc();
      col.name = name;
      kinds.push_back(DeclaredKind(sqlite3_column_decltype(st, c)));
      col.declared = VartypeOf(kinds.back());
      rows->columns.push_back(std::move(col));
    }
    std::unique_ptr<PendingRows> source(
        new PendingRows(this, statement.get(), std::move(kinds), rows.get()));
    statement.release();
    pending_ = source.get();
    rows->readFrom(std::move(source));
    while (rows->reading() && rows->rowCount() < kReadAheadRows &&
           rows->textBytes() < kReadAheadText)
      rows->hasRow(rows->rowCount());
    throwFailure(rows.get());
    return rows;
  }

  sqlite3* db_ = nullptr;
  PendingRows* pending_ = nullptr;  // the result reading from the engine
  SRWLOCK cancelLock_ = SRWLOCK_INIT;
  bool executing_ = false;
  bool interruptible_ = false;
  bool cancelled_ = false;
};

PendingRows::~PendingRows() {
  sqlite3_finalize(st_);
  if (backend_) backend_->forget(this);
}

bool PendingRows::next(ResultSet& rows) {
  if (!st_) return false;
  if (!stepped_) {
    const int rc = sqlite3_step(st_);
    if (rc == SQLITE_DONE) return false;
    if (rc != SQLITE_ROW) throw AdoError(backend_->message());
    stepped_ = true;
  }
  const size_t columns = kinds_.size();
  for (size_t c = 0; c < columns; ++c) Cell(st_, static_cast<int>(c), kinds_[c], rows);
  stepped_ = false;
  return true;
}

}  // namespace

std::unique_ptr<Backend> OpenSqliteBackend(const WideString& dataSource) {
  return std::unique_ptr<Backend>(new SqliteBackend(dataSource));
}

}  // namespace qorvid::ado
