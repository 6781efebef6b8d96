// Apartment set-up has nothing to do here: every object is in-process and
// the class table is guarded by its own lock.
#include "platform/win32.h"

extern "C" {

HRESULT CoInitialize(LPVOID) { return S_OK; }

HRESULT CoInitializeEx(LPVOID, DWORD) { return S_OK; }

void CoUninitialize(void) {}

}  // extern "C"
