// UTF-8 at the console's edge, UTF-16 towards the component: scripts and
// output are UTF-8, every text the component takes or gives is a BSTR.
#pragma once

#include <string>

#include "platform/bstr.h"

// False when the input is not well-formed UTF-8 (out is then unspecified).
bool WideFromUtf8(const std::string& utf8, WideString& out);
// Unpaired surrogates become U+FFFD.
std::string Utf8FromWide(const OLECHAR* s, size_t len);
inline std::string Utf8FromWide(const WideString& s) { return Utf8FromWide(s.data(), s.size()); }
std::string Utf8FromBstr(BSTR b);
// Number of code points, for aligning columns.
size_t Utf8Width(const std::string& utf8);
