// Under Wine the class comes from the COM runtime: the DLL has been
// registered in the test prefix by regsvr32 before the program starts.
#include "platform/win32.h"
#include "tests/ado/ado_class.h"

namespace qorvid::ado {

void PrepareAdoClass() {
  static bool initialised = false;
  if (!initialised) initialised = SUCCEEDED(CoInitialize(nullptr));
}

}  // namespace qorvid::ado
