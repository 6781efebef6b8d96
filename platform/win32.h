// The one header through which every qorvid source reaches Win32, COM and OLE
// Automation. On Windows it is the SDK itself; elsewhere it is our own stand-in
// with the SDK's names, types and signatures, so that the code above it carries
// no platform conditionals.
#pragma once

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#include <ole2.h>
#include <oleauto.h>
#include <oaidl.h>
#include <ocidl.h>
#include <olectl.h>
#else
#include "platform/posix/win32_posix.h"
#endif
