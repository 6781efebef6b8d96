#include <unistd.h>

#include <clocale>
#include <cstdlib>

#include "host/console/line_input.h"

// libedit's readline interface, after the standard headers it relies on.
#include <editline/readline.h>
#include <stdio.h>

void SetUpConsoleStreams() {}

bool InputIsTerminal() { return isatty(STDIN_FILENO) != 0; }

bool ReadTypedLine(const char* prompt, std::string& line) {
  static bool ready = false;
  if (!ready) {
    // Line editing of UTF-8 input needs the terminal's character set.
    setlocale(LC_CTYPE, "");
    ready = true;
  }
  char* text = readline(prompt);
  if (!text) return false;
  line = text;
  free(text);
  if (!line.empty()) add_history(line.c_str());
  return true;
}
