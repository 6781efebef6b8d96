// What the console needs of the reference host: the connection object it
// hands to Initialize, the entries the component wrote to the error log, and
// host objects to pass as arguments and to recognise in results.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "host/console/script_syntax.h"
#include "platform/com_ptr.h"
#include "platform/win32.h"

namespace qorvid::host {

struct LoggedError {
  long code = 0;
  std::string source;       // UTF-8
  std::string description;  // UTF-8
};

class HostSide {
 public:
  virtual ~HostSide() = default;
  virtual IDispatch* connection() = 0;
  virtual size_t errorCount() = 0;
  virtual std::vector<LoggedError> errorsSince(size_t first) = 0;
  // Empty owner and a reason when the host cannot make the object.
  virtual ComPtr<IDispatch> makeObject(const ObjectRef& ref, std::string& problem) = 0;
  // False when the object is not one of the host's objects.
  virtual bool describeObject(IDispatch* object, ObjectRef& ref) = 0;
};

// The reference host of host/.
std::unique_ptr<HostSide> CreateReferenceHost();

}  // namespace qorvid::host
