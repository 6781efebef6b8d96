// A long result at the prompt: 1,000,000 rows printed by plain SQL, as
// .table prints them. Measures, at a pseudo-terminal, how long the first row
// takes to show, how far the console's peak memory grows while the rows
// stream, and how soon Ctrl-C stops the printing. Prints the figures; exit
// status 1 when one misses its target (1 s, 20 MB, 0.5 s).
//
//   qorvid_console_long_table_bench [ROWS]
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>

#include "host/console/tests/terminal.h"

using qorvid::host::testing::Terminal;

namespace {

// A line of /proc/PID/status in kB: VmRSS now, VmHWM the peak so far.
long StatusKb(pid_t pid, const char* key) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/status");
  for (std::string line; std::getline(in, line);)
    if (line.compare(0, std::string(key).size(), key) == 0) return std::atol(line.c_str() + 6);
  return -1;
}

double Since(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
  const long rows = argc > 1 ? std::atol(argv[1]) : 1000000;
  const std::string history = "/tmp/qorvid_long_table_bench_history";
  Terminal t({"QORVID_HISTORY=" + history, "TERM=dumb"});
  if (!t.waitFor("qorvid> ")) return std::puts("the console did not start"), 2;
  t.type(".open :memory:\r");
  if (!t.waitFor("= 0 (integer)")) return std::puts("no database"), 2;
  const long before = StatusKb(t.pid(), "VmRSS:");
  const std::string last = std::to_string(rows);
  t.type("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " + last +
         ") SELECT i, 'row ' || i AS name FROM n;");
  const auto start = std::chrono::steady_clock::now();
  t.type("\r");
  if (!t.waitFor("| row 1\r\n", 600)) return std::puts("no first row"), 2;
  const double first = Since(start);
  // By now Execute has given the result set; what grows from here is the
  // console's printing.
  const long atFirst = StatusKb(t.pid(), "VmRSS:");
  // Most of the rows, then Ctrl-C in the middle of the printing.
  const std::string late = "| row " + std::to_string(rows * 9 / 10) + "\r\n";
  if (!t.waitFor(late, 600)) return std::puts("the rows stopped coming"), 2;
  const double printed = Since(start);
  const long peak = StatusKb(t.pid(), "VmHWM:");
  const auto interrupt = std::chrono::steady_clock::now();
  t.type("\x03");
  const bool stopped = t.waitForMs(".table stopped by Ctrl-C", 5000);
  const double stop = Since(interrupt);
  const double growth = (peak - before) / 1024.0;
  std::printf("rows: %ld\n", rows);
  std::printf("first row shown after      %.3f s (target < 1 s)\n", first);
  std::printf("90%% of the rows shown after %.3f s\n", printed);
  std::printf("peak memory growth         %.1f MB (target < 20 MB; %ld kB before, peak %ld kB)\n",
              growth, before, peak);
  std::printf("  of it while printing       %.1f MB (%ld kB at the first row)\n",
              (peak - atFirst) / 1024.0, atFirst);
  std::printf("Ctrl-C stopped it after    %.3f s (target < 0.5 s)%s\n", stop,
              stopped ? "" : " - it did not stop");
  t.type(".quit\r");
  t.waitExit();
  std::remove(history.c_str());
  return first < 1 && growth < 20 && stopped && stop < 0.5 ? 0 : 1;
}
