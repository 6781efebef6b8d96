// Makes "AddIn.qorvid" known to the COM runtime before the tests run. Under
// Wine regsvr32 has registered the DLL already (scripts/wine-regsvr-test);
// on POSIX the test registers the built module into platform/'s registry.
#pragma once

#include <string>

namespace qorvid {

// Empty when ready, else what went wrong.
std::string PrepareRegistration();
void UndoRegistration();

}  // namespace qorvid
