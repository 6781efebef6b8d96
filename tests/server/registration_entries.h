// The five registry entries of the class, in the order they are written.
#pragma once

#include <string>
#include <vector>

namespace qorvid {

struct RegistryEntry {
  std::string key;
  std::string value;
};

std::vector<RegistryEntry> ExpectedEntries(const std::string& serverFile);
// The keys in the order unregistration deletes them: the class first, so
// that the ProgID is decided on when the class is gone.
std::vector<std::string> ExpectedDeleteOrder();

}  // namespace qorvid
