// The one exception type of the component. A failure anywhere in a branch is
// raised with its message (UTF-8 text) and caught once,
// by the method dispatcher or by a property operation.
#pragma once

#include <exception>
#include <string>

namespace qorvid {

class ComponentError : public std::exception {
 public:
  explicit ComponentError(std::string message) : message_(std::move(message)) {}
  const std::string& message() const { return message_; }
  const char* what() const noexcept override { return message_.c_str(); }

 private:
  std::string message_;
};

}  // namespace qorvid
