// The console at a terminal: a pseudo-terminal drives the built program as a
// person would, keys and all.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "host/console/tests/terminal.h"

namespace {

using qorvid::host::testing::Terminal;

std::string TempPath(const char* name) { return ::testing::TempDir() + name; }

TEST(Interactive, ARecalledStatementOfSeveralLinesRunsAsTyped) {
  const std::string history = TempPath("qorvid_console_history");
  std::remove(history.c_str());
  // The locale the environment names need not exist: typed Cyrillic arrives.
  const std::vector<std::string> env = {"QORVID_HISTORY=" + history, "LC_ALL=ru_RU.UTF-8",
                                        "TERM=dumb"};
  {
    Terminal t(env);
    ASSERT_TRUE(t.started());
    ASSERT_TRUE(t.waitFor("qorvid> "));
    t.type(".open :memory:\r");
    ASSERT_TRUE(t.waitFor("= 0 (integer)"));
    // Were the line break lost, the comment would swallow the second line.
    t.type("SELECT 1 AS a, -- the first\r");
    ASSERT_TRUE(t.waitFor("...> "));
    t.type("  2 AS Код;\r");
    ASSERT_TRUE(t.waitFor("(1 row)")) << t.seen();
    EXPECT_NE(t.seen().find("a | Код"), std::string::npos) << t.seen();
    t.type(".quit\r");
    EXPECT_EQ(t.waitExit(), 0);
  }
  Terminal t(env);
  ASSERT_TRUE(t.waitFor("qorvid> "));
  t.type(".open :memory:\r");
  ASSERT_TRUE(t.waitFor("= 0 (integer)"));
  // Up three times: this .open, the last session's .quit, its statement.
  t.type("\x1b[A\x1b[A\x1b[A\r");
  ASSERT_TRUE(t.waitFor("(1 row)")) << t.seen();
  EXPECT_NE(t.seen().find("a | Код"), std::string::npos) << t.seen();
  // Ctrl-D leaves, typed at the prompt: typed while the statement still ran,
  // the terminal (not yet raw) would take it as its own end of file.
  ASSERT_TRUE(t.waitFor("qorvid> ")) << t.seen();
  t.type("\x04");
  EXPECT_EQ(t.waitExit(), 0);
  std::remove(history.c_str());
}

TEST(Interactive, CtrlCStopsALongTableOrStatementAndThePromptComesBack) {
  const std::string history = TempPath("qorvid_console_history_c");
  Terminal t({"QORVID_HISTORY=" + history, "TERM=dumb"});
  ASSERT_TRUE(t.waitFor("qorvid> "));
  t.type(".open :memory:\r");
  ASSERT_TRUE(t.waitFor("= 0 (integer)"));
  t.type(
      "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 300000) "
      "SELECT i, 'row ' || i AS name FROM n;\r");
  // Rows show while the rest is read.
  ASSERT_TRUE(t.waitFor("row 150", 60)) << t.seen().substr(0, 2000);
  t.type("\x03");
  ASSERT_TRUE(t.waitFor(".table stopped by Ctrl-C after ")) << t.seen().substr(0, 2000);
  ASSERT_TRUE(t.waitFor("qorvid> "));
  // Ctrl-C during a long statement: the database is asked to cancel it.
  t.type(
      "SELECT count(*) FROM (WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n "
      "WHERE i < 2000000000) SELECT i FROM n);\r");
  // Once the line is taken (the terminal moves to the next line), the
  // statement runs.
  ASSERT_TRUE(t.waitFor("2000000000) SELECT i FROM n);\r\n")) << t.seen();
  usleep(300000);
  t.type("\x03");
  ASSERT_TRUE(t.waitFor("the database is asked to cancel the running statement")) << t.seen();
  ASSERT_TRUE(t.waitFor("interrupted")) << t.seen();
  ASSERT_TRUE(t.waitFor("qorvid> "));
  t.type(".reopen\r");
  ASSERT_TRUE(t.waitFor("= 0 (integer)"));
  t.type("SELECT 5 AS five;\r");
  ASSERT_TRUE(t.waitFor("(1 row)"));
  t.type(".quit\r");
  EXPECT_EQ(t.waitExit(), 0);
  std::remove(history.c_str());
}

// Typed a byte at a time, characters of two to four bytes arrive whole: an
// emoji (a surrogate pair inside), CJK, Kazakh letters, a combining accent.
TEST(Interactive, TypedCharactersOfEveryLengthArriveWhole) {
  const std::string history = TempPath("qorvid_console_history_unicode");
  std::remove(history.c_str());
  Terminal t({"QORVID_HISTORY=" + history, "LC_ALL=ru_RU.UTF-8", "TERM=dumb"});
  ASSERT_TRUE(t.waitFor("qorvid> ")) << t.seen();
  const std::string text = "😀 日本語 қазақ cafe\xCC\x81 №";
  t.type("echo \"" + text + "\"\r");
  ASSERT_TRUE(t.waitFor("\n" + text)) << t.seen();
  t.type(".quit\r");
  EXPECT_EQ(t.waitExit(), 0);
  std::remove(history.c_str());
}

// A history "file" that is no file (as /dev/null is) is neither read nor
// written: saving would make it private to its owner.
TEST(Interactive, LeavesAHistoryThatIsNoFileAlone) {
  const std::string fifo = TempPath("qorvid_console_history_fifo");
  std::remove(fifo.c_str());
  ASSERT_EQ(mkfifo(fifo.c_str(), 0666), 0);
  struct stat before;
  ASSERT_EQ(stat(fifo.c_str(), &before), 0);
  {
    Terminal t({"QORVID_HISTORY=" + fifo, "TERM=dumb"});
    // Reading a pipe nobody writes would never end.
    ASSERT_TRUE(t.waitFor("qorvid> ")) << t.seen();
    t.type("echo \"x\"\r.quit\r");
    EXPECT_EQ(t.waitExit(), 0);
  }
  struct stat after;
  ASSERT_EQ(stat(fifo.c_str(), &after), 0);
  EXPECT_EQ(after.st_mode, before.st_mode);
  std::remove(fifo.c_str());
}

}  // namespace
