#include "host/console/script_syntax.h"

#include <climits>
#include <locale>
#include <sstream>

namespace qorvid::host {

namespace {

bool IsIdentStart(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c >= 0x80;
}
bool IsIdentChar(unsigned char c) { return IsIdentStart(c) || (c >= '0' && c <= '9'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool SameWord(const std::string& a, const char* b) {
  size_t i = 0;
  for (; i < a.size() && b[i]; ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return i == a.size() && !b[i];
}

class Parser {
 public:
  explicit Parser(const std::string& line) : s_(line) {}

  Statement statement() {
    Statement st;
    skipBlanks();
    if (atEnd() || peek() == '#') return st;
    if (peek() == '.') {
      const size_t start = pos_++;
      const std::string word = identifier("a console command after '.'");
      if (!command(word, st) && !dotCommand(word, st, start))
        fail("unknown console command '." + word + "' (try .help)", start);
      return finish(st);
    }
    const size_t start = pos_;
    if (!IsIdentStart(static_cast<unsigned char>(peek())))
      fail("a statement starts with a member name or a console command", pos_);
    st.name = identifier("a member name");
    skipBlanks();
    if (!atEnd() && peek() == '(') {
      ++pos_;
      st.kind = Statement::Call;
      st.args = arguments();
    } else if (!atEnd() && peek() == '=') {
      ++pos_;
      st.kind = Statement::Write;
      skipBlanks();
      if (atEnd() || peek() == '#') fail("a value is missing after '='", pos_);
      st.args.push_back(value());
    } else if (command(st.name, st)) {
      // A console command written without its dot.
    } else {
      pos_ = start + st.name.size();
      st.kind = Statement::Read;
    }
    return finish(st);
  }

 private:
  bool command(const std::string& word, Statement& st) {
    if (word == "table") {
      st.kind = Statement::Table;
    } else if (word == "members") {
      st.kind = Statement::Members;
    } else if (word == "help") {
      st.kind = Statement::Help;
    } else if (word == "quit" || word == "exit") {
      st.kind = Statement::Quit;
    } else if (word == "echo") {
      st.kind = Statement::Echo;
      skipBlanks();
      if (!atEnd() && peek() != '#') {
        if (peek() != '"') fail("echo takes one text in double quotes", pos_);
        st.echoText = quoted();
      }
    } else {
      return false;
    }
    st.name.clear();
    return true;
  }

  // The commands that exist only with their dot, so that they never hide a
  // member name.
  bool dotCommand(const std::string& word, Statement& st, size_t start) {
    skipBlanks();
    if (word == "open" || word == "read" || word == "output" || word == "schema") {
      st.kind = word == "open"     ? Statement::OpenFile
                : word == "read"   ? Statement::ReadFile
                : word == "output" ? Statement::Output
                                   : Statement::Schema;
      st.argument = restOfLine();
      if (st.argument.empty() && (word == "open" || word == "read"))
        fail("." + word + " takes a file name", start);
      return true;
    }
    if (word == "tables" || word == "reopen") {
      st.kind = word == "tables" ? Statement::Tables : Statement::Reopen;
      return true;
    }
    if (word == "mode" || word == "timer") {
      const bool mode = word == "mode";
      st.kind = mode ? Statement::Mode : Statement::Timer;
      // Without an argument the setting is shown.
      if (atEnd() || peek() == '#') return true;
      if (IsIdentStart(static_cast<unsigned char>(peek()))) st.argument = identifier("a word");
      const bool known =
          mode ? (st.argument == "table" || st.argument == "csv" || st.argument == "line")
               : (st.argument == "on" || st.argument == "off");
      if (!known) fail(mode ? ".mode takes table, csv or line" : ".timer takes on or off", start);
      return true;
    }
    return false;
  }

  // A file or table name: the rest of the line, or a text in double quotes
  // to keep blanks at its ends.
  std::string restOfLine() {
    if (!atEnd() && peek() == '"') return quoted();
    size_t end = s_.find('\n', pos_);
    if (end == std::string::npos) end = s_.size();
    std::string text = s_.substr(pos_, end - pos_);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
      text.pop_back();
    pos_ = end;
    return text;
  }

  Statement& finish(Statement& st) {
    skipBlanks();
    if (!atEnd() && peek() != '#') fail("unexpected text after the statement", pos_);
    return st;
  }

  std::vector<ScriptValue> arguments() {
    std::vector<ScriptValue> args;
    skipBlanks();
    if (!atEnd() && peek() == ')') {
      ++pos_;
      return args;
    }
    for (;;) {
      skipBlanks();
      if (atEnd()) fail("the argument list is not closed with ')'", pos_);
      if (peek() == ',' || peek() == ')')
        args.push_back(ScriptValue());  // left out: the host passes the member's default
      else
        args.push_back(value());
      skipBlanks();
      if (atEnd()) fail("the argument list is not closed with ')'", pos_);
      if (peek() == ')') {
        ++pos_;
        return args;
      }
      if (peek() != ',') fail("expected ',' or ')' between arguments", pos_);
      ++pos_;
    }
  }

  ScriptValue value() {
    ScriptValue v;
    const size_t start = pos_;
    const char c = peek();
    if (c == '"') {
      v.kind = ScriptValue::Text;
      v.text = quoted();
      return v;
    }
    if (IsDigit(c) || ((c == '-' || c == '+' || c == '.') && pos_ + 1 < s_.size() &&
                       (IsDigit(s_[pos_ + 1]) || s_[pos_ + 1] == '.'))) {
      return number();
    }
    if (!IsIdentStart(static_cast<unsigned char>(c)))
      fail(
          "expected a value: \"text\", a number, Date(...), Object(...), Empty, Null, True or "
          "False",
          pos_);
    const std::string word = identifier("a value");
    if (SameWord(word, "empty")) {
      v.kind = ScriptValue::EmptyValue;
    } else if (SameWord(word, "null")) {
      v.kind = ScriptValue::NullValue;
    } else if (SameWord(word, "true") || SameWord(word, "false")) {
      v.kind = ScriptValue::Boolean;
      v.boolean = SameWord(word, "true");
    } else if (SameWord(word, "date")) {
      dateValue(v, start);
    } else if (SameWord(word, "object")) {
      objectValue(v, start);
    } else {
      fail("unknown value '" + word + "' (texts go in double quotes)", start);
    }
    return v;
  }

  void dateValue(ScriptValue& v, size_t start) {
    const std::vector<ScriptValue> parts = innerList("Date", start);
    for (const ScriptValue& p : parts)
      if (p.kind != ScriptValue::Integer) fail("Date(...) takes whole numbers only", start);
    if (parts.size() != 3 && parts.size() != 6 && parts.size() != 7)
      fail(
          "Date takes (year, month, day), (year, month, day, hour, minute, second) or that "
          "and milliseconds",
          start);
    ScriptDate d;
    d.year = parts[0].integer;
    d.month = parts[1].integer;
    d.day = parts[2].integer;
    if (parts.size() >= 6) {
      d.hour = parts[3].integer;
      d.minute = parts[4].integer;
      d.second = parts[5].integer;
    }
    if (parts.size() == 7) d.millisecond = parts[6].integer;
    const std::string problem = CheckScriptDate(d);
    if (!problem.empty()) fail("Date: " + problem, start);
    v.kind = ScriptValue::DateTime;
    v.date = d;
  }

  void objectValue(ScriptValue& v, size_t start) {
    const std::vector<ScriptValue> parts = innerList("Object", start);
    if (parts.size() != 4 || parts[0].kind != ScriptValue::Text ||
        parts[1].kind != ScriptValue::Integer || parts[2].kind != ScriptValue::Integer ||
        parts[3].kind != ScriptValue::Text)
      fail("Object takes (\"type identifier\", first number, object number, \"suffix\")", start);
    v.kind = ScriptValue::HostObject;
    v.object.typeId = parts[0].text;
    v.object.firstNumber = parts[1].integer;
    v.object.objectNumber = parts[2].integer;
    v.object.suffix = parts[3].text;
  }

  std::vector<ScriptValue> innerList(const char* what, size_t start) {
    skipBlanks();
    if (atEnd() || peek() != '(') fail(std::string(what) + " needs its parts in parentheses", pos_);
    ++pos_;
    std::vector<ScriptValue> parts = arguments();
    for (const ScriptValue& p : parts)
      if (p.kind == ScriptValue::Omitted)
        fail(std::string(what) + "(...) cannot leave a part out", start);
    return parts;
  }

  ScriptValue number() {
    const size_t start = pos_;
    size_t i = pos_;
    if (s_[i] == '-' || s_[i] == '+') ++i;
    bool whole = true;
    size_t digits = 0;
    while (i < s_.size() && IsDigit(s_[i])) ++i, ++digits;
    if (i < s_.size() && s_[i] == '.') {
      whole = false;
      ++i;
      while (i < s_.size() && IsDigit(s_[i])) ++i, ++digits;
    }
    if (digits == 0) fail("a number needs digits", start);
    if (i < s_.size() && (s_[i] == 'e' || s_[i] == 'E')) {
      whole = false;
      size_t j = i + 1;
      if (j < s_.size() && (s_[j] == '-' || s_[j] == '+')) ++j;
      if (j >= s_.size() || !IsDigit(s_[j])) fail("the exponent of a number needs digits", i);
      while (j < s_.size() && IsDigit(s_[j])) ++j;
      i = j;
    }
    if (i < s_.size() && (IsIdentChar(static_cast<unsigned char>(s_[i])) || s_[i] == '.'))
      fail("a number is followed by '" + std::string(1, s_[i]) + "'", i);
    const std::string text = s_.substr(start, i - start);
    pos_ = i;
    ScriptValue v;
    if (whole) {
      long long n = 0;
      size_t k = (text[0] == '-' || text[0] == '+') ? 1 : 0;
      for (; k < text.size(); ++k) {
        n = n * 10 + (text[k] - '0');
        if (n > 2147483648LL) break;
      }
      if (text[0] == '-') n = -n;
      if (n < INT_MIN || n > INT_MAX)
        fail("the whole number " + text + " is outside the 32-bit range (write " + text +
                 ".0 for a decimal)",
             start);
      v.kind = ScriptValue::Integer;
      v.integer = static_cast<LONG>(n);
    } else {
      std::istringstream in(text);
      in.imbue(std::locale::classic());
      double d = 0;
      in >> d;
      if (in.fail()) fail("the number " + text + " is outside the range of a decimal", start);
      v.kind = ScriptValue::Decimal;
      v.decimal = d;
    }
    return v;
  }

  // A double-quoted text; "" stands for one quote.
  std::string quoted() {
    const size_t start = pos_;
    ++pos_;
    std::string out;
    for (;;) {
      if (atEnd()) fail("the text is not closed with '\"'", start);
      const char c = s_[pos_++];
      if (c == '"') {
        if (!atEnd() && peek() == '"') {
          out.push_back('"');
          ++pos_;
          continue;
        }
        return out;
      }
      out.push_back(c);
    }
  }

  std::string identifier(const char* what) {
    const size_t start = pos_;
    if (atEnd() || !IsIdentStart(static_cast<unsigned char>(peek())))
      fail(std::string("expected ") + what, pos_);
    while (!atEnd() && IsIdentChar(static_cast<unsigned char>(peek()))) ++pos_;
    return s_.substr(start, pos_ - start);
  }

  // Blanks, and the line breaks and comment lines inside a continued
  // statement. A comment that ends the text is left for finish() to see.
  void skipBlanks() {
    while (!atEnd()) {
      const char c = peek();
      if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
        ++pos_;
      } else if (c == '#' && s_.find('\n', pos_) != std::string::npos) {
        pos_ = s_.find('\n', pos_);
      } else {
        break;
      }
    }
  }
  bool atEnd() const { return pos_ >= s_.size(); }
  char peek() const { return s_[pos_]; }
  [[noreturn]] void fail(const std::string& what, size_t at) const {
    throw ScriptSyntaxError(what, at + 1);
  }

  const std::string& s_;
  size_t pos_ = 0;
};

}  // namespace

const char* const kConsoleCommands[] = {".table", ".tables", ".schema", ".members", ".mode",
                                        ".timer", ".open",   ".reopen", ".read",    ".output",
                                        ".help",  ".quit",   ".exit",   nullptr};

Statement ParseStatement(const std::string& text) { return Parser(text).statement(); }

bool StatementIsOpen(const std::string& text) {
  bool quote = false;
  long depth = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (quote) {
      // A doubled quote inside a text toggles twice: the text stays open.
      if (c == '"') quote = false;
    } else if (c == '"') {
      quote = true;
    } else if (c == '#') {
      const size_t end = text.find('\n', i);
      if (end == std::string::npos) break;
      i = end;
    } else if (c == '(') {
      ++depth;
    } else if (c == ')') {
      --depth;
    }
  }
  return quote || depth > 0;
}

namespace {

// Walks SQL text as its engines read it: 'texts', "names", -- comments to
// the end of the line and /* comments */; calls at(i) for each ';' outside them.
template <typename Found>
void SqlSemicolons(const std::string& text, Found at) {
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\'' || c == '"' || c == '`') {
      // A doubled quote inside stays inside.
      const size_t end = text.find(c, i + 1);
      if (end == std::string::npos) return;
      i = end;
    } else if (c == '-' && text.compare(i, 2, "--") == 0) {
      const size_t end = text.find('\n', i);
      if (end == std::string::npos) return;
      i = end;
    } else if (c == '/' && text.compare(i, 2, "/*") == 0) {
      const size_t end = text.find("*/", i + 2);
      if (end == std::string::npos) return;
      i = end + 1;
    } else if (c == ';') {
      at(i);
    }
  }
}

// Whether SQL text holds anything but blanks and comments.
bool HasSql(const std::string& text) {
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (text.compare(i, 2, "--") == 0) {
      i = text.find('\n', i);
      if (i == std::string::npos) return false;
    } else if (text.compare(i, 2, "/*") == 0) {
      i = text.find("*/", i + 2);
      if (i == std::string::npos) return false;
      ++i;
    } else if (c != ' ' && c != '\t' && c != '\r' && c != '\n') {
      return true;
    }
  }
  return false;
}

// The SQL words a statement starts with, in upper case.
const char* const kSqlKeywords[] = {
    "ALTER",  "ANALYZE",  "ATTACH",    "BEGIN",  "CALL",   "COMMENT", "COMMIT",  "COPY",
    "CREATE", "DELETE",   "DESCRIBE",  "DETACH", "DO",     "DROP",    "END",     "EXPLAIN",
    "GRANT",  "INSERT",   "LOCK",      "MERGE",  "PRAGMA", "REINDEX", "RELEASE", "REPLACE",
    "REVOKE", "ROLLBACK", "SAVEPOINT", "SELECT", "SET",    "SHOW",    "START",   "TRUNCATE",
    "UPDATE", "USE",      "VACUUM",    "VALUES", "WITH",   nullptr};

}  // namespace

std::string LeadingWord(const std::string& text) {
  size_t i = 0;
  for (;;) {
    while (i < text.size() &&
           (text[i] == ' ' || text[i] == '\t' || text[i] == '\r' || text[i] == '\n'))
      ++i;
    if (i < text.size() && text[i] == '#') {
      i = text.find('\n', i);
      if (i == std::string::npos) return std::string();
      continue;
    }
    break;
  }
  size_t end = i;
  while (end < text.size() && IsIdentChar(static_cast<unsigned char>(text[end]))) ++end;
  return end > i && IsIdentStart(static_cast<unsigned char>(text[i])) ? text.substr(i, end - i)
                                                                      : std::string();
}

bool IsSqlKeyword(const std::string& word) {
  for (const char* const* k = kSqlKeywords; *k; ++k)
    if (SameWord(word, *k)) return true;
  return false;
}

bool SqlIsOpen(const std::string& text) {
  size_t last = std::string::npos;
  SqlSemicolons(text, [&](size_t i) { last = i; });
  return last == std::string::npos || HasSql(text.substr(last + 1));
}

std::vector<std::string> SqlStatements(const std::string& text) {
  std::vector<std::string> out;
  size_t start = 0;
  auto take = [&](size_t end) {
    const std::string piece = text.substr(start, end - start);
    start = end + 1;
    if (!HasSql(piece)) return;
    const size_t first = piece.find_first_not_of(" \t\r\n");
    out.push_back(piece.substr(first, piece.find_last_not_of(" \t\r\n") - first + 1));
  };
  SqlSemicolons(text, take);
  if (start < text.size()) take(text.size());
  return out;
}

}  // namespace qorvid::host
