// Quote doubling for literals: single quotes for SQL string literals, double
// quotes for string constants of the host's script language. The caller adds
// the enclosing quotes.
#pragma once

#include <string>

namespace qorvid {

std::string EscapeSingleQuotes(const std::string& text);
// The SQL string literal of text: EscapeSingleQuotes between single quotes.
std::string QuotedSqlString(const std::string& text);
std::string EscapeDoubleQuotes(const std::string& text);

}  // namespace qorvid
