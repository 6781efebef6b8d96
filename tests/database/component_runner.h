// Drives one real component object the way a host does: method calls by
// name (FindMethod, then CallAsFunction) with a SAFEARRAY of parameters, ErrorMsg and
// EOF read through GetPropertyValue. The host connection it is initialised
// with offers nothing but IDispatch, so the error log stays out of the way.
#pragma once

#include <string>
#include <vector>

#include "database/component_state.h"
#include "platform/variant.h"
#include "tests/component/component_fixture.h"
#include "tests/support/recording_dispatch.h"

namespace qorvid {

class ComponentRunner {
 public:
  ComponentRunner();
  ~ComponentRunner();
  ComponentRunner(const ComponentRunner&) = delete;
  ComponentRunner& operator=(const ComponentRunner&) = delete;

  // Calls the method by its English name. Returns the call's result.
  Variant call(const std::string& method, const std::vector<Variant>& args = {});
  // ErrorMsg after the last call: empty when it succeeded.
  const std::string& errorMsg() const { return errorMsg_; }
  bool failed() const { return !errorMsg_.empty(); }
  // The EOF property (integer 1 or 0); -1 when reading it failed.
  int eof();

  // Shutdown: the lists are gone afterwards.
  void dropLists();

 private:
  RecordingDispatch hostConnection_;
  TestComponent component_;
  std::string errorMsg_;

 public:
  // The object's database state, for arranging and checking.
  ComponentState& state;
};

// Host values for arguments.
Variant Text(const std::string& cp1251);
Variant Int(LONG value);

}  // namespace qorvid
