// The entry points of the in-process server, exported by name (and, in the
// DLL, with ordinals 4, 3, 2, 1, 5 in this order).
#pragma once

#include "platform/win32.h"

STDAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv);
STDAPI DllCanUnloadNow(void);
STDAPI DllRegisterServer(void);
STDAPI DllUnregisterServer(void);
// regsvr32 /n /i:user registers for the current user only, /u /n /i:user
// removes that registration.
STDAPI DllInstall(BOOL install, LPCWSTR commandLine);
