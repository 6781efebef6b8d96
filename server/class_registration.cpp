#include "server/class_registration.h"

#include <utility>

#include "platform/registry_entries.h"

namespace qorvid {

ClassRegistration::ClassRegistration(REFCLSID clsid, std::string className, std::string description,
                                     platform::ComModule& module)
    : clsid_(clsid),
      className_(std::move(className)),
      description_(std::move(description)),
      factory_(module) {}

std::string ClassRegistration::clsidText() const { return platform::GuidText(clsid_); }

std::string ClassRegistration::progId(const std::string& serverName) const {
  if (className_.empty()) return std::string();
  return serverName + "." + className_;
}

}  // namespace qorvid
