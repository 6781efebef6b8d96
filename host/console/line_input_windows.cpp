#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <iostream>

#include "host/console/line_input.h"
#include "platform/win32.h"

void SetUpConsoleStreams() {
  // Text mode would turn every line feed into CR LF.
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
  // A console window shows the UTF-8 the console writes.
  SetConsoleOutputCP(CP_UTF8);
  SetConsoleCP(CP_UTF8);
}

bool InputIsTerminal() { return _isatty(_fileno(stdin)) != 0; }

bool ReadTypedLine(const char* prompt, std::string& line) {
  std::cout << prompt << std::flush;
  return static_cast<bool>(std::getline(std::cin, line));
}
