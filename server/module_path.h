// The server file name: the full path of this library as the system reports
// it for the library's own module handle.
#pragma once

#include <string>

namespace qorvid {

// Empty when the system cannot tell.
std::string ServerFileName();

// The system's short (8.3) form of path; path itself when there is none.
std::string ShortPathName(const std::string& path);

}  // namespace qorvid
