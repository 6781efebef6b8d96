// qorvid_bench: each script path against the layer under it, measured in
// the same run and the same binary, printed as one table. Exit status 1
// when a ratio misses its target, 2 when a path fails; --quick runs small
// sizes once and only checks that everything works (exit 0 or 2).
//
// Paths are timed in CPU time (the ODBC path adds the server process's);
// each figure is the best of a few interleaved rounds, which keeps a shared,
// busy machine out of the ratio.
#include <sqlite3.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/harness.h"

namespace qorvid::bench {

namespace {

struct Sizes {
  long readRows, rssRows, saveOps, prepareRows, prepareOps, findCalls, odbcRows;
  int rounds;
};
const Sizes kFull = {100000, 1000000, 10000, 1000, 3000, 2000, 100000, 3};
const Sizes kQuick = {2000, 5000, 100, 100, 50, 20, 2000, 1};

volatile long sink;  // keeps the baselines' results alive

void Exec(sqlite3* db, const std::string& sql,
          int (*callback)(void*, int, char**, char**) = nullptr, void* context = nullptr) {
  char* message = nullptr;
  if (sqlite3_exec(db, sql.c_str(), callback, context, &message) != SQLITE_OK) {
    std::string what = sql + ": " + (message ? message : "?");
    sqlite3_free(message);
    throw std::runtime_error(what);
  }
}

sqlite3* OpenDb(const std::string& path) {
  sqlite3* db = nullptr;
  if (sqlite3_open(path.c_str(), &db) != SQLITE_OK) throw std::runtime_error("open " + path);
  return db;
}

std::string Number(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.15g", value);
  return text;
}

// The bench rows in table `table`, written through the C API in one transaction.
void FillTable(sqlite3* db, const std::string& table, long rows) {
  Exec(db, "CREATE TABLE " + table + " (id INTEGER, name TEXT, amount REAL, note TEXT)");
  Exec(db, "BEGIN");
  sqlite3_stmt* st = nullptr;
  sqlite3_prepare_v2(db, ("INSERT INTO " + table + " VALUES (?, ?, ?, ?)").c_str(), -1, &st,
                     nullptr);
  for (long i = 0; i < rows; ++i) {
    const std::string name = NameOf(i), note = NoteOf(i);
    sqlite3_bind_int64(st, 1, i);
    sqlite3_bind_text(st, 2, name.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_double(st, 3, AmountOf(i));
    sqlite3_bind_text(st, 4, note.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_step(st);
    sqlite3_reset(st);
  }
  sqlite3_finalize(st);
  Exec(db, "COMMIT");
}

// Times the two sides alternately, rounds times, keeping each side's best.
void BestOf(int rounds, double (*clock)(), const std::function<void()>& component,
            const std::function<void()>& baseline, double* componentSeconds,
            double* baselineSeconds) {
  *componentSeconds = *baselineSeconds = 1e300;
  for (int r = 0; r < rounds; ++r) {
    *componentSeconds = std::min(*componentSeconds, Timed(clock, component));
    *baselineSeconds = std::min(*baselineSeconds, Timed(clock, baseline));
  }
}

// The raw loop giving the values GetField gives: the integer, and BSTRs of
// the texts and of the double's text.
long ReadRaw(sqlite3* db, const std::string& table) {
  sqlite3_stmt* st = nullptr;
  sqlite3_prepare_v2(db, ("SELECT id, name, amount, note FROM " + table).c_str(), -1, &st, nullptr);
  long rows = 0;
  while (sqlite3_step(st) == SQLITE_ROW) {
    long check = static_cast<long>(sqlite3_column_int64(st, 0));
    for (int c = 1; c <= 3; ++c) {
      const void* text = sqlite3_column_text16(st, c);
      Bstr value(static_cast<const OLECHAR*>(text),
                 static_cast<UINT>(sqlite3_column_bytes16(st, c) / 2));
      check += static_cast<long>(value.length());
    }
    sink = check;
    ++rows;
  }
  sqlite3_finalize(st);
  return rows;
}

void ExpectRows(long got, long expected, const char* what) {
  if (got != expected)
    throw std::runtime_error(std::string(what) + ": read " + std::to_string(got) + " rows of " +
                             std::to_string(expected));
}

Row ReadLoopRow(const std::string& path, const Sizes& z) {
  Script script;
  script.call(Bstr(Wide("Open")), Text("Provider=SQLite;Data Source=" + path));
  sqlite3* db = OpenDb(path);
  double component = 0, raw = 0;
  BestOf(
      z.rounds, CpuSeconds,
      [&] { ExpectRows(ReadThroughComponent(script, "reads"), z.readRows, "read loop"); },
      [&] { ExpectRows(ReadRaw(db, "reads"), z.readRows, "raw read loop"); }, &component, &raw);
  sqlite3_close(db);
  const double fields = 4.0 * static_cast<double>(z.readRows);
  return {"read loop (SQLite), per field",
          "us",
          component / fields * 1e6,
          raw / fields * 1e6,
          4,
          "",
          ""};
}

// /proc/self/status figures in kB: VmRSS now, VmHWM the peak of this
// process image (exec starts it afresh, unlike ru_maxrss).
long StatusKb(const char* field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  const size_t length = std::strlen(field);
  while (std::getline(status, line))
    if (line.compare(0, length, field) == 0) return std::atol(line.c_str() + length + 1);
  return -1;
}

// The child's side of the memory rows: prints the peak growth in bytes. A
// long result is read as the cursor advances; held whole, it is the one an
// Execute reads to its end before it runs, the old recordset still open.
int RssChild(const std::string& path, long rows, bool held) {
  Script script;
  script.call(Bstr(Wide("Open")), Text("Provider=SQLite;Data Source=" + path));
  const long before = StatusKb("VmRSS");
  if (held) {
    const Bstr execute(Wide("Execute"));
    script.call(execute, Text("SELECT id, name, amount, note FROM memory"));
    script.call(execute, Text("SELECT 1"));
  } else {
    ExpectRows(ReadThroughComponent(script, "memory"), rows, "memory read");
  }
  std::printf("%ld\n", (StatusKb("VmHWM") - before) * 1024);
  return 0;
}

Row MemoryRow(const std::string& path, const Sizes& z, bool held) {
  char self[4096];
  const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  if (n <= 0) throw std::runtime_error("cannot find this program");
  self[n] = 0;
  const std::string command = "'" + std::string(self) + "' " +
                              (held ? "--rss-held-child '" : "--rss-child '") + path + "' " +
                              std::to_string(z.rssRows);
  FILE* child = popen(command.c_str(), "r");
  double growth = -1;
  if (child && std::fscanf(child, "%lf", &growth) != 1) growth = -1;
  if (!child || pclose(child) != 0 || growth < 0)
    throw std::runtime_error("the memory child failed");
  return {std::string(held ? "peak RSS growth, held whole, " : "peak RSS growth, ") +
              std::to_string(z.rssRows) + " rows",
          "MB",
          growth / 1e6,
          RawBytes(z.rssRows) / 1e6,
          1.5,
          "",
          ""};
}

int FoundRow(void* found, int, char**, char**) {
  *static_cast<bool*>(found) = true;
  return 0;
}

void CreateRecordTable(const std::function<void(const std::string&)>& exec, long keys) {
  exec("DROP TABLE IF EXISTS r");
  exec("CREATE TABLE r (id INTEGER, a TEXT, b REAL, c TEXT)");
  exec("CREATE INDEX r_id ON r (id)");
  exec("WITH RECURSIVE k(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM k WHERE i < " +
       std::to_string(keys - 1) + ") INSERT INTO r (id) SELECT i FROM k");
}

// Even operations update one of the keys already there, odd ones insert.
long KeyOf(long op, long ops) { return op % 2 == 0 ? op / 2 : ops + op; }

Row SaveRecRow(const Sizes& z) {
  Script script;
  const Bstr execute(Wide("Execute")), openRec(Wide("OpenRec")), keyField(Wide("KeyField")),
      dataField(Wide("DataField")), saveRec(Wide("SaveRec")), begin(Wide("BeginTrans")),
      commit(Wide("CommitTrans")), getField(Wide("GetField"));
  script.call(Bstr(Wide("Open")), Text("Provider=SQLite;Data Source=:memory:"));
  sqlite3* db = OpenDb(":memory:");
  const Variant table = Text("r"), id = Text("id"), a = Text("a"), b = Text("b"), c = Text("c");

  auto component = [&] {
    script.call(begin);
    for (long op = 0; op < z.saveOps; ++op) {
      const long key = KeyOf(op, z.saveOps);
      script.call(openRec, table);
      script.call(keyField, id, Variant::fromInt(key));
      script.call(dataField, a, Text(NameOf(key)));
      script.call(dataField, b, Variant::fromDouble(AmountOf(key)));
      script.call(dataField, c, Text(NoteOf(key)));
      script.call(saveRec);
    }
    script.call(commit);
  };
  // The statements SaveRec runs, in the same texts.
  auto raw = [&] {
    Exec(db, "BEGIN");
    for (long op = 0; op < z.saveOps; ++op) {
      const long key = KeyOf(op, z.saveOps);
      const std::string k = std::to_string(key);
      bool found = false;
      Exec(db, "SELECT id FROM r WHERE id=" + k, FoundRow, &found);
      if (!found) Exec(db, "INSERT INTO r (id) VALUES (" + k + ")");
      Exec(db, "UPDATE r SET a='" + NameOf(key) + "', b=" + Number(AmountOf(key)) + ", c='" +
                   NoteOf(key) + "' WHERE id=" + k);
    }
    Exec(db, "COMMIT");
  };
  double best = 1e300, bestRaw = 1e300;
  for (int r = 0; r < z.rounds; ++r) {
    CreateRecordTable([&](const std::string& sql) { script.call(execute, Text(sql)); },
                      z.saveOps / 2);
    CreateRecordTable([&](const std::string& sql) { Exec(db, sql); }, z.saveOps / 2);
    best = std::min(best, Timed(CpuSeconds, component));
    bestRaw = std::min(bestRaw, Timed(CpuSeconds, raw));
  }
  // Both tables end with every key once.
  script.call(execute, Text("SELECT count(*) FROM r WHERE a IS NOT NULL"));
  Variant count = script.call(getField, Variant::fromInt(0));
  if (count.vt() != VT_I4 || count.get().lVal != z.saveOps)
    throw std::runtime_error("SaveRec left the wrong rows");
  sqlite3_close(db);
  const double ops = static_cast<double>(z.saveOps);
  return {"SaveRec (OpenRec, KeyField, 3 DataField), per record",
          "us",
          best / ops * 1e6,
          bestRaw / ops * 1e6,
          1.4,
          "",
          ""};
}

Row PrepareQueryRow(const Sizes& z) {
  Script script;
  const Bstr execute(Wide("Execute")), prepare(Wide("PrepareQuery")), bind(Wide("Bind"));
  script.call(Bstr(Wide("Open")), Text("Provider=SQLite;Data Source=:memory:"));
  sqlite3* db = OpenDb(":memory:");
  const std::string fill =
      "CREATE TABLE q (id INTEGER, name TEXT, amount REAL, note TEXT); "
      "WITH RECURSIVE k(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM k WHERE i < " +
      std::to_string(z.prepareRows - 1) +
      ") INSERT INTO q SELECT i, 'item-' || i, i + 0.5, 'x' FROM k";
  script.call(execute, Text(fill));
  Exec(db, fill);
  const Variant query =
      Text("SELECT id, name, amount, note FROM q WHERE id = ? AND name = ? AND amount = ?");
  const Variant prepared = Text("");
  auto component = [&] {
    for (long op = 0; op < z.prepareOps; ++op) {
      const long key = op * 7919 % z.prepareRows;
      script.call(prepare, query);
      script.call(bind, Variant::fromInt(key));
      script.call(bind, Text(NameOf(key)));
      script.call(bind, Variant::fromDouble(AmountOf(key)));
      script.call(execute, prepared);
    }
  };
  auto raw = [&] {
    for (long op = 0; op < z.prepareOps; ++op) {
      const long key = op * 7919 % z.prepareRows;
      Exec(db, "SELECT id, name, amount, note FROM q WHERE id = " + std::to_string(key) +
                   " AND name = '" + NameOf(key) + "' AND amount = " + Number(AmountOf(key)));
    }
  };
  double component_ = 0, raw_ = 0;
  BestOf(z.rounds, CpuSeconds, component, raw, &component_, &raw_);
  if (script.eof()) throw std::runtime_error("the prepared query found no row");
  sqlite3_close(db);
  const double ops = static_cast<double>(z.prepareOps);
  return {"PrepareQuery, 3 Bind, Execute: one-row SELECT",
          "us",
          component_ / ops * 1e6,
          raw_ / ops * 1e6,
          1.25,
          "",
          ""};
}

std::string Utf8(const Bstr& name) {
  const WideString wide = name.wide();
  const int size = static_cast<int>(wide.size());
  int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
  std::string out(n > 0 ? n : 0, '\0');
  if (n > 0) WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, &out[0], n, nullptr, nullptr);
  return out;
}

// Every member name, English and Russian, looked up as the host looks it up.
Row FindMethodRow(const Sizes& z) {
  Script script;
  IScriptExtension* x = script.extension();
  struct Name {
    Bstr text;
    bool method;
  };
  std::vector<Name> names;
  long methods = 0, properties = 0;
  x->GetMethodCount(&methods);
  x->GetPropertyCount(&properties);
  for (long alias = 0; alias < 2; ++alias) {
    for (long m = 0; m < methods; ++m) {
      Name name{Bstr(), true};
      x->GetMethodName(m, alias, name.text.put());
      names.push_back(std::move(name));
    }
    for (long p = 0; p < properties; ++p) {
      Name name{Bstr(), false};
      x->GetPropertyName(p, alias, name.text.put());
      names.push_back(std::move(name));
    }
  }
  double worst = 0, total = 0;
  std::string worstName;
  for (const Name& name : names) {
    double best = 1e300;
    for (int r = 0; r < z.rounds; ++r) {
      long number = -1;
      const double start = CpuSeconds();
      for (long i = 0; i < z.findCalls; ++i) {
        if (name.method)
          x->FindMethod(name.text.get(), &number);
        else
          x->FindProperty(name.text.get(), &number);
      }
      best = std::min(best, CpuSeconds() - start);
      if (number < 0) throw std::runtime_error("not found: " + Utf8(name.text));
    }
    const double each = best / static_cast<double>(z.findCalls) * 1e6;
    total += each;
    if (each > worst) worst = each, worstName = Utf8(name.text);
  }
  char note[256];
  std::snprintf(note, sizeof note, "lookup: %zu names, mean %.3f us, worst \"%s\"", names.size(),
                total / static_cast<double>(names.size()), worstName.c_str());
  return {"FindMethod/FindProperty, worst name", "us", worst, 0, 0.5, note, ""};
}

bool Print(const std::vector<Row>& rows) {
  bool ok = true;
  std::printf("%-52s %12s %12s %8s %10s  %s\n", "path", "qorvid", "baseline", "ratio", "target",
              "result");
  for (const Row& row : rows) {
    if (!row.skipped.empty()) {
      std::printf("%-52s %12s %12s %8s %10s  skipped: %s\n", row.path.c_str(), "-", "-", "-", "-",
                  row.skipped.c_str());
      continue;
    }
    char qorvid[32], baseline[32], ratio[32], target[32];
    std::snprintf(qorvid, sizeof qorvid, "%.3g %s", row.qorvid, row.unit.c_str());
    const bool absolute = row.baseline <= 0;
    const double measured = absolute ? row.qorvid : row.qorvid / row.baseline;
    if (absolute) {
      std::snprintf(baseline, sizeof baseline, "-");
      std::snprintf(ratio, sizeof ratio, "-");
      std::snprintf(target, sizeof target, "<= %g %s", row.target, row.unit.c_str());
    } else {
      std::snprintf(baseline, sizeof baseline, "%.3g %s", row.baseline, row.unit.c_str());
      std::snprintf(ratio, sizeof ratio, "%.2fx", measured);
      std::snprintf(target, sizeof target, "<= %gx", row.target);
    }
    const bool met = measured <= row.target;
    ok = ok && met;
    std::printf("%-52s %12s %12s %8s %10s  %s\n", row.path.c_str(), qorvid, baseline, ratio, target,
                met ? "ok" : "FAIL");
  }
  for (const Row& row : rows)
    if (!row.note.empty()) std::printf("  %s\n", row.note.c_str());
  return ok;
}

}  // namespace

int Main(int argc, char** argv) {
  if (argc == 4 && std::strcmp(argv[1], "--rss-child") == 0)
    return RssChild(argv[2], std::atol(argv[3]), false);
  if (argc == 4 && std::strcmp(argv[1], "--rss-held-child") == 0)
    return RssChild(argv[2], std::atol(argv[3]), true);
  const bool quick = argc == 2 && std::strcmp(argv[1], "--quick") == 0;
  if (argc > 1 && !quick) {
    std::fprintf(stderr, "usage: %s [--quick]\n", argv[0]);
    return 2;
  }
  const Sizes& z = quick ? kQuick : kFull;

  char dir[] = "/tmp/qorvid-bench.XXXXXX";
  if (!mkdtemp(dir)) throw std::runtime_error("no temporary directory");
  const std::string path = std::string(dir) + "/read.db";
  std::vector<Row> rows;
  try {
    sqlite3* db = OpenDb(path);
    FillTable(db, "reads", z.readRows);
    FillTable(db, "memory", z.rssRows);
    sqlite3_close(db);
    rows.push_back(ReadLoopRow(path, z));
    rows.push_back(MemoryRow(path, z, false));
    rows.push_back(MemoryRow(path, z, true));
    rows.push_back(SaveRecRow(z));
    rows.push_back(PrepareQueryRow(z));
    rows.push_back(FindMethodRow(z));
    rows.push_back(OdbcReadRow(z.odbcRows, z.rounds));
  } catch (...) {
    std::remove(path.c_str());
    rmdir(dir);
    throw;
  }
  std::remove(path.c_str());
  rmdir(dir);
  const bool ok = Print(rows);
  return ok || quick ? 0 : 1;
}

}  // namespace qorvid::bench

int main(int argc, char** argv) {
  try {
    return qorvid::bench::Main(argc, argv);
  } catch (const std::exception& failure) {
    std::fprintf(stderr, "qorvid_bench: %s\n", failure.what());
    return 2;
  }
}
