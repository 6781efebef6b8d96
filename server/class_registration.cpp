#include "server/class_registration.h"

#include <utility>

#include "platform/bstr.h"

namespace qorvid {

ClassRegistration::ClassRegistration(REFCLSID clsid, std::string className, std::string description,
                                     FactoryReferences& factoryReferences)
    : clsid_(clsid),
      className_(std::move(className)),
      description_(std::move(description)),
      factory_(factoryReferences) {}

std::string ClassRegistration::clsidText() const {
  OLECHAR text[40] = {};
  int written = StringFromGUID2(clsid_, text, 40);
  // The count includes the terminating NUL.
  return written > 1 ? AnsiFromWide(text, static_cast<size_t>(written - 1)) : std::string();
}

std::string ClassRegistration::progId(const std::string& serverName) const {
  if (className_.empty()) return std::string();
  return serverName + "." + className_;
}

}  // namespace qorvid
