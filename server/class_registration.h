// One creatable class of the server: its identity, names and class factory.
// Constructing a registration adds it to the server's list of classes;
// destroying it takes it out again.
#pragma once

#include <string>

#include "platform/win32.h"
#include "server/class_factory.h"

namespace qorvid {

class ServerObject;

class ClassRegistration {
 public:
  ClassRegistration(ServerObject& server, REFCLSID clsid, std::string className,
                    std::string description);
  ~ClassRegistration();
  ClassRegistration(const ClassRegistration&) = delete;
  ClassRegistration& operator=(const ClassRegistration&) = delete;

  const CLSID& clsid() const { return clsid_; }
  // Upper-case hexadecimal in braces, as the registry keeps it.
  std::string clsidText() const;
  // Server name + "." + class name; none for a class without a name.
  std::string progId() const;
  const std::string& className() const { return className_; }
  const std::string& description() const { return description_; }
  IClassFactory* factory() { return &factory_; }

 private:
  ServerObject& server_;
  CLSID clsid_;
  std::string className_;
  std::string description_;
  ClassFactory factory_;
};

}  // namespace qorvid
