// qorvid-console: a reference host with a prompt and a script runner.
//
//   qorvid-console               interactive (line editing at a terminal)
//   qorvid-console FILE          run a script
//   qorvid-console -             run the script on standard input
//   -c STATEMENT                 run this statement (repeatable), then leave
//   --echo                       show each statement before its result (the
//                                default when the output is a terminal)
//   --bail                       stop at the first failure
//   --module PATH                the component module (also QORVID_MODULE)
// Exit status: 0, 1 when a statement failed, 2 when the console could not start.

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "host/console/component_link.h"
#include "host/console/line_input.h"
#include "host/console/module_loader.h"
#include "host/console/session.h"
#include "host/console/utf.h"

using namespace qorvid::host;

namespace {

struct Options {
  bool bail = false;
  bool echo = false;  // --echo
  std::string module;
  std::string script;  // empty: interactive or standard input
  bool haveScript = false;
  std::vector<std::string> commands;  // -c
};

// One component object, created as a host creates it: the class factory of
// the component class, then CreateInstance.
ComPtr<IUnknown> CreateComponentObject(const std::string& modulePath, std::string& problem) {
  ComPtr<IClassFactory> factory = GetComponentFactory(modulePath, problem);
  ComPtr<IUnknown> object;
  if (!factory) return object;
  if (FAILED(factory->CreateInstance(nullptr, IID_IUnknown, object.putVoid())) || !object) {
    problem = "the class factory created no component object";
    object.reset();
  }
  return object;
}

int Usage(const char* problem) {
  if (problem) std::cerr << "qorvid-console: " << problem << "\n";
  std::cerr << "usage: qorvid-console [--bail] [--echo] [--module PATH] [-c STATEMENT]... "
               "[FILE | -]\n";
  return 2;
}

void Problem(const std::string& text) {
  std::cout.flush();
  std::cerr << "! " << text << "\n";
}

class Runner {
 public:
  Runner(Session& session, const Options& options, bool echo)
      : session_(session), options_(options), echo_(echo) {}

  // Runs one statement (the lines of a continued one joined with line
  // feeds); false when it failed.
  bool run(const std::string& text) {
    WideString ignored;
    if (!WideFromUtf8(text, ignored)) {
      show(text);
      return fail("the line is not valid UTF-8");
    }
    Statement statement;
    try {
      statement = ParseStatement(text);
    } catch (const ScriptSyntaxError& e) {
      show(text);
      return fail("syntax error at " + Where(text, e.column()) + ": " + e.what());
    }
    // A transcript shows each statement before what it did; comments, blank
    // lines and echo speak for themselves.
    if (statement.kind != Statement::Nothing && statement.kind != Statement::Echo) show(text);
    if (echo_ && statement.kind == Statement::Nothing &&
        text.find_first_not_of(" \t") == std::string::npos)
      std::cout << "\n";
    if (!session_.run(statement)) ++failures_;
    std::cout.flush();
    return statement.kind == Statement::Nothing || lastOk();
  }

  // Statements from a file or a pipe; false when --bail stopped the run.
  bool runStream(std::istream& in) {
    std::string line, pending;
    bool first = true;
    while (std::getline(in, line)) {
      if (first && line.compare(0, 3, "\xEF\xBB\xBF") == 0) line.erase(0, 3);
      first = false;
      if (!line.empty() && line.back() == '\r') line.pop_back();
      pending += (pending.empty() ? "" : "\n") + line;
      if (StatementIsOpen(pending)) continue;
      const std::string text = pending;
      pending.clear();
      if (!step(text)) return false;
      if (session_.quitRequested()) return true;
    }
    if (!pending.empty()) {
      show(pending);
      fail("the input ended inside the statement: a parenthesis or a double quote is not closed");
      if (options_.bail) return stop();
    }
    return true;
  }

  bool runCommands() {
    for (const std::string& c : options_.commands) {
      if (!step(c)) return false;
      if (session_.quitRequested()) break;
    }
    return true;
  }

  int runInteractive() {
    std::cout << "qorvid-console: type .help for the script language, .quit to leave.\n";
    StartLineInput([this] { return session_.memberNames(); });
    session_.setInterruptCheck(TakeInterrupt);
    std::string line, pending;
    bool warned = false;  // a Ctrl-C at an empty prompt
    int status = 0;
    for (;;) {
      const TypedLine got = ReadTypedLine(pending.empty() ? "qorvid> " : "   ...> ", line);
      if (got == TypedLine::End) {
        std::cout << "\n";
        break;
      }
      if (got == TypedLine::Interrupted) {
        if (pending.empty() && line.empty()) {
          if (warned) break;
          std::cout << "(Ctrl-C again or Ctrl-D to leave; .quit does the same)\n";
          warned = true;
        }
        pending.clear();
        continue;
      }
      warned = false;
      pending += (pending.empty() ? "" : "\n") + line;
      if (StatementIsOpen(pending)) continue;
      RememberStatement(pending);
      TakeInterrupt();
      const bool ok = run(pending);
      pending.clear();
      if (!ok && options_.bail) {
        stop();
        status = 1;
        break;
      }
      if (session_.quitRequested()) break;
    }
    EndLineInput();
    return status;
  }

  int failures() const { return failures_; }

 private:
  bool step(const std::string& text) {
    if (!run(text) && options_.bail) return stop();
    return true;
  }

  bool stop() {
    std::cout.flush();
    std::cerr << "(stopped at the first failure: --bail)\n";
    return false;
  }

  bool fail(const std::string& text) {
    Problem(text);
    ++failures_;
    return false;
  }

  bool lastOk() {
    const bool ok = failures_ == seen_;
    seen_ = failures_;
    return ok;
  }

  void show(const std::string& text) {
    if (!echo_) return;
    size_t start = 0;
    for (bool first = true;; first = false) {
      const size_t end = text.find('\n', start);
      std::cout << (first ? "> " : ". ") << text.substr(start, end - start) << "\n";
      if (end == std::string::npos) break;
      start = end + 1;
    }
  }

  // "column C", or "line L, column C" in a statement of several lines.
  static std::string Where(const std::string& text, size_t column) {
    if (text.find('\n') == std::string::npos) return "column " + std::to_string(column);
    size_t line = 1, lineStart = 0;
    for (size_t i = 0; i + 1 < column && i < text.size(); ++i)
      if (text[i] == '\n') ++line, lineStart = i + 1;
    return "line " + std::to_string(line) + ", column " + std::to_string(column - lineStart);
  }

  Session& session_;
  const Options& options_;
  bool echo_;
  int failures_ = 0;
  int seen_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
  SetUpConsoleStreams();
  Options options;
  if (const char* env = std::getenv("QORVID_MODULE")) options.module = env;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--bail") {
      options.bail = true;
    } else if (arg == "--echo") {
      options.echo = true;
    } else if (arg == "--module") {
      if (++i >= argc) return Usage("--module needs a path");
      options.module = argv[i];
    } else if (arg == "-c" || arg == "--command") {
      if (++i >= argc) return Usage("-c needs a statement");
      options.commands.push_back(argv[i]);
    } else if (arg == "--help" || arg == "-h") {
      Usage(nullptr);
      return 0;
    } else if (arg == "-" || arg.empty() || arg[0] != '-') {
      if (options.haveScript) return Usage("only one script can be run");
      options.script = arg;
      options.haveScript = true;
    } else {
      return Usage(("unknown option " + arg).c_str());
    }
  }

  std::ifstream file;
  if (options.haveScript && options.script != "-") {
    file.open(options.script, std::ios::binary);
    if (!file) {
      std::cerr << "qorvid-console: cannot read " << options.script << "\n";
      return 2;
    }
  }

  std::string problem;
  if (!StartHostProcess(problem)) {
    std::cerr << "qorvid-console: " << problem << "\n";
    return 2;
  }
  int status = 0;
  {
    std::unique_ptr<HostSide> host = CreateReferenceHost();
    ComponentLink component;
    ComPtr<IUnknown> object = CreateComponentObject(options.module, problem);
    if (!object || !component.attach(object.get(), *host, problem)) {
      std::cerr << "qorvid-console: " << problem << "\n";
      status = 2;
    } else {
      Session session(component, *host, std::cout, std::cerr);
      const bool interactive = !options.haveScript && options.commands.empty() && InputIsTerminal();
      // Statements are shown before their results where a person reads the
      // output, not where a program does.
      const bool echo =
          options.echo || (!interactive && OutputIsTerminal() && options.commands.empty());
      session.setQuiet(!interactive && !echo);
      Runner runner(session, options, echo);
      bool go = runner.runCommands();
      if (go && !session.quitRequested()) {
        if (file.is_open())
          go = runner.runStream(file);
        else if (options.haveScript || (options.commands.empty() && !interactive))
          go = runner.runStream(std::cin);
        else if (interactive)
          status = runner.runInteractive();
      }
      if (!interactive) status = runner.failures() > 0 ? 1 : 0;
    }
    component.release();
  }
  EndHostProcess();
  std::cout.flush();
  return status;
}
