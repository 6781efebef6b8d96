#include "encoding/text_trim.h"

namespace qorvid {

namespace {
bool IsTrimmed(char c) { return static_cast<unsigned char>(c) <= 32; }
}  // namespace

std::string TrimControlAndBlanks(const std::string& text) {
  std::string::size_type begin = 0, end = text.size();
  while (begin < end && IsTrimmed(text[begin])) ++begin;
  while (end > begin && IsTrimmed(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

}  // namespace qorvid
