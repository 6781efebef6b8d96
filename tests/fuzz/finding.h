// How a fuzz target reports a finding of its own checks: the message, then
// abort, which libFuzzer records as a crash with the input.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

namespace qorvid {

[[noreturn]] inline void Finding(const std::string& what, const std::string& detail = "") {
  std::fprintf(stderr, "FINDING: %s\n", what.c_str());
  if (!detail.empty()) std::fprintf(stderr, "  %s\n", detail.c_str());
  std::abort();
}

// A double exactly, for messages.
inline std::string DoubleText(double value) {
  char buffer[40];
  std::snprintf(buffer, sizeof buffer, "%.17g", value);
  return buffer;
}

// Bytes as a C string literal, for messages.
inline std::string Printable(const std::string& text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    if (c >= 0x20 && c < 0x7F && c != '"' && c != '\\') {
      out += static_cast<char>(c);
    } else {
      char buffer[8];
      std::snprintf(buffer, sizeof buffer, "\\x%02X", c);
      out += buffer;
    }
  }
  return out + "\"";
}

}  // namespace qorvid
