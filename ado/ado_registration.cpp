#include "ado/ado_registration.h"

#include "ado/class_factory.h"
#include "platform/win32.h"

using namespace qorvid::ado;

extern "C" void AdoRegisterInProcess() {
  static LONG volatile registered = 0;
  if (InterlockedExchange(&registered, 1) == 0)
    PlatformRegisterClass(CLSID_QorvidAdoConnection, "ADODB.Connection", AdoGetClassObject);
}
