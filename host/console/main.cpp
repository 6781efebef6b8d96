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

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
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

const char kUsage[] =
    "usage: qorvid-console [--bail] [--echo] [--module PATH] [-c STATEMENT]... [FILE | -]\n";

int Usage(const char* problem) {
  std::cerr << "qorvid-console: " << problem << "\n" << kUsage << "(--help lists the options)\n";
  return 2;
}

int Help() {
  std::cout << kUsage
            << "\n"
               "Calls the qorvid component as a host script does: at a prompt, from a script\n"
               "FILE, from standard input (-), or from -c statements.\n"
               "\n"
               "  -c, --command STATEMENT  run one statement (repeatable); they run before FILE,\n"
               "                           and without FILE the console leaves afterwards\n"
               "  --bail                   stop at the first failed statement (exit status 1)\n"
               "  --echo                   show each statement as \"> statement\" before its\n"
               "                           result (the default when output goes to a terminal)\n"
               "  --module PATH            load this component module instead of the built one\n"
               "                           (also the environment variable QORVID_MODULE)\n"
               "  -h, --help               this text\n"
               "\n"
               "Exit status: 0 when every statement succeeded, 1 when one failed, 2 when the\n"
               "console could not start. At the prompt, .help explains the script language.\n";
  return 0;
}

// Where a statement came from, for error messages: a file (or standard
// input) and the line its statement starts on. No name: typed or -c.
struct Source {
  std::string name;
  long line = 0;
};

// The line of a statement that holds a position (1-based byte column in
// the whole text), and the column within that line.
void LineOf(const std::string& text, size_t column, size_t& line, size_t& inLine,
            std::string& lineText) {
  line = 0;
  size_t start = 0;
  for (size_t i = 0; i + 1 < column && i < text.size(); ++i)
    if (text[i] == '\n') ++line, start = i + 1;
  inLine = column - start;
  const size_t end = text.find('\n', start);
  lineText = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

bool Parses(const std::string& text, Statement& statement) {
  try {
    statement = ParseStatement(text);
    return true;
  } catch (const ScriptSyntaxError&) {
    return false;
  }
}

// Blanks as wide as the text before a position, tabs kept, for a caret.
std::string CaretPad(const std::string& before) {
  std::string pad, run;
  for (char c : before) {
    if (c != '\t') {
      run.push_back(c);
      continue;
    }
    pad += std::string(Utf8Width(run), ' ') + "\t";
    run.clear();
  }
  return pad + std::string(Utf8Width(run), ' ');
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
  bool run(const std::string& text, const Source& source = Source()) {
    const int before = failures_;
    WideString ignored;
    if (!WideFromUtf8(text, ignored)) {
      show(text);
      return fail(Where(source) + "the line is not valid UTF-8");
    }
    Statement statement;
    if (isSql(text)) {
      statement.kind = Statement::Sql;
      statement.argument = text;
    } else {
      try {
        statement = ParseStatement(text);
      } catch (const ScriptSyntaxError& e) {
        // A line that ends with ';' is a console statement carrying one, or
        // else SQL; but one that looks like a call keeps its own error.
        const bool ended = !SqlIsOpen(text);
        if (!(ended && Parses(text.substr(0, text.rfind(';')), statement))) {
          if (!ended || looksLikeCall(text)) {
            show(text);
            return syntaxError(text, e, source);
          }
          statement.kind = Statement::Sql;
          statement.argument = text;
        }
      }
    }
    // A transcript shows each statement before what it did; comments, blank
    // lines and echo speak for themselves.
    if (statement.kind != Statement::Nothing && statement.kind != Statement::Echo) show(text);
    if (echo_ && statement.kind == Statement::Nothing &&
        text.find_first_not_of(" \t") == std::string::npos)
      std::cout << "\n";
    if (statement.kind == Statement::ReadFile) {
      readFile(statement.argument);
    } else if (!session_.run(statement)) {
      ++failures_;
    }
    std::cout.flush();
    return failures_ == before;
  }

  // Whether the text is SQL that goes on to its ';': it starts with a word
  // of SQL that the component does not know as a member.
  bool isSql(const std::string& text) {
    const std::string word = LeadingWord(text);
    return IsSqlKeyword(word) && !session_.knowsMember(word);
  }

  // A name followed by '(' or '=': a call or a property write, whatever
  // went wrong after it.
  static bool looksLikeCall(const std::string& text) {
    const std::string word = LeadingWord(text);
    if (word.empty()) return false;
    const size_t at = text.find(word);
    const size_t next = text.find_first_not_of(" \t", at + word.size());
    return next != std::string::npos && (text[next] == '(' || text[next] == '=');
  }

  bool isOpen(const std::string& text) {
    return isSql(text) ? SqlIsOpen(text) : StatementIsOpen(text);
  }

  // Statements from a file or a pipe; false when --bail stopped the run.
  bool runStream(std::istream& in, const std::string& name) {
    std::string line, pending;
    bool first = true;
    Source source{name, 0};
    long lineNumber = 0;
    while (std::getline(in, line)) {
      ++lineNumber;
      if (first && line.compare(0, 3, "\xEF\xBB\xBF") == 0) line.erase(0, 3);
      first = false;
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (pending.empty()) source.line = lineNumber;
      pending += (pending.empty() ? "" : "\n") + line;
      if (isOpen(pending)) continue;
      const std::string text = pending;
      pending.clear();
      if (!step(text, source)) return false;
      if (session_.quitRequested()) return true;
    }
    if (!pending.empty()) {
      show(pending);
      fail(Where(source) + (isSql(pending)
                                ? "the input ended inside the SQL statement: it ends with ';'"
                                : "the input ended inside the statement: a parenthesis or a "
                                  "double quote is not closed"));
      if (options_.bail) return stop();
    }
    return !stopped_;
  }

  bool runCommands() {
    for (const std::string& c : options_.commands) {
      if (!step(c, Source())) return false;
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
      if (isOpen(pending)) continue;
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
  bool step(const std::string& text, const Source& source) {
    if (!run(text, source) && options_.bail) return stop();
    return !stopped_;
  }

  bool stop() {
    if (!stopped_) {
      std::cout.flush();
      std::cerr << "(stopped at the first failure: --bail)\n";
    }
    stopped_ = true;
    return false;
  }

  bool fail(const std::string& text) {
    Problem(text);
    ++failures_;
    return false;
  }

  // .read FILE: its statements run here, their errors naming that file.
  void readFile(const std::string& name) {
    std::ifstream in(std::filesystem::u8path(name), std::ios::binary);
    if (!in) {
      fail("cannot read " + name);
      return;
    }
    if (depth_ >= 16) {
      fail(".read " + name + ": files read each other too deep");
      return;
    }
    ++depth_;
    runStream(in, name);
    --depth_;
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

  static std::string Where(const Source& source) {
    return source.name.empty() ? std::string()
                               : source.name + ":" + std::to_string(source.line) + ": ";
  }

  // "FILE:LINE: syntax error at column C: ...", or "line L, column C" in a
  // typed statement of several lines, then the line with a caret under C.
  bool syntaxError(const std::string& text, const ScriptSyntaxError& e, const Source& source) {
    size_t line = 0, column = 0;
    std::string lineText;
    LineOf(text, e.column(), line, column, lineText);
    std::string where;
    if (!source.name.empty())
      where = source.name + ":" + std::to_string(source.line + static_cast<long>(line)) +
              ": syntax error at column " + std::to_string(column);
    else if (text.find('\n') != std::string::npos)
      where =
          "syntax error at line " + std::to_string(line + 1) + ", column " + std::to_string(column);
    else
      where = "syntax error at column " + std::to_string(column);
    fail(where + ": " + e.what());
    std::cerr << "!   " << lineText << "\n!   "
              << CaretPad(lineText.substr(0, std::min(column - 1, lineText.size()))) << "^\n";
    return false;
  }

  Session& session_;
  const Options& options_;
  bool echo_;
  int failures_ = 0;
  int depth_ = 0;  // files that .read is in
  bool stopped_ = false;
};

}  // namespace

int main(int argc, char** argv) {
  SetUpConsoleStreams();
  Options options;
  if (const char* env = std::getenv("QORVID_MODULE")) options.module = env;
  const std::vector<std::string> args = ProgramArguments(argc, argv);
  const int count = static_cast<int>(args.size());
  for (int i = 1; i < count; ++i) {
    const std::string& arg = args[i];
    if (arg == "--bail") {
      options.bail = true;
    } else if (arg == "--echo") {
      options.echo = true;
    } else if (arg == "--module") {
      if (++i >= count) return Usage("--module needs a path");
      options.module = args[i];
    } else if (arg == "-c" || arg == "--command") {
      if (++i >= count) return Usage("-c needs a statement");
      options.commands.push_back(args[i]);
    } else if (arg == "--help" || arg == "-h") {
      return Help();
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
    file.open(std::filesystem::u8path(options.script), std::ios::binary);
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
          go = runner.runStream(file, options.script);
        else if (options.haveScript || (options.commands.empty() && !interactive))
          go = runner.runStream(std::cin, "standard input");
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
