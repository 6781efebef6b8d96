#include "host/console/session.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>

#include "host/console/help_text.h"
#include "host/console/row_printer.h"
#include "host/console/script_date.h"
#include "host/console/utf.h"
#include "host/console/value_display.h"
#include "platform/text_case.h"

namespace qorvid::host {

namespace {

WideString Wide(const std::string& utf8) {
  WideString w;
  WideFromUtf8(utf8, w);
  return w;
}

// A message split at its line breaks (CR LF, or a lone LF or CR as ODBC
// drivers write them); the break that ends it opens no further line.
std::vector<std::string> MessageLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (;;) {
    const size_t at = text.find_first_of("\r\n", start);
    if (at == std::string::npos) {
      if (start < text.size() || lines.empty()) lines.push_back(text.substr(start));
      break;
    }
    lines.push_back(text.substr(start, at - start));
    start = at + (text.compare(at, 2, "\r\n") == 0 ? 2 : 1);
  }
  // Any other control character is shown rather than acted on.
  for (std::string& line : lines) {
    const std::string q = QuotedText(line);
    std::string shown;
    for (size_t i = 1; i + 1 < q.size(); ++i) {
      if (q[i] == '"' && q[i + 1] == '"') ++i;
      shown.push_back(q[i]);
    }
    line = shown;
  }
  return lines;
}

std::string Plural(long n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

WideString Folded(const WideString& w) {
  WideString out = w;
  for (OLECHAR& c : out) c = platform::FoldCase(c);
  return out;
}

// Edits (insert, delete, replace) that turn one name into the other.
size_t EditDistance(const WideString& a, const WideString& b) {
  std::vector<size_t> row(b.size() + 1);
  for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    size_t diagonal = row[0];
    row[0] = i;
    for (size_t j = 1; j <= b.size(); ++j) {
      const size_t above = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diagonal = above;
    }
  }
  return row[b.size()];
}

// ErrorMsg as the console shows it: the message ends with the statement it
// was running; where the lines before already name it ("Ошибка запроса S"),
// it is not shown again.
std::string ShownError(const std::string& errorMsg) {
  std::string text = errorMsg;
  for (size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at + 2)) {
    const std::string statement = text.substr(at + 2);
    if (!statement.empty() && text.substr(0, at).find(statement) != std::string::npos) {
      text.erase(at);
      break;
    }
  }
  return text;
}

// A text as an SQL literal.
std::string SqlText(const std::string& text) {
  std::string out = "'";
  for (char c : text) {
    if (c == '\'') out += '\'';
    out += c;
  }
  return out + "'";
}

std::string Lower(const std::string& text) {
  std::string out = text;
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

std::string Ordinal(long n) {
  static const char* const words[] = {"first", "second", "third"};
  return n >= 0 && n < 3 ? words[n] : "argument " + std::to_string(n + 1);
}

}  // namespace

bool Session::run(const Statement& st) {
  if (!timer_ || st.kind == Statement::Nothing || st.kind == Statement::Timer) return dispatch(st);
  const auto start = std::chrono::steady_clock::now();
  const bool ok = dispatch(st);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  char buf[48];
  std::snprintf(buf, sizeof buf, "(time: %.3f s)\n", seconds);
  out_ << buf;
  return ok;
}

bool Session::dispatch(const Statement& st) {
  switch (st.kind) {
    case Statement::Nothing:
      return true;
    case Statement::Call:
      return call(st);
    case Statement::Read:
      return read(st);
    case Statement::Write:
      return write(st);
    case Statement::Table:
      return table("; .table read the result set to its end");
    case Statement::Members:
      members();
      return true;
    case Statement::Help:
      out_ << HelpText();
      return true;
    case Statement::Echo:
      out_ << st.echoText << "\n";
      return true;
    case Statement::Quit:
      quit_ = true;
      return true;
    case Statement::Mode:
      if (st.argument.empty()) return showSetting(st), true;
      mode_ = st.argument == "csv" ? Mode::Csv : st.argument == "line" ? Mode::Line : Mode::Table;
      return true;
    case Statement::Timer:
      if (st.argument.empty()) return showSetting(st), true;
      timer_ = st.argument == "on";
      return true;
    case Statement::OpenFile:
      return openFile(st);
    case Statement::Sql:
      return sql(st.argument);
    case Statement::Tables:
      return tables();
    case Statement::Schema:
      return schema(st.argument);
    case Statement::Reopen:
      return reopen();
    case Statement::Output:
      return output(st.argument);
    case Statement::ReadFile:
      // The script runner reads the file; a session alone has no files.
      return consoleError(".read works where the console runs statements");
  }
  return true;
}

bool Session::openFile(const Statement& st) {
  Statement open;
  open.kind = Statement::Call;
  open.name = "Open";
  ScriptValue text;
  text.kind = ScriptValue::Text;
  text.text = "Provider=SQLite;Data Source=" + st.argument;
  open.args.push_back(text);
  if (!quiet_) out_ << "(Open(" << QuotedText(text.text) << "))\n";
  return call(open);
}

std::vector<Session::Member> Session::memberList(bool methods) {
  std::vector<Member> list;
  const long count = methods ? component_.methodCount() : component_.propertyCount();
  for (long i = 0; i < count; ++i) {
    Member m;
    m.english = methods ? component_.methodName(i, 0) : component_.propertyName(i, 0);
    m.russian = methods ? component_.methodName(i, 1) : component_.propertyName(i, 1);
    list.push_back(m);
  }
  return list;
}

bool Session::knowsMember(const std::string& name) {
  return method(name) >= 0 || property(name) >= 0;
}

std::vector<std::string> Session::memberNames() {
  std::vector<std::string> names;
  for (int methods = 0; methods < 2; ++methods)
    for (const Member& m : memberList(methods != 0)) {
      if (!m.english.empty()) names.push_back(m.english);
      if (!m.russian.empty()) names.push_back(m.russian);
    }
  return names;
}

// Names the user may have meant: the same name in other letter case or a
// small typing slip.
bool Session::unknownMember(const std::string& name) {
  WideString typed;
  WideFromUtf8(name, typed);
  const WideString folded = Folded(typed);
  std::vector<std::string> guesses;
  for (int methods = 1; methods >= 0; --methods)
    for (const Member& m : memberList(methods != 0)) {
      for (int alias = 0; alias < 2; ++alias) {
        const std::string& candidate = alias ? m.russian : m.english;
        if (candidate.empty()) continue;
        WideString w;
        WideFromUtf8(candidate, w);
        const WideString f = Folded(w);
        const size_t distance = EditDistance(folded, f);
        if ((f == folded || (distance <= 2 && distance * 3 <= f.size())) &&
            std::find(guesses.begin(), guesses.end(), candidate) == guesses.end())
          guesses.push_back(candidate);
      }
    }
  std::string text = "unknown member " + name;
  if (!guesses.empty()) {
    text += ": did you mean ";
    for (size_t i = 0; i < guesses.size(); ++i)
      text += (i == 0 ? "" : i + 1 == guesses.size() ? " or " : ", ") + guesses[i];
    text += "?";
  } else {
    text += " (.members lists them)";
  }
  return consoleError(text);
}

long Session::method(const std::string& name) { return component_.findMethod(Wide(name)); }
long Session::property(const std::string& name) { return component_.findProperty(Wide(name)); }

bool Session::consoleError(const std::string& text) {
  out_.flush();
  err_ << "! " << text << "\n";
  return false;
}

bool Session::makeArgument(const ScriptValue& v, long number, long index, Variant& out) {
  WideString w;
  switch (v.kind) {
    case ScriptValue::Omitted:
      // A host passes the member's default for a left-out argument.
      out = component_.paramDefault(number, index);
      return true;
    case ScriptValue::Text:
      WideFromUtf8(v.text, w);
      out = Variant::fromWide(w);
      return true;
    case ScriptValue::Integer:
      out = Variant::fromInt(v.integer);
      return true;
    case ScriptValue::Decimal:
      out = Variant::fromDouble(v.decimal);
      return true;
    case ScriptValue::DateTime:
      out = Variant::fromDate(ScriptDateNumber(v.date));
      return true;
    case ScriptValue::Boolean:
      out = Variant::fromBool(v.boolean);
      return true;
    case ScriptValue::EmptyValue:
      out.clear();
      return true;
    case ScriptValue::NullValue:
      out = Variant::null();
      return true;
    case ScriptValue::HostObject: {
      std::string problem;
      ComPtr<IDispatch> object = host_.makeObject(v.object, problem);
      if (!object) return consoleError("the host cannot make that object: " + problem);
      out = Variant::fromDispatch(object.get());
      return true;
    }
  }
  return false;
}

Session::Outcome Session::callMethod(long number, std::vector<Variant>& args, bool inRowLoop) {
  Outcome o;
  const size_t before = host_.errorCount();
  o.status = component_.callAsFunction(number, args, o.value);
  if (inRowLoop && host_.errorCount() == before) return o;
  // The dispatcher empties ErrorMsg at every call, so whatever it holds now
  // belongs to this call.
  Variant msg;
  if (errorMsg_ < 0) errorMsg_ = component_.findProperty(OLESTR("ErrorMsg"));
  if (errorMsg_ >= 0) component_.getProperty(errorMsg_, msg);
  if (msg.vt() == VT_BSTR) o.errorMsg = Utf8FromBstr(msg.get().bstrVal);
  o.logged = host_.errorsSince(before);
  return o;
}

Session::Outcome Session::readProperty(long number) {
  Outcome o;
  const size_t before = host_.errorCount();
  o.status = component_.getProperty(number, o.value);
  o.logged = host_.errorsSince(before);
  return o;
}

void Session::reportLog(const std::vector<LoggedError>& logged, const std::string& errorMsg) {
  out_.flush();
  for (const LoggedError& e : logged) {
    err_ << "! error log: " << e.code << ", " << e.source;
    if (!errorMsg.empty() && e.description == errorMsg) {
      err_ << ": the same text\n";
      continue;
    }
    err_ << ":\n";
    for (const std::string& line : MessageLines(e.description)) err_ << "!   " << line << "\n";
  }
}

void Session::reportFailure(const Outcome& o) {
  out_.flush();
  if (!o.errorMsg.empty()) {
    const std::vector<std::string> lines = MessageLines(ShownError(o.errorMsg));
    for (size_t i = 0; i < lines.size(); ++i)
      err_ << (i == 0 ? "! ErrorMsg: " : "!           ") << lines[i] << "\n";
  }
  reportLog(o.logged, o.errorMsg);
}

void Session::report(const std::string& name, const Outcome& o) {
  if (!o.failed()) return;
  if (link_ == Link::Open || name == "Open") return reportFailure(o);
  // Without a connection nearly every call fails the same way: one line
  // each, the component's text with its line breaks turned into dashes.
  std::vector<std::string> lines;
  if (!o.errorMsg.empty()) {
    lines = MessageLines(ShownError(o.errorMsg));
  } else {
    for (const LoggedError& e : o.logged)
      for (const std::string& line : MessageLines(e.description)) lines.push_back(line);
  }
  std::string text;
  for (const std::string& line : lines) {
    const size_t end = line.find_last_not_of(' ');
    if (end != std::string::npos) text += (text.empty() ? "" : " - ") + line.substr(0, end + 1);
  }
  out_.flush();
  err_ << "! " << name << " failed (no connection is open): " << text;
  if (!lastOpen_ && !connectHintGiven_) {
    err_ << " (Open(...) or .open FILE connects; .help shows connection strings)";
    connectHintGiven_ = true;
  }
  err_ << "\n";
}

bool Session::call(const Statement& st) {
  const long number = method(st.name);
  if (number < 0) {
    if (property(st.name) >= 0)
      return consoleError(st.name + " is a property: read it as " + st.name + ", write it as " +
                          st.name + " = value");
    return unknownMember(st.name);
  }
  const long count = component_.paramCount(number);
  const long given = static_cast<long>(st.args.size());
  if (given > count)
    return consoleError(st.name + " takes " + Plural(count, "argument", "arguments") + ", " +
                        std::to_string(given) + " given");
  std::vector<Variant> args(static_cast<size_t>(std::max(count, 0L)));
  for (long i = 0; i < count; ++i) {
    const ScriptValue omitted;
    const ScriptValue& v = i < given ? st.args[i] : omitted;
    if (!makeArgument(v, number, i, args[i])) return false;
  }
  // A host passes the default for arguments not written, and for most
  // members that default is Empty: almost always a slip.
  if (given < count && args[static_cast<size_t>(given)].vt() == VT_EMPTY) {
    out_.flush();
    err_ << "! warning: " << st.name << " takes " << Plural(count, "argument", "arguments") << ", "
         << given << " given; the " << Ordinal(given) << " is passed as Empty\n";
  }
  Outcome o = callMethod(number, args);
  // The field methods give back what they read, 0 included.
  const bool reads = number == component_.findMethod(OLESTR("GetField")) ||
                     number == component_.findMethod(OLESTR("GetFieldAsDateTime")) ||
                     number == component_.findMethod(OLESTR("GetFieldAsObject")) ||
                     number == component_.findMethod(OLESTR("FieldName"));
  if (!quiet_ || reads || o.value.vt() != VT_I4 || o.value.get().lVal != 0)
    out_ << "= " << DisplayValue(o.value.get(), host_) << "\n";
  if (o.status != S_OK)
    out_ << "  (status S_FALSE: the component does not carry out this method)\n";
  report(st.name, o);
  afterCall(st.name, args, o.failed());
  if (!o.failed() && number == component_.findMethod(OLESTR("Open"))) lastOpen_ = st;
  return !o.failed();
}

void Session::afterCall(const std::string& name, const std::vector<Variant>& args, bool failed) {
  const long number = method(name);
  auto is = [&](const OLECHAR* english) { return number == component_.findMethod(english); };
  if (!failed) {
    if (is(OLESTR("Open"))) {
      link_ = Link::Open;
      transactions_ = 0;
      inMemory_ = false;
      engine_ = Engine::Unknown;
      if (!args.empty() && args[0].vt() == VT_BSTR) {
        const std::string text = Lower(Utf8FromBstr(args[0].get().bstrVal));
        inMemory_ = text.find(":memory:") != std::string::npos;
        // The engine, for the catalog queries of .tables and .schema; a
        // data source name alone leaves it unknown.
        engine_ =
            text.find("provider=sqlite") != std::string::npos ? Engine::Sqlite
            : text.find("postgres") != std::string::npos      ? Engine::Postgres
            : text.find("mariadb") != std::string::npos || text.find("mysql") != std::string::npos
                ? Engine::MariaDb
                : Engine::Unknown;
      }
    } else if (is(OLESTR("Close"))) {
      link_ = Link::None;
    } else if (is(OLESTR("BeginTrans"))) {
      ++transactions_;
    } else if ((is(OLESTR("CommitTrans")) || is(OLESTR("RollbackTrans"))) && transactions_ > 0) {
      --transactions_;
    }
    return;
  }
  out_.flush();
  if (is(OLESTR("Open"))) {
    // The connection before it is dropped either way.
    link_ = Link::None;
    std::string text;
    if (!args.empty() && args[0].vt() == VT_BSTR) text = Utf8FromBstr(args[0].get().bstrVal);
    if (!text.empty() && text.find('=') == std::string::npos)
      err_ << "! a connection string names its provider: Open(\"Provider=SQLite;Data Source="
           << text << "\") or .open " << text << " (help shows more)\n";
    return;
  }
  if (link_ != Link::Open) return;
  if (transactions_ > 0) {
    err_ << "! the connection stays open: inside a transaction the component cannot close it"
            " (RollbackTrans or CommitTrans)\n";
    return;
  }
  link_ = Link::None;
  err_ << "! the connection is closed now: the component closes it after a failed call;"
          " .reopen opens it again"
       << (inMemory_ ? " (the in-memory database is gone)" : "") << "\n";
}

bool Session::read(const Statement& st) {
  const long number = property(st.name);
  if (number < 0) {
    // A method named alone is called without arguments.
    if (method(st.name) >= 0) {
      Statement asCall = st;
      asCall.kind = Statement::Call;
      return call(asCall);
    }
    return unknownMember(st.name);
  }
  if (!component_.propertyReadable(number)) return consoleError(st.name + " cannot be read");
  Outcome o = readProperty(number);
  out_ << "= " << DisplayValue(o.value.get(), host_) << "\n";
  if (o.status != S_OK) out_ << "  (status S_FALSE: the component has no such property)\n";
  report(st.name, o);
  return !o.failed();
}

bool Session::write(const Statement& st) {
  const long number = property(st.name);
  if (number < 0) {
    if (method(st.name) >= 0)
      return consoleError(st.name + " is a method: call it as " + st.name + "(...)");
    return unknownMember(st.name);
  }
  Variant value;
  if (!makeArgument(st.args.at(0), -1, 0, value)) return false;
  const size_t before = host_.errorCount();
  const HRESULT status = component_.setProperty(number, value);
  const std::vector<LoggedError> logged = host_.errorsSince(before);
  bool ok = logged.empty();
  if (status != S_OK) {
    out_.flush();
    err_ << "! " << st.name << " cannot be written (the component answered S_FALSE)\n";
    ok = false;
  }
  reportLog(logged, std::string());
  return ok;
}

long Session::columns() {
  const long fieldsCount = component_.findProperty(OLESTR("FieldsCount"));
  if (fieldsCount < 0) return consoleError("the component has no FieldsCount"), -1;
  Outcome count = readProperty(fieldsCount);
  if (count.failed()) return report("FieldsCount", count), -1;
  return count.value.vt() == VT_I4 ? std::max(static_cast<long>(count.value.get().lVal), 0L) : 0;
}

bool Session::fieldNames(long columns, std::vector<std::string>& names, bool raw) {
  const long fieldName = component_.findMethod(OLESTR("FieldName"));
  for (long i = 0; i < columns; ++i) {
    std::vector<Variant> args(1);
    args[0] = Variant::fromInt(i);
    Outcome name = callMethod(fieldName, args);
    if (name.failed()) {
      report("FieldName", name);
      afterCall("FieldName", args, true);
      return false;
    }
    names.push_back(CellText(name.value.get(), host_, raw));
  }
  return true;
}

// One row as a script reads it: EOF, GetField for each column, MoveNext.
Session::Step Session::nextRow(long columns, std::vector<std::string>& row, bool raw) {
  if (row_.eof < 0) {
    row_.eof = component_.findProperty(OLESTR("EOF"));
    row_.getField = component_.findMethod(OLESTR("GetField"));
    row_.moveNext = component_.findMethod(OLESTR("MoveNext"));
  }
  Outcome end = readProperty(row_.eof);
  if (end.failed()) return report("EOF", end), Step::Failed;
  if (end.value.vt() != VT_I4 || end.value.get().lVal != 0) return Step::End;
  row.clear();
  for (long i = 0; i < columns; ++i) {
    std::vector<Variant> args(1);
    args[0] = Variant::fromInt(i);
    Outcome cell = callMethod(row_.getField, args, true);
    if (cell.failed()) {
      report("GetField", cell);
      afterCall("GetField", args, true);
      return Step::Failed;
    }
    const VARTYPE vt = cell.value.vt();
    row.push_back(raw && (vt == VT_NULL || vt == VT_EMPTY)
                      ? std::string()
                      : CellText(cell.value.get(), host_, raw || mode_ == Mode::Csv));
  }
  std::vector<Variant> none;
  Outcome next = callMethod(row_.moveNext, none, true);
  if (next.failed()) {
    report("MoveNext", next);
    afterCall("MoveNext", none, true);
    return Step::Failed;
  }
  return Step::Row;
}

bool Session::table(const char* countNote) {
  const long n = columns();
  if (n < 0) return false;
  if (n == 0) {
    out_ << "(the last Execute gave no fields)\n";
    return true;
  }
  std::vector<std::string> names;
  if (!fieldNames(n, names, mode_ == Mode::Csv)) return false;
  const RowPrinter::Layout layout = mode_ == Mode::Csv    ? RowPrinter::Csv
                                    : mode_ == Mode::Line ? RowPrinter::Line
                                                          : RowPrinter::Table;
  RowPrinter printer(out_, layout, names);
  long rows = 0;
  bool stopped = false;
  for (std::vector<std::string> row;;) {
    if (interrupted_ && interrupted_()) {
      stopped = true;
      break;
    }
    const Step step = nextRow(n, row, false);
    if (step == Step::End) break;
    if (step == Step::Failed) {
      printer.finish();
      return false;
    }
    printer.add(std::move(row));
    ++rows;
  }
  printer.finish();
  if (stopped) {
    out_.flush();
    err_ << "! .table stopped by Ctrl-C after " << Plural(rows, "row", "rows")
         << "; the result set stands at the next row\n";
    return false;
  }
  // The rows are read as a script reads them: the result set is at its end.
  if (mode_ == Mode::Table) out_ << "(" << Plural(rows, "row", "rows") << countNote << ")\n";
  return true;
}

bool Session::execute(const std::string& text) {
  const long number = component_.findMethod(OLESTR("Execute"));
  if (number < 0) return consoleError("the component has no Execute");
  std::vector<Variant> args(1);
  args[0] = Variant::fromWide(Wide(text));
  Outcome o = callMethod(number, args);
  report("Execute", o);
  afterCall("Execute", args, o.failed());
  return !o.failed();
}

// SQL typed as it is: each statement through Execute, and the rows of one
// that gives a result set printed as .table prints them.
bool Session::sql(const std::string& text) {
  for (const std::string& statement : SqlStatements(text)) {
    if (!execute(statement)) return false;
    const long n = columns();
    if (n < 0) return false;
    if (n > 0 && !table("")) return false;
  }
  return true;
}

bool Session::readAll(std::vector<std::vector<std::string>>& rows) {
  const long n = columns();
  if (n < 0) return false;
  for (std::vector<std::string> row;;) {
    const Step step = nextRow(n, row, true);
    if (step == Step::Failed) return false;
    if (step == Step::End) return true;
    rows.push_back(row);
  }
}

namespace {

// The catalog of a database server, from information_schema: which schemas
// are the connection's own, and how a column's type is written. A data
// source of unknown engine gets the filter that leaves out the system
// schemas of both.
struct Catalog {
  const char* schemas;  // a condition on c.table_schema
  const char* type;     // the type of column c
};

const Catalog kPostgres = {
    "c.table_schema = ANY (current_schemas(false))",
    "CASE WHEN c.character_maximum_length IS NOT NULL THEN c.data_type || '(' || "
    "c.character_maximum_length || ')' WHEN c.data_type = 'numeric' AND c.numeric_precision IS "
    "NOT NULL THEN 'numeric(' || c.numeric_precision || ',' || c.numeric_scale || ')' ELSE "
    "c.data_type END"};
const Catalog kMariaDb = {"c.table_schema = DATABASE()", "c.column_type"};
const Catalog kOtherServer = {
    "c.table_schema NOT IN ('information_schema', 'pg_catalog', 'mysql', 'performance_schema', "
    "'sys')",
    "c.data_type"};

std::string TablesQuery(const Catalog& catalog) {
  return std::string("SELECT c.table_name FROM information_schema.tables c WHERE ") +
         catalog.schemas + " ORDER BY c.table_name";
}

// Table, column, type, nullable (YES or NO), default; in column order.
std::string ColumnsQuery(const Catalog& catalog, const std::string& only) {
  return std::string("SELECT c.table_name, c.column_name, ") + catalog.type +
         ", c.is_nullable, c.column_default FROM information_schema.columns c JOIN "
         "information_schema.tables t ON t.table_schema = c.table_schema AND t.table_name = "
         "c.table_name AND t.table_type = 'BASE TABLE' WHERE " +
         catalog.schemas + only + " ORDER BY c.table_name, c.ordinal_position";
}

// Table, column of each primary key, in key order.
std::string PrimaryKeysQuery(const Catalog& catalog, const std::string& only) {
  return std::string(
             "SELECT k.table_name, k.column_name FROM information_schema.table_constraints c "
             "JOIN information_schema.key_column_usage k ON k.constraint_schema = "
             "c.constraint_schema AND k.constraint_name = c.constraint_name AND k.table_name = "
             "c.table_name WHERE c.constraint_type = 'PRIMARY KEY' AND ") +
         catalog.schemas + only + " ORDER BY k.table_name, k.ordinal_position";
}

const Catalog& CatalogFor(bool postgres, bool mariaDb) {
  return postgres ? kPostgres : mariaDb ? kMariaDb : kOtherServer;
}

}  // namespace

bool Session::tables() {
  if (link_ != Link::Open)
    return consoleError(".tables needs an open connection (.reopen, Open(...))");
  const std::string query =
      engine_ == Engine::Sqlite
          ? "SELECT name FROM sqlite_master WHERE type IN ('table', 'view') AND name NOT LIKE "
            "'sqlite_%' ORDER BY name"
          : TablesQuery(CatalogFor(engine_ == Engine::Postgres, engine_ == Engine::MariaDb));
  std::vector<std::vector<std::string>> rows;
  if (!execute(query) || !readAll(rows)) return false;
  for (const auto& row : rows) out_ << row.at(0) << "\n";
  out_ << "(" << Plural(static_cast<long>(rows.size()), "table", "tables") << ")\n";
  return true;
}

bool Session::schema(const std::string& table) {
  if (link_ != Link::Open)
    return consoleError(".schema needs an open connection (.reopen, Open(...))");
  std::vector<std::vector<std::string>> rows;
  if (engine_ == Engine::Sqlite) {
    // SQLite keeps each statement that made a table, index, view or trigger.
    std::string query =
        "SELECT sql FROM sqlite_master WHERE sql IS NOT NULL AND name NOT LIKE 'sqlite_%'";
    if (!table.empty()) query += " AND tbl_name = " + SqlText(table) + " COLLATE NOCASE";
    if (!execute(query + " ORDER BY rowid") || !readAll(rows)) return false;
    for (const auto& row : rows) out_ << row.at(0) << ";\n";
  } else {
    // Servers keep no statement text: it is written from the catalog.
    const Catalog& catalog = CatalogFor(engine_ == Engine::Postgres, engine_ == Engine::MariaDb);
    const std::string only =
        table.empty() ? "" : " AND lower(c.table_name) = " + SqlText(Lower(table));
    std::vector<std::vector<std::string>> keys;
    if (!execute(PrimaryKeysQuery(catalog, only)) || !readAll(keys)) return false;
    if (!execute(ColumnsQuery(catalog, only)) || !readAll(rows)) return false;
    for (size_t i = 0; i < rows.size(); ++i) {
      const auto& row = rows[i];
      if (i == 0 || rows[i - 1][0] != row[0]) out_ << "CREATE TABLE " << row[0] << " (\n";
      out_ << "  " << row[1] << " " << row[2];
      if (row[3] == "NO") out_ << " NOT NULL";
      // MariaDB writes NULL for a column without a default.
      if (!row[4].empty() && row[4] != "NULL") out_ << " DEFAULT " << row[4];
      if (i + 1 < rows.size() && rows[i + 1][0] == row[0]) {
        out_ << ",\n";
        continue;
      }
      std::string key;
      for (const auto& k : keys)
        if (k[0] == row[0]) key += (key.empty() ? "" : ", ") + k[1];
      if (!key.empty()) out_ << ",\n  PRIMARY KEY (" << key << ")";
      out_ << "\n);\n";
    }
  }
  if (rows.empty()) out_ << (table.empty() ? "(no tables)\n" : "(no table " + table + ")\n");
  return true;
}

bool Session::reopen() {
  if (!lastOpen_)
    return consoleError("no Open to repeat yet: connect with Open(...) or .open FILE");
  const Statement again = *lastOpen_;
  const bool wasInMemory = inMemory_;
  if (link_ == Link::Open) {
    const long close = component_.findMethod(OLESTR("Close"));
    std::vector<Variant> none;
    Outcome o = callMethod(close, none);
    report("Close", o);
    afterCall("Close", none, o.failed());
  }
  if (!quiet_)
    out_ << "(Open(" << QuotedText(again.args.empty() ? "" : again.args[0].text) << "))\n";
  if (!call(again)) return false;
  if (wasInMemory) {
    out_.flush();
    err_ << "! the in-memory database of the last connection is gone; this one is new and empty\n";
  }
  return true;
}

bool Session::output(const std::string& file) {
  out_.flush();
  if (outputFile_.is_open()) outputFile_.close();
  out_.rdbuf(terminal_.rdbuf());
  if (file.empty()) return true;
  // A UTF-8 name, on Windows too (where a narrow name would be ANSI).
  outputFile_.open(std::filesystem::u8path(file), std::ios::binary | std::ios::trunc);
  if (!outputFile_) return consoleError("cannot write " + file + "; results go to the terminal");
  out_.rdbuf(outputFile_.rdbuf());
  return true;
}

void Session::showSetting(const Statement& st) {
  if (st.kind == Statement::Mode)
    out_ << (mode_ == Mode::Csv    ? "csv"
             : mode_ == Mode::Line ? "line"
                                   : "table")
         << " (.mode table|csv|line)\n";
  else
    out_ << (timer_ ? "on" : "off") << " (.timer on|off)\n";
}

void Session::members() {
  const long properties = component_.propertyCount();
  const long methods = component_.methodCount();
  out_ << component_.extensionName() << ": " << Plural(properties, "property", "properties") << ", "
       << Plural(methods, "method", "methods") << "\n";

  std::vector<std::vector<std::string>> rows;
  rows.push_back({"#", "English", "Russian", "access"});
  for (long i = 0; i < properties; ++i) {
    std::string access = component_.propertyReadable(i) ? "read" : "";
    if (component_.propertyWritable(i)) access += access.empty() ? "write" : ", write";
    rows.push_back(
        {std::to_string(i), component_.propertyName(i, 0), component_.propertyName(i, 1), access});
  }
  rows.push_back({"#", "English", "Russian", "parameters"});
  const size_t methodHeader = rows.size() - 1;
  for (long i = 0; i < methods; ++i)
    rows.push_back({std::to_string(i), component_.methodName(i, 0), component_.methodName(i, 1),
                    std::to_string(component_.paramCount(i))});

  size_t width[3] = {0, 0, 0};
  for (const auto& row : rows)
    for (size_t c = 0; c < 3; ++c) width[c] = std::max(width[c], Utf8Width(row[c]));
  for (size_t r = 0; r < rows.size(); ++r) {
    if (r == 0) out_ << "Properties:\n";
    if (r == methodHeader) out_ << "Methods:\n";
    const auto& row = rows[r];
    std::string num = row[0];
    out_ << "  " << std::string(width[0] - Utf8Width(num), ' ') << num << "  "
         << PadToWidth(row[1], width[1]) << "  " << PadToWidth(row[2], width[2]) << "  " << row[3]
         << "\n";
  }
}

}  // namespace qorvid::host
