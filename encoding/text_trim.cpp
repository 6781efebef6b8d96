#include "encoding/text_trim.h"

#include <algorithm>

namespace qorvid {

std::string TrimControlAndBlanks(const std::string& text) {
  auto trimmed = [](char c) { return IsBlankOrControl(static_cast<unsigned char>(c)); };
  std::string::size_type begin = 0, end = text.size();
  while (begin < end && trimmed(text[begin])) ++begin;
  while (end > begin && trimmed(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

bool BlankOrControlOnly(const WideString& text) {
  return std::all_of(text.begin(), text.end(), [](OLECHAR c) { return IsBlankOrControl(c); });
}

}  // namespace qorvid
