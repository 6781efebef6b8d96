#include "ado/engines/connection_string.h"

#include "platform/text_case.h"

namespace qorvid::ado {

namespace {

bool IsBlank(OLECHAR c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

WideString Trimmed(const WideString& s) {
  size_t b = 0, e = s.size();
  while (b < e && IsBlank(s[b])) ++b;
  while (e > b && IsBlank(s[e - 1])) --e;
  return s.substr(b, e - b);
}

}  // namespace

ConnectionString::ConnectionString(const WideString& text) {
  size_t i = 0, n = text.size();
  while (i < n) {
    size_t eq = text.find(OLECHAR('='), i);
    size_t semi = text.find(OLECHAR(';'), i);
    if (eq == WideString::npos || (semi != WideString::npos && semi < eq)) {
      // A part without '=' carries no value; skip it.
      if (semi == WideString::npos) break;
      i = semi + 1;
      continue;
    }
    WideString key = Trimmed(text.substr(i, eq - i));
    size_t v = eq + 1;
    while (v < n && IsBlank(text[v])) ++v;
    WideString value;
    size_t next;
    OLECHAR open = v < n ? text[v] : 0;
    OLECHAR close = open == '{' ? OLECHAR('}') : open;
    size_t end =
        (open == '{' || open == '\'' || open == '"') ? text.find(close, v + 1) : WideString::npos;
    if (end != WideString::npos) {
      value = text.substr(v + 1, end - v - 1);
      next = text.find(OLECHAR(';'), end + 1);
    } else {
      next = text.find(OLECHAR(';'), v);
      value = Trimmed(text.substr(v, next == WideString::npos ? WideString::npos : next - v));
    }
    if (!key.empty()) pairs_.emplace_back(key, value);
    if (next == WideString::npos) break;
    i = next + 1;
  }
}

bool ConnectionString::find(const WideString& key, WideString* value) const {
  bool found = false;
  for (const auto& p : pairs_)
    if (platform::EqualsIgnoringCase(p.first, key)) {
      if (value) *value = p.second;
      found = true;
    }
  return found;
}

}  // namespace qorvid::ado
