#include "server/class_registration.h"

#include <utility>

#include "platform/bstr.h"
#include "server/server_object.h"

namespace qorvid {

ClassRegistration::ClassRegistration(ServerObject& server, REFCLSID clsid, std::string className,
                                     std::string description)
    : server_(server),
      clsid_(clsid),
      className_(std::move(className)),
      description_(std::move(description)),
      factory_(server) {
  server_.addClass(this);
}

ClassRegistration::~ClassRegistration() { server_.removeClass(this); }

std::string ClassRegistration::clsidText() const {
  OLECHAR text[40] = {};
  int written = StringFromGUID2(clsid_, text, 40);
  // The count includes the terminating NUL.
  return written > 1 ? AnsiFromWide(text, static_cast<size_t>(written - 1)) : std::string();
}

std::string ClassRegistration::progId() const {
  if (className_.empty()) return std::string();
  return server_.name() + "." + className_;
}

}  // namespace qorvid
