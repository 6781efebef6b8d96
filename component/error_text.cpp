#include "component/error_text.h"

namespace qorvid {

std::string& ErrorText() {
  static std::string text;
  return text;
}

}  // namespace qorvid
