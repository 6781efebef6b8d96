#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <iostream>
#include <streambuf>
#include <string>

#include "host/console/line_input.h"
#include "host/console/utf.h"
#include "platform/win32.h"

// CommandLineToArgvW: shellapi.h needs windows.h (platform/win32.h) before it.
// clang-format off
#include <shellapi.h>
// clang-format on

namespace qorvid::host {

namespace {

// Output to a console window through its wide API: the console shows every
// character whatever its code page, where bytes written to it would be
// read in the code page of the moment. A UTF-8 sequence split between two
// writes waits for its end.
class ConsoleBuffer : public std::streambuf {
 public:
  explicit ConsoleBuffer(HANDLE console) : console_(console) { setp(buf_, buf_ + sizeof buf_); }

 protected:
  int_type overflow(int_type c) override {
    if (sync() != 0) return traits_type::eof();
    if (!traits_type::eq_int_type(c, traits_type::eof())) {
      *pptr() = traits_type::to_char_type(c);
      pbump(1);
    }
    return traits_type::not_eof(c);
  }

  int sync() override {
    pending_.append(pbase(), static_cast<size_t>(pptr() - pbase()));
    setp(buf_, buf_ + sizeof buf_);
    const size_t whole = WholeSequences(pending_);
    if (whole == 0) return 0;
    const int n =
        MultiByteToWideChar(CP_UTF8, 0, pending_.data(), static_cast<int>(whole), nullptr, 0);
    std::wstring wide(static_cast<size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0)
      MultiByteToWideChar(CP_UTF8, 0, pending_.data(), static_cast<int>(whole), &wide[0], n);
    pending_.erase(0, whole);
    DWORD written = 0;
    return WriteConsoleW(console_, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr)
               ? 0
               : -1;
  }

 private:
  // The length of the text without a UTF-8 sequence that is not complete yet.
  static size_t WholeSequences(const std::string& text) {
    size_t start = text.size();
    size_t trailing = 0;
    while (start > 0 && trailing < 3 &&
           (static_cast<unsigned char>(text[start - 1]) & 0xC0) == 0x80)
      --start, ++trailing;
    if (start == 0) return text.size();
    const unsigned char lead = static_cast<unsigned char>(text[start - 1]);
    const size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    return length > trailing + 1 ? start - 1 : text.size();
  }

  HANDLE console_;
  char buf_[4096];
  std::string pending_;
};

bool IsConsole(HANDLE handle) {
  DWORD mode = 0;
  return handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode) != 0;
}

}  // namespace

void SetUpConsoleStreams() {
  // Text mode would turn every line feed into CR LF.
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
  SetConsoleOutputCP(CP_UTF8);
  SetConsoleCP(CP_UTF8);
  // A console window gets UTF-16 through its wide API; a file or a pipe
  // gets the UTF-8 bytes. The buffers are never destroyed: the standard
  // streams may flush into them until the process ends.
  const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  const HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
  if (IsConsole(out)) std::cout.rdbuf(new ConsoleBuffer(out));
  if (IsConsole(err)) std::cerr.rdbuf(new ConsoleBuffer(err));
}

std::vector<std::string> ProgramArguments(int argc, char** argv) {
  int count = 0;
  LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!wide) return std::vector<std::string>(argv, argv + argc);
  std::vector<std::string> arguments;
  for (int i = 0; i < count; ++i) {
    const std::wstring one(wide[i]);
    arguments.push_back(Utf8FromWide(reinterpret_cast<const OLECHAR*>(one.data()), one.size()));
  }
  LocalFree(wide);
  return arguments;
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
  const HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
  if (!IsConsole(in)) {
    if (!std::getline(std::cin, line)) return TypedLine::End;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return TypedLine::Line;
  }
  // Typed text as the console holds it, UTF-16, so that no character is
  // lost to an input code page.
  std::wstring typed;
  for (;;) {
    wchar_t buf[512];
    DWORD got = 0;
    if (!ReadConsoleW(in, buf, 512, &got, nullptr) || got == 0) {
      if (typed.empty()) return TypedLine::End;
      break;
    }
    typed.append(buf, got);
    if (typed.back() == L'\n') break;
  }
  while (!typed.empty() && (typed.back() == L'\n' || typed.back() == L'\r')) typed.pop_back();
  // Ctrl-Z typed alone ends the input, as the C runtime has it.
  if (typed == L"\x1a") return TypedLine::End;
  line = Utf8FromWide(reinterpret_cast<const OLECHAR*>(typed.data()), typed.size());
  return TypedLine::Line;
}

}  // namespace qorvid::host
