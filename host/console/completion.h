// What Tab offers for the word before the cursor: member names (English and
// Russian), the values a script can write, console commands, and file names
// after .open.
#pragma once

#include <string>
#include <vector>

namespace qorvid::host {

// before: the statement up to the cursor (UTF-8). start receives the byte
// offset where the word being completed begins. Candidates are whole words,
// sorted; a directory ends in '/'.
std::vector<std::string> CompleteWord(const std::string& before,
                                      const std::vector<std::string>& members, size_t& start);

// The longest start that all candidates share (whole UTF-8 characters).
std::string CommonStart(const std::vector<std::string>& candidates);

}  // namespace qorvid::host
