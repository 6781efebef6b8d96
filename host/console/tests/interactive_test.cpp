// The console at a terminal: a pseudo-terminal drives the built program as a
// person would, keys and all.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

class Terminal {
 public:
  // Starts the console at a terminal of its own, with this environment
  // added to the test's.
  explicit Terminal(const std::vector<std::string>& environment) {
    pid_ = forkpty(&fd_, nullptr, nullptr, nullptr);
    if (pid_ == 0) {
      for (const std::string& e : environment) putenv(const_cast<char*>(e.c_str()));
      execl(QORVID_CONSOLE_PATH, "qorvid-console", static_cast<char*>(nullptr));
      _exit(127);
    }
  }
  ~Terminal() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    if (fd_ >= 0) close(fd_);
  }
  bool started() const { return pid_ > 0; }

  void type(const std::string& keys) {
    for (char c : keys) {
      // One key at a time, as typed: libedit reads keys, not lines.
      if (write(fd_, &c, 1) != 1) return;
      usleep(2000);
    }
  }

  // Reads until the text shows up after what was seen before; false when
  // it does not within the time.
  bool waitFor(const std::string& text, int seconds = 20) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    for (;;) {
      if (seen_.find(text, from_) != std::string::npos) {
        from_ = seen_.find(text, from_) + text.size();
        return true;
      }
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                            end - std::chrono::steady_clock::now())
                            .count();
      if (left <= 0) return false;
      pollfd p{fd_, POLLIN, 0};
      if (poll(&p, 1, static_cast<int>(left)) <= 0) continue;
      char buf[65536];
      const ssize_t n = read(fd_, buf, sizeof buf);
      if (n <= 0) return false;
      seen_.append(buf, static_cast<size_t>(n));
      // A long result must not fill the test's memory.
      if (seen_.size() > (8u << 20)) {
        from_ -= std::min(from_, seen_.size() - (1u << 20));
        seen_.erase(0, seen_.size() - (1u << 20));
      }
    }
  }

  // Exit status once the program has ended, -1 when it does not.
  int waitExit() {
    for (int i = 0; i < 2000; ++i) {
      char buf[4096];
      pollfd p{fd_, POLLIN, 0};
      if (poll(&p, 1, 10) > 0 && read(fd_, buf, sizeof buf) > 0) continue;
      int status = 0;
      if (waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      }
    }
    return -1;
  }

  const std::string& seen() const { return seen_; }

 private:
  pid_t pid_ = -1;
  int fd_ = -1;
  std::string seen_;
  size_t from_ = 0;
};

std::string TempPath(const char* name) { return testing::TempDir() + name; }

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
  t.type("\x04");  // Ctrl-D leaves
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

}  // namespace
