// key=value;key=value connection strings, keys compared without regard to
// case. Values may be quoted ('..' or "..") or braced ({..}) to hold ';'.
#pragma once

#include <utility>
#include <vector>

#include "platform/bstr.h"

namespace qorvid::ado {

class ConnectionString {
 public:
  explicit ConnectionString(const WideString& text);
  // The value of the last pair with that key (compared without regard to case), and
  // whether there is one.
  bool find(const WideString& key, WideString* value) const;

 private:
  std::vector<std::pair<WideString, WideString>> pairs_;
};

}  // namespace qorvid::ado
