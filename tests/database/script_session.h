// A script's view of one component object: a real AddInObject initialised by
// the reference host, called by method name (FindMethod, CallAsFunction), with its
// properties read and written as the host does.
#pragma once

#include <string>
#include <vector>

#include "host/host_connection.h"
#include "platform/com_ptr.h"
#include "platform/variant.h"
#include "tests/component/component_fixture.h"

namespace qorvid {
using namespace qorvid::host;

class ScriptSession {
 public:
  ScriptSession();
  // A component object initialised with this host connection.
  explicit ScriptSession(ComPtr<HostConnection> host);
  ~ScriptSession();
  ScriptSession(const ScriptSession&) = delete;
  ScriptSession& operator=(const ScriptSession&) = delete;

  // Calls a method by its English name; returns its result. ErrorMsg tells
  // whether it failed.
  Variant call(const std::string& method, const std::vector<Variant>& args = {});
  // Runs a statement and fails the current test when it does not succeed.
  void exec(const std::string& statement);
  // The text of the first field of the first row of a query.
  std::string scalar(const std::string& query);

  std::string errorMsg();
  bool eof();
  LONG fieldsCount();
  void setTime(const std::string& text);
  void setTime(const Variant& value);

  HostConnection& host() { return *host_.get(); }

 private:
  ComPtr<HostConnection> host_;
  TestComponent component_;
};

}  // namespace qorvid
