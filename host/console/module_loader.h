// How the console gets hold of the component: the one place where the two
// builds differ. On POSIX the module is loaded with dlopen and its class
// factory taken from DllGetClassObject; on Windows the registered class
// "AddIn.qorvid" is asked of COM, or a named qorvid.dll is loaded directly.
#pragma once

#include <string>

#include "platform/com_ptr.h"
#include "platform/win32.h"

namespace qorvid::host {

// Prepares the process as a host does before it creates add-ins (COM, and
// on POSIX the in-process ADO classes). Returns false with a reason.
bool StartHostProcess(std::string& problem);
void EndHostProcess();

// The module the console loads when none is named: on POSIX the library
// built with it; on Windows nothing (the registered class is used).
std::string DefaultModulePath();

// The component class factory, as a host obtains it. modulePath empty: the
// platform's default way.
ComPtr<IClassFactory> GetComponentFactory(const std::string& modulePath, std::string& problem);

}  // namespace qorvid::host
