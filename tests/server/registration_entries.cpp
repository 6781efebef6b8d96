#include "tests/server/registration_entries.h"

#include "tests/server/server_fixture.h"

namespace qorvid {

std::vector<RegistryEntry> ExpectedEntries(const std::string& serverFile) {
  const std::string classKey = std::string("CLSID\\") + kClsidText;
  return {
      {classKey, kDescription},         {classKey + "\\InprocServer32", serverFile},
      {kProgId, kDescription},          {std::string(kProgId) + "\\Clsid", kClsidText},
      {classKey + "\\ProgID", kProgId},
  };
}

std::vector<std::string> ExpectedDeleteOrder() {
  const std::string classKey = std::string("CLSID\\") + kClsidText;
  return {classKey + "\\ProgID", classKey + "\\InprocServer32", classKey,
          std::string(kProgId) + "\\Clsid", kProgId};
}

}  // namespace qorvid
