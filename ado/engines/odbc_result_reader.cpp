#include "ado/engines/odbc_result_reader.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "ado/model/ado_error.h"
#include "ado/results/cell_values.h"

namespace qorvid::ado::odbc {

namespace {

// The kind each SQL type is read as; every other type is read as text.
// unsignedType: the column holds no negative numbers (MariaDB's UNSIGNED),
// so its largest values need a wider read than its signed twin.
ColumnKind KindFor(SQLSMALLINT sqlType, bool unsignedType) {
  using K = ColumnKind;
  static const struct {
    SQLSMALLINT sqlType;
    ColumnKind kind;
    ColumnKind unsignedKind;
  } kKinds[] = {
      {SQL_INTEGER, K::Int32, K::Int32},
      {SQL_BIGINT, K::Int64, K::UInt64},
      {SQL_SMALLINT, K::Int16, K::Int32},
      {SQL_TINYINT, K::Int16, K::Int16},
      {SQL_DOUBLE, K::Double, K::Double},
      {SQL_FLOAT, K::Double, K::Double},
      {SQL_REAL, K::Single, K::Single},
      {SQL_NUMERIC, K::Decimal, K::Decimal},
      {SQL_DECIMAL, K::Decimal, K::Decimal},
      {SQL_BIT, K::Boolean, K::Boolean},
      {SQL_TYPE_DATE, K::Date, K::Date},
      {SQL_DATE, K::Date, K::Date},
      {SQL_TYPE_TIME, K::Time, K::Time},
      {SQL_TIME, K::Time, K::Time},
      {SQL_TYPE_TIMESTAMP, K::Timestamp, K::Timestamp},
      {SQL_TIMESTAMP, K::Timestamp, K::Timestamp},
      {SQL_BINARY, K::Binary, K::Binary},
      {SQL_VARBINARY, K::Binary, K::Binary},
      {SQL_LONGVARBINARY, K::Binary, K::Binary},
  };
  for (const auto& k : kKinds)
    if (k.sqlType == sqlType) return unsignedType ? k.unsignedKind : k.kind;
  return K::Text;
}

// The C type and size a value of a fixed-size kind is read into; 0 for the
// kinds read in pieces (texts, decimals, bytes).
struct FixedRead {
  SQLSMALLINT cType;
  SQLLEN size;
};

FixedRead FixedFor(ColumnKind kind) {
  static const FixedRead kFixed[] = {
      {0, 0},                               // None
      {SQL_C_SSHORT, sizeof(SQLSMALLINT)},  // Int16
      // Wide enough for any integer column: an SQLite INTEGER may hold 64 bits.
      {SQL_C_SBIGINT, sizeof(SQLBIGINT)},   // Int32
      {SQL_C_SBIGINT, sizeof(SQLBIGINT)},   // Int64
      {SQL_C_UBIGINT, sizeof(SQLUBIGINT)},  // UInt64
      // Read as a double, which holds every single exactly: MariaDB's driver
      // steps through a block of SQL_C_FLOAT values 8 bytes at a time.
      {SQL_C_DOUBLE, sizeof(SQLDOUBLE)},                     // Single
      {SQL_C_DOUBLE, sizeof(SQLDOUBLE)},                     // Double
      {0, 0},                                                // Decimal
      {0, 0},                                                // Money
      {SQL_C_BIT, sizeof(unsigned char)},                    // Boolean
      {SQL_C_TYPE_DATE, sizeof(SQL_DATE_STRUCT)},            // Date
      {SQL_C_TYPE_TIME, sizeof(SQL_TIME_STRUCT)},            // Time
      {SQL_C_TYPE_TIMESTAMP, sizeof(SQL_TIMESTAMP_STRUCT)},  // Timestamp
      {0, 0},                                                // Text
      {0, 0},                                                // Binary
  };
  static_assert(sizeof kFixed / sizeof kFixed[0] == static_cast<size_t>(ColumnKind::Binary) + 1,
                "one read per column kind");
  return kFixed[static_cast<size_t>(kind)];
}

// The day of a date or timestamp struct, which both begin with.
template <class DateStruct>
DateParts DayOf(const DateStruct& v) {
  DateParts d;
  d.year = v.year;
  d.month = v.month;
  d.day = v.day;
  return d;
}

// The value of a fixed-size kind as the driver wrote it at p.
Variant FixedVariant(ColumnKind read, const void* p) {
  switch (read) {
    case ColumnKind::Int32:
    case ColumnKind::Int64: {
      SQLBIGINT v;
      std::memcpy(&v, p, sizeof v);
      if (read == ColumnKind::Int32 && v >= -2147483647LL - 1 && v <= 2147483647LL)
        return Variant::fromInt(static_cast<LONG>(v));
      return Int64Variant(v);
    }
    case ColumnKind::UInt64: {
      SQLUBIGINT v;
      std::memcpy(&v, p, sizeof v);
      if (v <= static_cast<SQLUBIGINT>(INT64_MAX)) return Int64Variant(static_cast<LONGLONG>(v));
      // No signed 64-bit type holds it; a decimal does, exactly.
      DECIMAL d;
      std::memset(&d, 0, sizeof d);
      d.Lo64 = v;
      return DecimalVariant(d);
    }
    case ColumnKind::Int16: {
      SQLSMALLINT v;
      std::memcpy(&v, p, sizeof v);
      return Int16Variant(v);
    }
    case ColumnKind::Double: {
      SQLDOUBLE v;
      std::memcpy(&v, p, sizeof v);
      return Variant::fromDouble(v);
    }
    case ColumnKind::Single: {
      SQLDOUBLE v;
      std::memcpy(&v, p, sizeof v);
      return FloatVariant(static_cast<float>(v));
    }
    case ColumnKind::Boolean:
      return Variant::fromBool(*static_cast<const unsigned char*>(p) != 0);
    case ColumnKind::Date: {
      SQL_DATE_STRUCT v;
      std::memcpy(&v, p, sizeof v);
      return Variant::fromDate(DateFromParts(DayOf(v)));
    }
    case ColumnKind::Time: {
      SQL_TIME_STRUCT v;
      std::memcpy(&v, p, sizeof v);
      return Variant::fromDate(((v.hour * 60.0 + v.minute) * 60.0 + v.second) / 86400.0);
    }
    case ColumnKind::Timestamp: {
      SQL_TIMESTAMP_STRUCT v;
      std::memcpy(&v, p, sizeof v);
      DateParts d = DayOf(v);
      d.hour = v.hour;
      d.minute = v.minute;
      d.second = v.second;
      d.millisecond = static_cast<int>(v.fraction / 1000000);
      return Variant::fromDate(DateFromParts(d));
    }
    default:
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

}  // namespace

// Bound column buffers: one SQLFetch converts a row's values, or a block
// of rows', into them, far cheaper than a SQLGetData call per value.
struct ResultReader::Block {
  struct Column {
    ColumnKind read;
    SQLLEN width;  // bytes per row
    std::unique_ptr<char[]> data;
    std::unique_ptr<SQLLEN[]> indicator;
  };
  std::vector<Column> columns;
  size_t rows = 1;
  std::unique_ptr<SQLUSMALLINT[]> status;
  SQLULEN fetched = 0;
};

std::unique_ptr<ResultSet> ResultReader::read(const Handle& st, SQLSMALLINT columns) {
  std::unique_ptr<ResultSet> result(new ResultSet);
  std::vector<ColumnKind> reads;
  for (SQLUSMALLINT c = 1; c <= static_cast<SQLUSMALLINT>(columns); ++c) {
    SQLWCHAR name[256] = {0};
    SQLSMALLINT nameLength = 0, type = 0, digits = 0, nullable = 0;
    SQLULEN size = 0;
    session_.check(
        SQLDescribeColW(st.get(), c, name, 256, &nameLength, &type, &size, &digits, &nullable), st);
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
    reads.push_back(KindFor(type, unsignedType == SQL_TRUE));
    col.declared = VartypeOf(reads.back());
    result->columns.push_back(std::move(col));
  }
  if (driver.bindable && std::all_of(reads.begin(), reads.end(), [](ColumnKind r) {
        return r == ColumnKind::Text || FixedFor(r).size > 0;
      })) {
    readBlocks(st, reads, *result);
    return result;
  }
  for (;;) {
    const SQLRETURN rc = SQLFetch(st.get());
    if (rc == SQL_NO_DATA) break;
    session_.judgeStatement(rc, st);
    for (SQLUSMALLINT c = 1; c <= static_cast<SQLUSMALLINT>(columns); ++c)
      appendCell(st, c, reads[c - 1], *result);
  }
  return result;
}

// Variable-length values, read in pieces until the driver has no more.
bool ResultReader::pieces(const Handle& st, SQLUSMALLINT c, SQLSMALLINT cType, std::string* out) {
  const size_t terminator = cType == SQL_C_WCHAR ? sizeof(SQLWCHAR) : (cType == SQL_C_CHAR ? 1 : 0);
  // One buffer for every cell, back to its first size after a long value.
  std::vector<char>& buffer = piece_;
  if (buffer.size() != 8192) std::vector<char>(8192).swap(buffer);
  out->clear();
  for (;;) {
    SQLLEN indicator = 0;
    SQLRETURN rc = SQLGetData(st.get(), c, cType, buffer.data(), static_cast<SQLLEN>(buffer.size()),
                              &indicator);
    if (rc == SQL_NO_DATA) break;
    session_.check(rc, st);
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
void ResultReader::readBlocks(const Handle& st, const std::vector<ColumnKind>& reads,
                              ResultSet& out) {
  Block block;
  size_t rowBytes = 0;
  for (ColumnKind r : reads) {
    const SQLLEN width = r == ColumnKind::Text
                             ? kBoundTextUnits * static_cast<SQLLEN>(sizeof(SQLWCHAR))
                             : FixedFor(r).size;
    block.columns.push_back({r, width, nullptr, nullptr});
    rowBytes += static_cast<size_t>(width) + sizeof(SQLLEN);
  }
  const bool texts = std::find(reads.begin(), reads.end(), ColumnKind::Text) != reads.end();
  if (driver.blocks && (driver.rereadsInBlock || !texts))
    startBlocks(st, std::min(kMostBlockRows, kBlockBytes / rowBytes), block);
  for (size_t i = 0; i < block.columns.size(); ++i) {
    Block::Column& col = block.columns[i];
    col.data.reset(new char[block.rows * static_cast<size_t>(col.width)]);
    col.indicator.reset(new SQLLEN[block.rows]);
    const SQLSMALLINT cType =
        col.read == ColumnKind::Text ? driver.textType : FixedFor(col.read).cType;
    session_.check(SQLBindCol(st.get(), static_cast<SQLUSMALLINT>(i + 1), cType, col.data.get(),
                              col.width, col.indicator.get()),
                   st);
  }
  for (;;) {
    block.fetched = 1;
    SQLRETURN rc = SQLFetch(st.get());
    if (rc == SQL_NO_DATA) break;
    session_.judgeStatement(rc, st);
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
        } else if (col.read != ColumnKind::Text) {
          out.append(FixedVariant(col.read, value));
        } else if (indicator >= 0 && indicator <= col.width - terminator()) {
          appendText(value, static_cast<size_t>(indicator), out);
        } else {
          if (block.rows > 1)
            session_.check(SQLSetPos(st.get(), static_cast<SQLSETPOSIROW>(row + 1), SQL_POSITION,
                                     SQL_LOCK_NO_CHANGE),
                           st);
          appendCell(st, static_cast<SQLUSMALLINT>(i + 1), ColumnKind::Text, out);
        }
      }
    }
  }
}

// Asks for blocks of up to `rows` rows, with the count and status of each
// block's rows; a driver that refuses any of it is read a row at a time.
void ResultReader::startBlocks(const Handle& st, size_t rows, Block& block) {
  if (rows < 2) return;
  block.status.reset(new SQLUSMALLINT[rows]);
  SQLULEN granted = 0;
  if (SQL_SUCCEEDED(SQLSetStmtAttrW(st.get(), SQL_ATTR_ROW_ARRAY_SIZE,
                                    Flag(static_cast<SQLUINTEGER>(rows)), 0)) &&
      SQL_SUCCEEDED(
          SQLGetStmtAttrW(st.get(), SQL_ATTR_ROW_ARRAY_SIZE, &granted, sizeof granted, nullptr)) &&
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

void ResultReader::appendCell(const Handle& st, SQLUSMALLINT c, ColumnKind read, ResultSet& out) {
  if (read != ColumnKind::Text) return out.append(cell(st, c, read));
  if (!pieces(st, c, driver.textType, &text_)) return out.appendNull();
  appendText(text_.data(), text_.size(), out);
}

// The size of the terminator the driver writes after a text.
SQLLEN ResultReader::terminator() const {
  return driver.textType == SQL_C_CHAR ? 1 : static_cast<SQLLEN>(sizeof(SQLWCHAR));
}
// A text as it was read: UTF-16 units, or UTF-8 bytes.
void ResultReader::appendText(const char* bytes, size_t size, ResultSet& out) {
  if (driver.textType != SQL_C_CHAR)
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

Variant ResultReader::cell(const Handle& st, SQLUSMALLINT c, ColumnKind read) {
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
    session_.check(SQLGetData(st.get(), c, fixedRead.cType, &v, fixedRead.size, &indicator), st);
    if (indicator == SQL_NULL_DATA) return Variant::null();
    return FixedVariant(read, &v);
  }
  switch (read) {
    case ColumnKind::Decimal: {
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
    case ColumnKind::Binary: {
      std::string bytes;
      if (!pieces(st, c, SQL_C_BINARY, &bytes)) return Variant::null();
      return ByteArrayVariant(bytes.data(), bytes.size());
    }
    default:
      break;
  }
  return Variant();  // texts go straight to the result (appendCell)
}

}  // namespace qorvid::ado::odbc
