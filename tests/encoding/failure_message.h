// The message a call fails with, so that tables can hold successes and
// failures side by side.
#pragma once

#include <string>

#include "errors/component_error.h"

namespace qorvid {

template <class F>
std::string FailureOf(F&& f) {
  try {
    f();
  } catch (const ComponentError& e) {
    return e.message();
  }
  return "(no failure)";
}

}  // namespace qorvid
