// The module that creates Connection objects, shared by the POSIX
// in-process registration and the Windows DLL's exports.
#pragma once

#include "platform/com_object.h"
#include "platform/win32.h"

namespace qorvid::ado {

// {5D1A7C2E-0B3F-4E8A-9C61-2F7B4D90A1E3}: ours, distinct from ADO's own.
extern const CLSID CLSID_QorvidAdoConnection;

// The layer as a COM module: its class factory, registration and unload rule.
platform::ComModule* AdoModule();

// DllGetClassObject's answer for the Connection class.
HRESULT AdoGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv);
// True when no object, factory reference or server lock is outstanding.
bool AdoCanUnload();

}  // namespace qorvid::ado
