// Line editing with libedit's own interface: history in the user's home,
// Tab completion, and Ctrl-C that cancels rather than ends the process.
#include <histedit.h>
#include <langinfo.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <clocale>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <thread>

#include "ado/ado_registration.h"
#include "host/console/completion.h"
#include "host/console/line_input.h"

namespace qorvid::host {

namespace {

volatile sig_atomic_t interrupted = 0;
EditLine* editor = nullptr;
History* past = nullptr;
std::string historyFile;
const char* currentPrompt = "";
std::function<std::vector<std::string>()> memberNames;

// Ctrl-C while a call runs: the call cannot be left, but the statement it
// runs can be cancelled. The signal handler only writes a byte to a pipe;
// a thread of its own does the rest, as a handler may not.
int wakePipe[2] = {-1, -1};
std::thread canceller;
volatile sig_atomic_t atPrompt = 0;

void OnInterrupt(int) {
  interrupted = 1;
  if (wakePipe[1] >= 0 && !atPrompt) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = write(wakePipe[1], &byte, 1);
  }
}

void CancelOnInterrupt() {
  char byte = 0;
  while (read(wakePipe[0], &byte, 1) == 1) {
    if (AdoCancelRunning() == 0) continue;
    static const char note[] =
        "\n! Ctrl-C: the database is asked to cancel the running statement; the call ends when "
        "it has\n";
    [[maybe_unused]] const ssize_t n = write(STDERR_FILENO, note, sizeof note - 1);
  }
}

char* Prompt(EditLine*) { return const_cast<char*>(currentPrompt); }

// Like sqlite3 and psql: a file in the home directory, unless the
// environment names another one.
std::string HistoryPath() {
  std::string path;
  if (const char* given = std::getenv("QORVID_HISTORY")) {
    path = given;
  } else if (const char* home = std::getenv("HOME"); home && *home) {
    path = std::string(home) + "/.qorvid_history";
  }
  // Only a file is kept: saving makes the file private to its owner, which
  // would shut everyone else out of /dev/null, the usual way of saying "no
  // history".
  struct stat info;
  if (!path.empty() && stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) path.clear();
  return path;
}

unsigned char Complete(EditLine* el, int) {
  const LineInfo* info = el_line(el);
  const std::string before(info->buffer, static_cast<size_t>(info->cursor - info->buffer));
  size_t start = 0;
  const std::vector<std::string> names = memberNames ? memberNames() : std::vector<std::string>();
  const std::vector<std::string> found = CompleteWord(before, names, start);
  if (found.empty()) return CC_REFRESH_BEEP;
  const std::string typed = before.substr(start);
  const std::string common = CommonStart(found);
  if (common.size() > typed.size()) {
    el_insertstr(el, common.c_str() + typed.size());
    return CC_REFRESH;
  }
  if (found.size() == 1) return CC_REFRESH;
  // Nothing more to add: show what there is to choose from.
  std::cout << "\n";
  size_t column = 0;
  for (const std::string& f : found) {
    if (column + f.size() + 2 > 78 && column > 0) {
      std::cout << "\n";
      column = 0;
    }
    std::cout << f << "  ";
    column += f.size() + 2;
  }
  std::cout << "\n" << std::flush;
  return CC_REDISPLAY;
}

}  // namespace

void SetUpConsoleStreams() {}

std::vector<std::string> ProgramArguments(int argc, char** argv) {
  return std::vector<std::string>(argv, argv + argc);
}

bool InputIsTerminal() { return isatty(STDIN_FILENO) != 0; }
bool OutputIsTerminal() { return isatty(STDOUT_FILENO) != 0; }

void StartLineInput(std::function<std::vector<std::string>()> names) {
  // Line editing of UTF-8 input needs a UTF-8 character set: libedit drops
  // the bytes it cannot decode. When the locale the environment names is
  // not installed (or is not UTF-8), C.UTF-8 is there on every system.
  const char* set = setlocale(LC_CTYPE, "");
  if (!set || std::strcmp(nl_langinfo(CODESET), "UTF-8") != 0) setlocale(LC_CTYPE, "C.UTF-8");
  memberNames = std::move(names);
  struct sigaction action;
  std::memset(&action, 0, sizeof action);
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  action.sa_flags = 0;  // no restart: a Ctrl-C ends the wait for a key
  sigaction(SIGINT, &action, nullptr);
  if (pipe(wakePipe) == 0) {
    // The thread starts with Ctrl-C blocked, so that the signal always
    // reaches the main thread and ends its wait for a key.
    sigset_t block, before;
    sigemptyset(&block);
    sigaddset(&block, SIGINT);
    pthread_sigmask(SIG_BLOCK, &block, &before);
    canceller = std::thread(CancelOnInterrupt);
    pthread_sigmask(SIG_SETMASK, &before, nullptr);
  }

  past = history_init();
  HistEvent event;
  history(past, &event, H_SETSIZE, 1000);
  history(past, &event, H_SETUNIQUE, 1);
  historyFile = HistoryPath();
  if (!historyFile.empty()) history(past, &event, H_LOAD, historyFile.c_str());

  editor = el_init("qorvid-console", stdin, stdout, stderr);
  el_set(editor, EL_EDITOR, "emacs");
  el_set(editor, EL_SIGNAL, 0);
  el_set(editor, EL_PROMPT, Prompt);
  el_set(editor, EL_HIST, history, past);
  // The wide form: libedit keeps these strings as given, where the narrow
  // one makes copies that el_end never frees.
  el_wset(editor, EL_ADDFN, L"qorvid-complete", L"complete a name", Complete);
  el_set(editor, EL_BIND, "^I", "qorvid-complete", nullptr);
  el_source(editor, nullptr);  // the user's ~/.editrc, as other libedit programs read it
}

void EndLineInput() {
  if (wakePipe[1] >= 0) {
    close(wakePipe[1]);  // the thread sees the end of the pipe and ends
    wakePipe[1] = -1;
    if (canceller.joinable()) canceller.join();
    close(wakePipe[0]);
    wakePipe[0] = -1;
  }
  if (editor) el_end(editor);
  editor = nullptr;
  if (past) {
    HistEvent event;
    if (!historyFile.empty()) history(past, &event, H_SAVE, historyFile.c_str());
    history_end(past);
  }
  past = nullptr;
}

void RememberStatement(const std::string& statement) {
  if (!past || statement.find_first_not_of(" \t\n") == std::string::npos) return;
  // The statement as it was typed, line breaks and all, so that recalling
  // it runs the same statement: a "--" or "#" comment ends at its line. The
  // history file keeps the breaks escaped.
  HistEvent event;
  history(past, &event, H_ENTER, statement.c_str());
  if (!historyFile.empty()) history(past, &event, H_SAVE, historyFile.c_str());
}

bool TakeInterrupt() {
  const bool was = interrupted != 0;
  interrupted = 0;
  return was;
}

TypedLine ReadTypedLine(const char* prompt, std::string& line) {
  currentPrompt = prompt;
  interrupted = 0;
  int count = 0;
  atPrompt = 1;
  const char* text = el_gets(editor, &count);
  atPrompt = 0;
  if (interrupted) {
    interrupted = 0;
    const LineInfo* info = el_line(editor);
    line.assign(info->buffer, static_cast<size_t>(info->lastchar - info->buffer));
    el_reset(editor);
    std::cout << "^C\n" << std::flush;
    return TypedLine::Interrupted;
  }
  if (!text || count <= 0) return TypedLine::End;
  line.assign(text, static_cast<size_t>(count));
  if (!line.empty() && line.back() == '\n') line.pop_back();
  return TypedLine::Line;
}

}  // namespace qorvid::host
