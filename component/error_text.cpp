#include "component/error_text.h"

std::string& ErrorText() {
  static std::string text;
  return text;
}
