// One component object, created and initialised exactly as a host does it,
// and the host-protocol questions the console asks of it. Every script call
// goes through FindMethod/FindProperty and CallAsFunction/GetPropertyValue/
// SetPropertyValue here.
#pragma once

#include <string>
#include <vector>

#include "host/console/host_side.h"
#include "platform/com_ptr.h"
#include "platform/variant.h"
#include "protocol/host_protocol.h"

namespace qorvid::host {

class ComponentLink {
 public:
  // Takes the host-protocol interfaces of a new component object and
  // initialises it with the host's connection; false with a reason when the
  // object lacks them.
  bool attach(IUnknown* object, HostSide& host, std::string& problem);
  // Shutdown, then the last reference goes.
  void release();
  ~ComponentLink() { release(); }

  // -1 when the name is not known.
  long findMethod(const WideString& name);
  long findProperty(const WideString& name);
  long paramCount(long method);
  Variant paramDefault(long method, long parameter);
  std::string methodName(long number, long alias);    // UTF-8; empty when refused
  std::string propertyName(long number, long alias);  // UTF-8; empty when refused
  long methodCount();
  long propertyCount();
  bool propertyReadable(long number);
  bool propertyWritable(long number);
  std::string extensionName();

  // Element i of the parameter array is argument i.
  HRESULT callAsFunction(long method, std::vector<Variant>& args, Variant& result);
  HRESULT getProperty(long number, Variant& value);
  HRESULT setProperty(long number, Variant& value);

 private:
  ComPtr<IHostInit> init_;
  ComPtr<IScriptExtension> ext_;
};

}  // namespace qorvid::host
