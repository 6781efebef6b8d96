// The built console at a pseudo-terminal of its own, driven as a person
// drives it: keys in, the screen's text out. For the interactive tests and
// the long-result benchmark.
#pragma once

#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

namespace qorvid::host::testing {

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
    return waitForMs(text, seconds * 1000);
  }
  bool waitForMs(const std::string& text, long milliseconds) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
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
  pid_t pid() const { return pid_; }

 private:
  pid_t pid_ = -1;
  int fd_ = -1;
  std::string seen_;
  size_t from_ = 0;
};

}  // namespace qorvid::host::testing
