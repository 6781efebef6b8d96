#include "platform/win32.h"
#include "tests/server/runtime/runtime_registration.h"

namespace qorvid {

std::string PrepareRegistration() {
  CLSID clsid;
  if (FAILED(CLSIDFromProgID(OLESTR("AddIn.qorvid"), &clsid)))
    return "AddIn.qorvid is not registered: run this program through scripts/wine-regsvr-test";
  return std::string();
}

void UndoRegistration() {}

}  // namespace qorvid
