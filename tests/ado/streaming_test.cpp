// Long SQLite results read as the cursor advances: what a recordset gives
// stays what its statement gave when it ran, whatever runs on the connection
// later; a failure of the engine part way shows at the MoveNext that reaches
// it; rows passed are let go.
#include <gtest/gtest.h>

#include <atomic>
#include <new>
#include <string>
#include <thread>

#include "ado/ado_registration.h"
#include "ado/model/ado_error.h"
#include "ado/results/result_set.h"
#include "tests/ado/late_call.h"

namespace qorvid::ado {

namespace {

const OLECHAR kMemory[] = OLESTR("Provider=SQLite;Data Source=:memory:");
// More than a result reads ahead when its statement runs.
const LONG kRows = 3000;

std::string Narrow(const WideString& s) {
  std::string out;
  for (OLECHAR c : s) out += c < 128 ? static_cast<char>(c) : '?';
  return out;
}

WideString Wide(const std::string& s) { return WideString(s.begin(), s.end()); }

class Streaming : public ::testing::Test {
 protected:
  void SetUp() override {
    c = NewConnection();
    ASSERT_EQ(S_OK, OpenConnection(c, kMemory).hr);
    RunSql(c, OLESTR("CREATE TABLE n (i INTEGER PRIMARY KEY, s TEXT)"));
    RunSql(c, Wide("WITH RECURSIVE k(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM k WHERE i < " +
                   std::to_string(kRows) + ") INSERT INTO n SELECT i, 'row ' || i FROM k"));
  }

  // Reads rows from..to (1-based, inclusive) as they were written.
  void ExpectRows(const Late& rs, LONG from, LONG to) {
    for (LONG i = from; i <= to; ++i) {
      ASSERT_FALSE(IsEof(rs)) << "row " << i;
      ASSERT_EQ(i, FieldValue(rs, OLESTR("i")).get().lVal);
      Variant s = FieldValue(rs, OLESTR("s"));
      ASSERT_EQ(VT_BSTR, s.vt());
      ASSERT_EQ(Wide("row " + std::to_string(i)), WideString(s.get().bstrVal)) << "row " << i;
      ASSERT_EQ(S_OK, rs.call("MoveNext").hr) << "row " << i;
    }
  }

  Late c;
};

// Whatever runs on the connection while a long result is half read leaves
// what the recordset gives as it was, and itself works as it would alone.
TEST_F(Streaming, LaterStatementsChangeNothingAnOpenRecordsetGives) {
  struct Case {
    const char* what;
    std::vector<const char*> calls;  // "BeginTrans" and the like, or SQL
  } cases[] = {
      {"an UPDATE of every row", {"UPDATE n SET s = 'changed', i = i + 100000"}},
      {"a DELETE", {"DELETE FROM n"}},
      {"an INSERT", {"INSERT INTO n (s) VALUES ('new')"}},
      {"a DROP of the table read", {"DROP TABLE n"}},
      {"a new SELECT of the same rows", {"SELECT * FROM n"}},
      {"a transaction that is committed",
       {"BeginTrans", "DELETE FROM n WHERE i > 10", "CommitTrans"}},
      {"a transaction rolled back", {"BeginTrans", "UPDATE n SET s = 'x'", "RollbackTrans"}},
      {"several statements in one text",
       {"DELETE FROM n WHERE i > 5; INSERT INTO n VALUES (-1, 'y')"}},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    SetUp();
    Late rs = RunSql(c, OLESTR("SELECT i, s FROM n"));
    ExpectRows(rs, 1, 1500);
    for (const char* call : k.calls) {
      const std::string text = call;
      if (text.find(' ') == std::string::npos) {
        ASSERT_EQ(S_OK, c.call(call).hr) << call;
      } else {
        RunSql(c, Wide(text));
      }
    }
    ExpectRows(rs, 1501, kRows);
    EXPECT_TRUE(IsEof(rs));
    EXPECT_EQ(kRows, rs.get("RecordCount").value.get().lVal);
  }
}

// Several statements in one text: the rows of the first that gives any are
// all read before the next one runs.
TEST_F(Streaming, AStatementAfterTheRowsInTheSameTextDoesNotChangeThem) {
  Late rs = RunSql(c, OLESTR("SELECT i, s FROM n; UPDATE n SET s = 'later'; DELETE FROM n"));
  ExpectRows(rs, 1, kRows);
  EXPECT_TRUE(IsEof(rs));
  Late count = RunSql(c, OLESTR("SELECT COUNT(*) AS k FROM n"));
  EXPECT_EQ(0, FieldValue(count, OLESTR("k")).get().lVal);
}

TEST_F(Streaming, CountAndBeginOfARecordsetReadingOnAreThoseOfAllItsRows) {
  Late rs = RunSql(c, OLESTR("SELECT i, s FROM n"));
  EXPECT_FALSE(rs.get("BOF").value.get().boolVal);
  ExpectRows(rs, 1, 2000);
  EXPECT_FALSE(rs.get("BOF").value.get().boolVal);
  EXPECT_EQ(kRows, rs.get("RecordCount").value.get().lVal);
  ExpectRows(rs, 2001, kRows);
  EXPECT_TRUE(IsEof(rs));
  EXPECT_EQ(DISP_E_EXCEPTION, rs.call("MoveNext").hr);
  EXPECT_EQ(kRows, rs.get("RecordCount").value.get().lVal);
}

// A row the engine fails to make: the rows before it read as they are, and
// the MoveNext onto it fails with the engine's message, however the rest was
// read; a failure among the first rows fails Execute, as it always did.
TEST_F(Streaming, AFailurePartWayIsReportedByTheMoveNextThatReachesIt) {
  enum Reading { Alone, DrainedByAStatement, DrainedByRecordCount };
  struct Case {
    const char* what;
    LONG bad;  // the row whose date is no date
    Reading reading;
  } cases[] = {
      {"read as the cursor goes", 2500, Alone},
      {"read when another statement runs", 2500, DrainedByAStatement},
      {"read to be counted", 2500, DrainedByRecordCount},
      {"the row that begins a batch read on", 1025, Alone},
      {"a row in the middle of a batch", 1100, Alone},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    RunSql(c, OLESTR("UPDATE n SET s = '2004-03-05'"));
    RunSql(c, Wide("UPDATE n SET s = 'no date' WHERE i = " + std::to_string(k.bad)));
    Late rs = RunSql(c, OLESTR("SELECT i, CDate(s) AS d FROM n"));
    for (LONG i = 1; i < 10; ++i) ASSERT_EQ(S_OK, rs.call("MoveNext").hr);
    if (k.reading == DrainedByAStatement) RunSql(c, OLESTR("UPDATE n SET s = '2004-03-06'"));
    if (k.reading == DrainedByRecordCount) {
      EXPECT_EQ(k.bad - 1, rs.get("RecordCount").value.get().lVal);
    }
    for (LONG i = 10; i < k.bad - 1; ++i) ASSERT_EQ(S_OK, rs.call("MoveNext").hr) << i;
    ASSERT_FALSE(IsEof(rs));
    EXPECT_EQ(k.bad - 1, FieldValue(rs, OLESTR("i")).get().lVal);
    CallResult failed = rs.call("MoveNext");
    EXPECT_EQ(DISP_E_EXCEPTION, failed.hr);
    EXPECT_NE(WideString::npos, failed.description.find(OLESTR("is not a date")))
        << Narrow(failed.description);
    EXPECT_TRUE(IsEof(rs));
    EXPECT_EQ(DISP_E_EXCEPTION, rs.call("MoveNext").hr);
  }
  RunSql(c, OLESTR("UPDATE n SET s = 'no date' WHERE i = 10"));
  CallResult early = Execute(c, OLESTR("SELECT i, CDate(s) AS d FROM n"));
  EXPECT_EQ(DISP_E_EXCEPTION, early.hr);
  EXPECT_NE(WideString::npos, early.description.find(OLESTR("is not a date")));
}

TEST_F(Streaming, ARecordsetLetGoHalfReadLeavesTheTableFree) {
  {
    Late rs = RunSql(c, OLESTR("SELECT i, s FROM n"));
    ExpectRows(rs, 1, 1200);
  }
  RunSql(c, OLESTR("DROP TABLE n"));
  // Closed with its connection, half read.
  Late rs = RunSql(c, OLESTR("WITH RECURSIVE k(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM k ")
                          OLESTR("WHERE i < 100000) SELECT i, 'row ' || i AS s FROM k"));
  ExpectRows(rs, 1, 1500);
  ASSERT_EQ(S_OK, c.call("Close").hr);
  EXPECT_EQ(0, rs.get("State").value.get().lVal);
  EXPECT_EQ(DISP_E_EXCEPTION, rs.call("MoveNext").hr);
}

// Cancel reaches a statement while it runs, and only then: between calls it
// would end the rows of a recordset still reading.
TEST_F(Streaming, CancelStopsARunningStatementAndSparesOpenRecordsets) {
  Late rs = RunSql(c, OLESTR("SELECT i, s FROM n"));
  ExpectRows(rs, 1, 1100);
  ASSERT_EQ(S_OK, c.call("Cancel").hr);
  ExpectRows(rs, 1101, 1200);

  std::atomic<bool> done(false);
  std::thread canceller([&done] {
    while (!done) {
      AdoCancelRunning();
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
  });
  CallResult cancelled = Execute(
      c, OLESTR("SELECT COUNT(*) FROM (WITH RECURSIVE k(i) AS (SELECT 1 UNION ALL SELECT i + 1 ")
             OLESTR("FROM k WHERE i < 2000000000) SELECT i FROM k)"));
  done = true;
  canceller.join();
  EXPECT_EQ(DISP_E_EXCEPTION, cancelled.hr);
  EXPECT_EQ(OLESTR("interrupted"), cancelled.description) << Narrow(cancelled.description);
  // The recordset was read to its end before the statement ran.
  ExpectRows(rs, 1201, kRows);
  EXPECT_TRUE(IsEof(rs));
  Late after = RunSql(c, OLESTR("SELECT 7 AS seven"));
  EXPECT_EQ(7, FieldValue(after, OLESTR("seven")).get().lVal);
}

// A source of numbered two-cell rows, as the engine gives them. Row 5 runs
// out of memory after its first cell, the first few times it is read.
class Numbers : public RowSource {
 public:
  Numbers(size_t rows, size_t failAt, int memoryFailures, int* given)
      : rows_(rows), failAt_(failAt), memoryFailures_(memoryFailures), given_(given) {}
  bool next(ResultSet& rows) override {
    if (next_ == failAt_) throw AdoError(OLESTR("broken"), E_ABORT);
    if (next_ == rows_) return false;
    rows.append(Variant::fromInt(static_cast<LONG>(next_)));
    if (next_ == 5 && memoryFailures_ > 0) {
      --memoryFailures_;
      throw std::bad_alloc();
    }
    rows.append(Variant::fromWide(OLESTR("text ") + Wide(std::to_string(next_))));
    ++next_;
    ++*given_;
    return true;
  }

 private:
  size_t rows_, failAt_, next_ = 0;
  int memoryFailures_;
  int* given_;
};

TEST(ResultSetSource, RowsComeWhenAskedForAndThosePassedAreLetGo) {
  int given = 0;
  ResultSet rows;
  rows.columns.resize(2);
  rows.readFrom(std::make_unique<Numbers>(100000, size_t(-1), 2, &given));
  EXPECT_EQ(0, given);
  // Rows read ahead stop where memory runs out; the row asked for fails.
  EXPECT_TRUE(rows.hasRow(2));
  EXPECT_EQ(5, given);
  EXPECT_EQ(5u, rows.rowCount());
  EXPECT_THROW(rows.hasRow(5), std::bad_alloc);
  EXPECT_EQ(5u, rows.rowCount());  // the half row is taken back ...
  EXPECT_TRUE(rows.hasRow(5));     // ... and given whole
  for (size_t r = 0; r < 100000; ++r) {
    ASSERT_TRUE(rows.hasRow(r));
    ASSERT_EQ(LONG(r), rows.value(r, 0).get().lVal);
    ASSERT_EQ(OLESTR("text ") + Wide(std::to_string(r)),
              WideString(rows.value(r, 1).get().bstrVal));
    rows.releaseBefore(r + 1);
    // What is held is a batch read ahead at most.
    ASSERT_LE(rows.cellCount(), 2 * 100u);
  }
  EXPECT_FALSE(rows.hasRow(100000));
  EXPECT_FALSE(rows.reading());
  EXPECT_EQ(100000u, rows.rowCount());
  WideString failure;
  HRESULT scode;
  EXPECT_FALSE(rows.takeFailure(&failure, &scode));
}

TEST(ResultSetSource, AFailureEndsTheRowsAndIsTakenOnce) {
  int given = 0;
  ResultSet rows;
  rows.columns.resize(2);
  rows.readFrom(std::make_unique<Numbers>(100, 50, 1, &given));
  EXPECT_THROW(rows.readAll(), std::bad_alloc);
  rows.readAll();
  EXPECT_FALSE(rows.reading());
  EXPECT_EQ(50u, rows.rowCount());
  EXPECT_EQ(LONG(49), rows.value(49, 0).get().lVal);
  EXPECT_FALSE(rows.hasRow(50));
  WideString failure;
  HRESULT scode = S_OK;
  ASSERT_TRUE(rows.takeFailure(&failure, &scode));
  EXPECT_EQ(OLESTR("broken"), failure);
  EXPECT_EQ(E_ABORT, scode);
  EXPECT_FALSE(rows.takeFailure(&failure, &scode));
  // Once the source is done, the rows held stay.
  rows.releaseBefore(50);
  EXPECT_EQ(LONG(0), rows.value(0, 0).get().lVal);
}

}  // namespace

}  // namespace qorvid::ado
