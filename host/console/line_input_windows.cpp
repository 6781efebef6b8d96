#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <iostream>

#include "host/console/line_input.h"
#include "platform/win32.h"

namespace qorvid::host {

void SetUpConsoleStreams() {
  // Text mode would turn every line feed into CR LF.
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
  // A console window shows the UTF-8 the console writes.
  SetConsoleOutputCP(CP_UTF8);
  SetConsoleCP(CP_UTF8);
}

bool InputIsTerminal() { return _isatty(_fileno(stdin)) != 0; }
bool OutputIsTerminal() { return _isatty(_fileno(stdout)) != 0; }

// The Windows console edits lines itself (arrows, F7 history) and Ctrl-C
// ends the program there.
void StartLineInput(std::function<std::vector<std::string>()>) {}
void EndLineInput() {}
void RememberStatement(const std::string&) {}
bool TakeInterrupt() { return false; }

TypedLine ReadTypedLine(const char* prompt, std::string& line) {
  std::cout << prompt << std::flush;
  if (!std::getline(std::cin, line)) return TypedLine::End;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return TypedLine::Line;
}

}  // namespace qorvid::host
