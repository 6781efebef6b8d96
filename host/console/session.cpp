#include "host/console/session.h"

#include <algorithm>

#include "host/console/help_text.h"
#include "host/console/ole_date.h"
#include "host/console/utf.h"
#include "host/console/value_display.h"

namespace {

WideString Wide(const std::string& utf8) {
  WideString w;
  WideFromUtf8(utf8, w);
  return w;
}

// A message split at its CR LF line breaks; the break that ends it opens
// no further line.
std::vector<std::string> MessageLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (;;) {
    const size_t at = text.find("\r\n", start);
    if (at == std::string::npos) {
      if (start < text.size() || lines.empty()) lines.push_back(text.substr(start));
      break;
    }
    lines.push_back(text.substr(start, at - start));
    start = at + 2;
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

std::string Pad(const std::string& s, size_t width) {
  const size_t w = Utf8Width(s);
  return w >= width ? s : s + std::string(width - w, ' ');
}

}  // namespace

bool Session::run(const Statement& st) {
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
      return table();
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
  }
  return true;
}

long Session::method(const std::string& name) { return component_.findMethod(Wide(name)); }
long Session::property(const std::string& name) { return component_.findProperty(Wide(name)); }

bool Session::consoleError(const std::string& text) {
  out_ << "! " << text << "\n";
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

Session::Outcome Session::callMethod(long number, std::vector<Variant>& args) {
  Outcome o;
  const size_t before = host_.errorCount();
  o.status = component_.callAsFunction(number, args, o.value);
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
  for (const LoggedError& e : logged) {
    out_ << "! error log: " << e.code << ", " << e.source;
    if (!errorMsg.empty() && e.description == errorMsg) {
      out_ << ": the same text\n";
      continue;
    }
    out_ << ":\n";
    for (const std::string& line : MessageLines(e.description)) out_ << "!   " << line << "\n";
  }
}

void Session::reportFailure(const Outcome& o) {
  if (!o.errorMsg.empty()) {
    const std::vector<std::string> lines = MessageLines(o.errorMsg);
    for (size_t i = 0; i < lines.size(); ++i)
      out_ << (i == 0 ? "! ErrorMsg: " : "!           ") << lines[i] << "\n";
  }
  reportLog(o.logged, o.errorMsg);
}

bool Session::call(const Statement& st) {
  const long number = method(st.name);
  if (number < 0) {
    if (property(st.name) >= 0)
      return consoleError(st.name + " is a property: read it as " + st.name + ", write it as " +
                          st.name + " = value");
    return consoleError("unknown member " + st.name + " (.members lists them)");
  }
  const long count = component_.paramCount(number);
  if (static_cast<long>(st.args.size()) > count)
    return consoleError(st.name + " takes " + Plural(count, "argument", "arguments") + ", " +
                        std::to_string(st.args.size()) + " given");
  std::vector<Variant> args(static_cast<size_t>(std::max(count, 0L)));
  for (long i = 0; i < count; ++i) {
    const ScriptValue omitted;
    const ScriptValue& v = i < static_cast<long>(st.args.size()) ? st.args[i] : omitted;
    if (!makeArgument(v, number, i, args[i])) return false;
  }
  Outcome o = callMethod(number, args);
  out_ << "= " << DisplayValue(o.value.get(), host_) << "\n";
  if (o.status != S_OK)
    out_ << "  (status S_FALSE: the component does not carry out this method)\n";
  reportFailure(o);
  return !o.failed();
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
    return consoleError("unknown member " + st.name + " (.members lists them)");
  }
  if (!component_.propertyReadable(number)) return consoleError(st.name + " cannot be read");
  Outcome o = readProperty(number);
  out_ << "= " << DisplayValue(o.value.get(), host_) << "\n";
  if (o.status != S_OK) out_ << "  (status S_FALSE: the component has no such property)\n";
  reportFailure(o);
  return !o.failed();
}

bool Session::write(const Statement& st) {
  const long number = property(st.name);
  if (number < 0) {
    if (method(st.name) >= 0)
      return consoleError(st.name + " is a method: call it as " + st.name + "(...)");
    return consoleError("unknown member " + st.name + " (.members lists them)");
  }
  Variant value;
  if (!makeArgument(st.args.at(0), -1, 0, value)) return false;
  const size_t before = host_.errorCount();
  const HRESULT status = component_.setProperty(number, value);
  const std::vector<LoggedError> logged = host_.errorsSince(before);
  bool ok = logged.empty();
  if (status != S_OK) {
    out_ << "! " << st.name << " cannot be written (the component answered S_FALSE)\n";
    ok = false;
  }
  reportLog(logged, std::string());
  return ok;
}

bool Session::table() {
  const long fieldsCount = component_.findProperty(OLESTR("FieldsCount"));
  const long eof = component_.findProperty(OLESTR("EOF"));
  const long fieldName = component_.findMethod(OLESTR("FieldName"));
  const long getField = component_.findMethod(OLESTR("GetField"));
  const long moveNext = component_.findMethod(OLESTR("MoveNext"));
  if (fieldsCount < 0 || eof < 0 || fieldName < 0 || getField < 0 || moveNext < 0)
    return consoleError("the component lacks the members .table needs");

  Outcome count = readProperty(fieldsCount);
  if (count.failed()) {
    reportFailure(count);
    return false;
  }
  const long columns = count.value.vt() == VT_I4 ? count.value.get().lVal : 0;
  if (columns <= 0) {
    out_ << "(the last Execute gave no fields)\n";
    return true;
  }

  std::vector<std::vector<std::string>> rows(1);
  for (long i = 0; i < columns; ++i) {
    std::vector<Variant> args(1);
    args[0] = Variant::fromInt(i);
    Outcome name = callMethod(fieldName, args);
    if (name.failed()) {
      reportFailure(name);
      return false;
    }
    rows[0].push_back(CellText(name.value.get(), host_));
  }
  for (;;) {
    Outcome end = readProperty(eof);
    if (end.failed()) {
      reportFailure(end);
      return false;
    }
    if (end.value.vt() != VT_I4 || end.value.get().lVal != 0) break;
    std::vector<std::string> row;
    for (long i = 0; i < columns; ++i) {
      std::vector<Variant> args(1);
      args[0] = Variant::fromInt(i);
      Outcome cell = callMethod(getField, args);
      if (cell.failed()) {
        reportFailure(cell);
        return false;
      }
      row.push_back(CellText(cell.value.get(), host_));
    }
    rows.push_back(row);
    std::vector<Variant> none;
    Outcome next = callMethod(moveNext, none);
    if (next.failed()) {
      reportFailure(next);
      return false;
    }
  }

  std::vector<size_t> width(static_cast<size_t>(columns), 0);
  for (const auto& row : rows)
    for (size_t i = 0; i < row.size(); ++i) width[i] = std::max(width[i], Utf8Width(row[i]));
  for (size_t r = 0; r < rows.size(); ++r) {
    std::string line;
    for (size_t i = 0; i < rows[r].size(); ++i) {
      if (i) line += " | ";
      line += i + 1 < rows[r].size() ? Pad(rows[r][i], width[i]) : rows[r][i];
    }
    out_ << line << "\n";
    if (r == 0) {
      std::string rule;
      for (size_t i = 0; i < width.size(); ++i)
        rule += (i ? "-+-" : "") + std::string(width[i], '-');
      out_ << rule << "\n";
    }
  }
  const long n = static_cast<long>(rows.size()) - 1;
  out_ << "(" << Plural(n, "row", "rows") << ")\n";
  return true;
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
         << Pad(row[1], width[1]) << "  " << Pad(row[2], width[2]) << "  " << row[3] << "\n";
  }
}
