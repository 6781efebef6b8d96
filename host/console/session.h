// Runs script statements against one component object and prints what a
// script writer needs to see: the result with its kind, and after a failure
// the ErrorMsg text and the new entries of the host's error log.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "host/console/component_link.h"
#include "host/console/host_side.h"
#include "host/console/script_syntax.h"

class Session {
 public:
  Session(ComponentLink& component, HostSide& host, std::ostream& out)
      : component_(component), host_(host), out_(out) {}

  // False when the statement failed: the component reported an error, or
  // the console could not make the call at all.
  bool run(const Statement& statement);
  bool quitRequested() const { return quit_; }

 private:
  // What one host-protocol call gave back.
  struct Outcome {
    HRESULT status = S_OK;
    Variant value;
    std::string errorMsg;  // UTF-8; only for method calls
    std::vector<LoggedError> logged;
    bool failed() const { return !errorMsg.empty() || !logged.empty(); }
  };

  bool call(const Statement& st);
  bool read(const Statement& st);
  bool write(const Statement& st);
  bool table();
  void members();

  Outcome callMethod(long number, std::vector<Variant>& args);
  Outcome readProperty(long number);
  void reportFailure(const Outcome& outcome);
  void reportLog(const std::vector<LoggedError>& logged, const std::string& errorMsg);
  bool consoleError(const std::string& text);
  bool makeArgument(const ScriptValue& value, long method, long index, Variant& out);
  // Looks the name up as a method, then as a property; -1 when unknown.
  long method(const std::string& name);
  long property(const std::string& name);

  ComponentLink& component_;
  HostSide& host_;
  std::ostream& out_;
  bool quit_ = false;
  long errorMsg_ = -1;  // the number of ErrorMsg, once looked up
};
