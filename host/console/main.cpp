// qorvid-console: a reference host with a prompt and a script runner.
//
//   qorvid-console               interactive (line editing at a terminal)
//   qorvid-console FILE          run a script, echoing each line
//   qorvid-console -             run the script on standard input
//   --bail                       stop at the first failure, exit code 1
//   --module PATH                the component module (also QORVID_MODULE)

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <memory>
#include <string>

#include "host/console/component_link.h"
#include "host/console/line_input.h"
#include "host/console/module_loader.h"
#include "host/console/session.h"
#include "host/console/utf.h"

const CLSID kComponentClass = {
    0x7C3E5A92, 0x1F4B, 0x4D86, {0xB2, 0xE9, 0x5A, 0x0C, 0x8D, 0x13, 0xF6, 0x47}};

namespace {

struct Options {
  bool bail = false;
  std::string module;
  std::string script;  // empty: interactive or standard input
  bool haveScript = false;
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
  std::cerr << "usage: qorvid-console [--bail] [--module PATH] [FILE | -]\n";
  return 2;
}

// Runs one line; false when it failed.
bool RunLine(Session& session, const std::string& raw, bool echo) {
  std::string line = raw;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  WideString ignored;
  if (!WideFromUtf8(line, ignored)) {
    if (echo) std::cout << "> " << line << "\n";
    std::cout << "! the line is not valid UTF-8\n";
    return false;
  }
  Statement statement;
  try {
    statement = ParseStatement(line);
  } catch (const ScriptSyntaxError& e) {
    if (echo) std::cout << "> " << line << "\n";
    std::cout << "! syntax error at column " << e.column() << ": " << e.what() << "\n";
    return false;
  }
  // A transcript shows each statement before what it did; comments, blank
  // lines and echo speak for themselves.
  if (echo && statement.kind != Statement::Nothing && statement.kind != Statement::Echo)
    std::cout << "> " << line << "\n";
  if (echo && statement.kind == Statement::Nothing &&
      line.find_first_not_of(" \t") == std::string::npos)
    std::cout << "\n";
  return session.run(statement);
}

int RunStream(Session& session, std::istream& in, const Options& options) {
  std::string line;
  bool first = true;
  int status = 0;
  while (std::getline(in, line)) {
    if (first && line.compare(0, 3, "\xEF\xBB\xBF") == 0) line.erase(0, 3);
    first = false;
    if (!RunLine(session, line, true)) {
      status = 1;
      if (options.bail) {
        std::cout << "(stopped at the first failure: --bail)\n";
        return 1;
      }
    }
    if (session.quitRequested()) break;
  }
  std::cout.flush();
  // Without --bail, failures are part of the transcript, not of the status.
  return options.bail ? status : 0;
}

int RunInteractive(Session& session, const Options& options) {
  std::cout << "qorvid-console: type help for the script language, quit to leave.\n";
  std::string line;
  while (ReadTypedLine("qorvid> ", line)) {
    if (!RunLine(session, line, false) && options.bail) return 1;
    std::cout.flush();
    if (session.quitRequested()) break;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  SetUpConsoleStreams();
  Options options;
  if (const char* env = std::getenv("QORVID_MODULE")) options.module = env;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--bail") {
      options.bail = true;
    } else if (arg == "--module") {
      if (++i >= argc) return Usage("--module needs a path");
      options.module = argv[i];
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
      Session session(component, *host, std::cout);
      if (file.is_open())
        status = RunStream(session, file, options);
      else if (options.haveScript || !InputIsTerminal())
        status = RunStream(session, std::cin, options);
      else
        status = RunInteractive(session, options);
    }
    component.release();
  }
  EndHostProcess();
  std::cout.flush();
  return status;
}
