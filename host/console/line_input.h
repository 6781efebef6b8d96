// Reading lines typed at a terminal, with line editing and history where the
// build has a line-editing library.
#pragma once

#include <string>

// False at end of input.
bool ReadTypedLine(const char* prompt, std::string& line);
// Whether standard input is a terminal (else it is read as a script).
bool InputIsTerminal();
// Output is UTF-8 with plain line feeds on both sides, so that transcripts
// compare byte for byte; called once before anything is printed.
void SetUpConsoleStreams();
