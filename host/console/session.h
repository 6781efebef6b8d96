// Runs script statements against one component object and prints what a
// script writer needs to see: the result with its kind, and after a failure
// the ErrorMsg text, the new entries of the host's error log and what became
// of the connection. Results go to one stream, failures and warnings ("! ")
// to another (the same one in a transcript).
#pragma once

#include <fstream>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "host/console/component_link.h"
#include "host/console/host_side.h"
#include "host/console/script_syntax.h"

namespace qorvid::host {

class Session {
 public:
  Session(ComponentLink& component, HostSide& host, std::ostream& out)
      : Session(component, host, out, out) {}
  Session(ComponentLink& component, HostSide& host, std::ostream& out, std::ostream& err)
      : component_(component), host_(host), terminal_(out), out_(out.rdbuf()), err_(err) {}

  // False when the statement failed: the component reported an error, or
  // the console could not make the call at all.
  bool run(const Statement& statement);
  bool quitRequested() const { return quit_; }
  // Asked between the rows of .table: true stops it (Ctrl-C).
  void setInterruptCheck(std::function<bool()> check) { interrupted_ = std::move(check); }
  // Quiet: a run whose statements are not shown leaves out the results that
  // say nothing without them (the integer 0 that most methods give back).
  void setQuiet(bool quiet) { quiet_ = quiet; }
  // Every member name the component finds, English and Russian, for Tab.
  std::vector<std::string> memberNames();
  // Whether the component finds the name as a method or a property.
  bool knowsMember(const std::string& name);

 private:
  // What one host-protocol call gave back.
  struct Outcome {
    HRESULT status = S_OK;
    Variant value;
    std::string errorMsg;  // UTF-8; only for method calls
    std::vector<LoggedError> logged;
    bool failed() const { return !errorMsg.empty() || !logged.empty(); }
  };

  enum class Mode { Table, Csv, Line };
  enum class Link { None, Open };
  enum class Engine { Unknown, Sqlite, Postgres, MariaDb };
  enum class Step { Row, End, Failed };
  struct Member {
    std::string english, russian;  // UTF-8
    bool russianFound = false;     // whether the component finds the Russian name here
  };

  bool dispatch(const Statement& st);
  bool call(const Statement& st);
  bool openFile(const Statement& st);
  void afterCall(const std::string& name, const std::vector<Variant>& args, bool failed);
  bool unknownMember(const std::string& name);
  std::vector<Member> memberList(bool methods);
  bool read(const Statement& st);
  bool write(const Statement& st);
  bool table(const char* countLine);
  void members();
  bool sql(const std::string& text);
  bool tables();
  bool schema(const std::string& table);
  bool reopen();
  bool output(const std::string& file);
  void showSetting(const Statement& st);

  // Runs SQL through Execute; false (reported) when it failed.
  bool execute(const std::string& sql);
  // All rows of the result set as texts (Null as the empty text); false
  // when reading failed (reported).
  bool readAll(std::vector<std::vector<std::string>>& rows);
  // Columns of the current result set, 0 when there is none, -1 on failure.
  long columns();
  bool fieldNames(long columns, std::vector<std::string>& names, bool raw);
  Step nextRow(long columns, std::vector<std::string>& row, bool raw);

  // inRowLoop: ErrorMsg is read only when the call wrote to the error log
  // (every failed method does), which spares a call per cell of a table.
  Outcome callMethod(long number, std::vector<Variant>& args, bool inRowLoop = false);
  Outcome readProperty(long number);
  // Reports a failed call or read: in full, or in one line while no
  // connection is open. name is the member called.
  void report(const std::string& name, const Outcome& outcome);
  void reportFailure(const Outcome& outcome);
  void reportLog(const std::vector<LoggedError>& logged, const std::string& errorMsg);
  bool consoleError(const std::string& text);
  bool makeArgument(const ScriptValue& value, long method, long index, Variant& out);
  // Looks the name up as a method, then as a property; -1 when unknown.
  long method(const std::string& name);
  long property(const std::string& name);

  ComponentLink& component_;
  HostSide& host_;
  std::ostream& terminal_;
  // Results: the terminal, or the file .output names.
  std::ostream out_;
  std::ofstream outputFile_;
  std::ostream& err_;
  bool quit_ = false;
  long errorMsg_ = -1;  // the number of ErrorMsg, once looked up
  // The members a row is read with, looked up at the first row.
  struct RowMembers {
    long eof = -1, getField = -1, moveNext = -1;
  } row_;
  std::function<bool()> interrupted_;
  Mode mode_ = Mode::Table;
  bool timer_ = false;
  bool quiet_ = false;
  // What the console knows of the connection, from the calls it made: the
  // component closes it after a failed method unless a transaction runs.
  Link link_ = Link::None;
  int transactions_ = 0;
  bool inMemory_ = false;
  Engine engine_ = Engine::Unknown;
  // The last Open that succeeded, for .reopen.
  std::optional<Statement> lastOpen_;
  bool connectHintGiven_ = false;
};

}  // namespace qorvid::host
