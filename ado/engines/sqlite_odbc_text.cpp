#include "ado/engines/sqlite_odbc_text.h"

namespace qorvid::ado {

namespace {

bool Plain(const WideString& s) {
  for (OLECHAR c : s)
    if (c == ';' || c == '{' || c == '}') return false;
  return true;
}

}  // namespace

bool SqliteOdbcConnectionString(const WideString& dataSource, const WideString& extension,
                                WideString* out) {
  if (!Plain(dataSource) || !Plain(extension)) return false;
  // LongNames=0: a column is named as SQLite names it, without its table.
  // BigInt=1: INTEGER columns may hold 64 bits, as in SQLite itself.
  WideString s = OLESTR("Driver={SQLite3};Database=");
  s += dataSource;
  s += OLESTR(";LongNames=0;BigInt=1");
  if (!extension.empty()) {
    s += OLESTR(";LoadExt=");
    s += extension;
  }
  *out = s;
  return true;
}

WideString NativeSiblingPath(const WideString& modulePath, const WideString& name) {
  WideString folder = modulePath;
  const size_t slash = folder.find_last_of(OLESTR("\\/"));
  folder = slash == WideString::npos ? WideString() : folder.substr(0, slash + 1);
  WideString path = folder + name;
  if (path.size() >= 3 && (path[0] == 'Z' || path[0] == 'z') && path[1] == ':' &&
      (path[2] == '\\' || path[2] == '/')) {
    path.erase(0, 2);
    for (OLECHAR& c : path)
      if (c == '\\') c = '/';
  }
  return path;
}

WideString EngineMessage(const WideString& driverMessage) {
  // "[SQLite]near \"X\": syntax error (1)": the driver's name in front, the
  // status code in parentheses at the end (not always both).
  WideString m = driverMessage;
  const WideString tag = OLESTR("[SQLite]");
  if (m.compare(0, tag.size(), tag) == 0) m.erase(0, tag.size());
  const size_t n = m.size();
  if (n < 4 || m[n - 1] != ')') return m;
  size_t i = n - 1;
  while (i > 0 && m[i - 1] >= '0' && m[i - 1] <= '9') --i;
  if (i == n - 1 || i < 2 || m[i - 1] != '(' || m[i - 2] != ' ') return m;
  return m.substr(0, i - 2);
}

WideString ConnectMessage(const WideString& driverMessage) {
  WideString m = EngineMessage(driverMessage);
  if (m == OLESTR("connect failed")) return OLESTR("unable to open database file");
  return m;
}

}  // namespace qorvid::ado
