// UTF-8 at the console's edge, UTF-16 towards the component: scripts and
// output are UTF-8, every text the component takes or gives is a BSTR.
#pragma once

#include <string>

#include "platform/bstr.h"

namespace qorvid::host {

// False when the input is not well-formed UTF-8 (out is then unspecified).
bool WideFromUtf8(const std::string& utf8, WideString& out);
// Unpaired surrogates become U+FFFD.
std::string Utf8FromWide(const OLECHAR* s, size_t len);
inline std::string Utf8FromWide(const WideString& s) { return Utf8FromWide(s.data(), s.size()); }
std::string Utf8FromBstr(BSTR b);
// Columns a terminal gives the text, for aligning tables: East Asian wide
// characters take two, combining marks and other zero-width ones none.
size_t Utf8Width(const std::string& utf8);

}  // namespace qorvid::host
