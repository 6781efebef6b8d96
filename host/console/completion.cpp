#include "host/console/completion.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "host/console/script_syntax.h"

namespace qorvid::host {

namespace {

bool IsWordByte(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' ||
         c >= 0x80;
}

std::vector<std::string> FileNames(const std::string& typed) {
  namespace fs = std::filesystem;
  const size_t slash = typed.find_last_of('/');
  const std::string folder =
      slash == std::string::npos ? std::string() : typed.substr(0, slash + 1);
  const std::string prefix = typed.substr(folder.size());
  std::vector<std::string> out;
  std::error_code ec;
  fs::directory_iterator it(folder.empty() ? fs::path(".") : fs::u8path(folder), ec);
  for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
    const std::string name = it->path().filename().u8string();
    if (name.compare(0, prefix.size(), prefix) != 0) continue;
    if (prefix.empty() && name[0] == '.') continue;
    std::error_code dirError;
    out.push_back(folder + name + (it->is_directory(dirError) ? "/" : ""));
  }
  return out;
}

}  // namespace

std::vector<std::string> CompleteWord(const std::string& before,
                                      const std::vector<std::string>& members, size_t& start) {
  std::vector<std::string> out;
  const size_t first = before.find_first_not_of(" \t\n");
  size_t command = 0;  // the length of a command that takes a file name, with its blank
  for (const char* c : {".open ", ".read ", ".output "})
    if (first != std::string::npos && before.compare(first, std::strlen(c), c) == 0)
      command = std::strlen(c);
  if (command > 0) {
    start = before.find_first_not_of(" \t", first + command);
    if (start == std::string::npos) start = before.size();
    if (before.compare(start, 1, "\"") == 0) ++start;
    out = FileNames(before.substr(start));
  } else if (StatementIsOpen(before) && std::count(before.begin(), before.end(), '"') % 2 == 1) {
    start = before.size();  // inside a text: nothing to offer
    return out;
  } else {
    start = before.size();
    while (start > 0 && IsWordByte(static_cast<unsigned char>(before[start - 1]))) --start;
    const std::string word = before.substr(start);
    const bool statementStart =
        before.find_first_not_of(" \t\n") == start ||
        (start > 0 && before[start - 1] == '.' && before.find_first_not_of(" \t\n") == start - 1);
    if (start > 0 && before[start - 1] == '.' && statementStart) {
      --start;
      for (const char* const* c = kConsoleCommands; *c; ++c)
        if (std::string(*c).compare(0, word.size() + 1, "." + word) == 0) out.push_back(*c);
    } else {
      std::vector<std::string> words = members;
      if (!statementStart)
        for (const char* v : {"Date", "Object", "Empty", "Null", "True", "False"})
          words.push_back(v);
      for (const std::string& w : words)
        if (w.compare(0, word.size(), word) == 0) out.push_back(w);
    }
  }
  std::sort(out.begin(), out.end());
  out.erase(std::unique(out.begin(), out.end()), out.end());
  return out;
}

std::string CommonStart(const std::vector<std::string>& candidates) {
  if (candidates.empty()) return std::string();
  std::string common = candidates[0];
  for (const std::string& c : candidates) {
    size_t n = 0;
    while (n < common.size() && n < c.size() && common[n] == c[n]) ++n;
    common.resize(n);
  }
  // Never cut a UTF-8 character in two.
  while (!common.empty() && (static_cast<unsigned char>(common.back()) & 0xC0) == 0x80) {
    size_t lead = common.size() - 1;
    while (lead > 0 && (static_cast<unsigned char>(common[lead]) & 0xC0) == 0x80) --lead;
    const unsigned char c = static_cast<unsigned char>(common[lead]);
    const size_t length = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : 2;
    if (common.size() - lead == length) break;
    common.resize(lead);
  }
  if (!common.empty() && (static_cast<unsigned char>(common.back()) & 0xC0) == 0xC0)
    common.pop_back();
  return common;
}

}  // namespace qorvid::host
