// Reading statements typed at a terminal: line editing, history kept in the
// user's home and Tab completion where the build has a line-editing library
// (libedit); plain lines elsewhere.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace qorvid::host {

enum class TypedLine { Line, Interrupted, End };

// Before the first ReadTypedLine: loads the history and takes Ctrl-C over
// (it then cancels the line being typed or the running .table instead of
// ending the process). names gives the member names Tab offers.
void StartLineInput(std::function<std::vector<std::string>()> names);
// Saves the history.
void EndLineInput();
// Interrupted: Ctrl-C; line then holds what had been typed.
TypedLine ReadTypedLine(const char* prompt, std::string& line);
// Adds a whole statement to the history.
void RememberStatement(const std::string& statement);
// True once after each Ctrl-C that came outside ReadTypedLine.
bool TakeInterrupt();
// Whether standard input is a terminal (else it is read as a script).
bool InputIsTerminal();
// Whether standard output is a terminal (else statements are not echoed).
bool OutputIsTerminal();
// Output is UTF-8 with plain line feeds on both sides, so that transcripts
// compare byte for byte; called once before anything is printed.
void SetUpConsoleStreams();
// The program's arguments in UTF-8: on Windows taken from the wide command
// line, which holds every character the ANSI code page of argv would lose.
std::vector<std::string> ProgramArguments(int argc, char** argv);

}  // namespace qorvid::host
