// One creatable class of the server: its identity, names and class factory.
// The server object keeps its registrations; a registration knows nothing of
// the server beyond the module whose counts its factory moves.
#pragma once

#include <string>

#include "platform/com_object.h"
#include "platform/win32.h"
#include "server/qorvid_class.h"

namespace qorvid {

class ClassRegistration {
 public:
  ClassRegistration(REFCLSID clsid, std::string className, std::string description,
                    platform::ComModule& module);
  ClassRegistration(const ClassRegistration&) = delete;
  ClassRegistration& operator=(const ClassRegistration&) = delete;

  const CLSID& clsid() const { return clsid_; }
  // Upper-case hexadecimal in braces, as the registry keeps it.
  std::string clsidText() const;
  // serverName + "." + class name; none for a class without a name.
  std::string progId(const std::string& serverName) const;
  const std::string& className() const { return className_; }
  const std::string& description() const { return description_; }
  IClassFactory* factory() { return &factory_; }

 private:
  CLSID clsid_;
  std::string className_;
  std::string description_;
  platform::ClassFactory<CreateComponentObject> factory_;
};

}  // namespace qorvid
