// The text of the console's help command.
#pragma once

#include <string>

namespace qorvid::host {

const std::string& HelpText();

// A connection string to start from and what it reaches.
struct ConnectionExample {
  const char* text;
  const char* what;
};
// The examples for the platform the console runs on, ending with a null
// text: the providers and drivers differ (help_text_posix.cpp,
// help_text_windows.cpp).
extern const ConnectionExample kConnectionExamples[];

}  // namespace qorvid::host
