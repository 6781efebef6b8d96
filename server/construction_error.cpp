#include "server/construction_error.h"

#include "platform/win32.h"

namespace qorvid {

std::string ConstructionErrorText(const std::string& message) {
  std::string text = message;
  // Compared as unsigned bytes, so that a Cyrillic letter of the ANSI code
  // page also gets its full stop.
  if (!text.empty() && static_cast<unsigned char>(text.back()) > '.') text += '.';
  return text;
}

void ShowConstructionError(const std::string& message) {
  std::string text = ConstructionErrorText(message);
  MessageBoxA(nullptr, text.c_str(), "DAX Error", MB_OK | MB_ICONSTOP | MB_SETFOREGROUND);
}

}  // namespace qorvid
