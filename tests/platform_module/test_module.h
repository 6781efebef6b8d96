// What the test module serves: one class, whose objects answer IUnknown
// only, and a count of live objects the test reads through dlsym.
#pragma once

#include "platform/win32.h"

// {6B1A3C52-0F7E-4D4B-9C51-2E8D7A3F0B11}
const CLSID CLSID_QorvidTestModuleObject = {
    0x6B1A3C52, 0x0F7E, 0x4D4B, {0x9C, 0x51, 0x2E, 0x8D, 0x7A, 0x3F, 0x0B, 0x11}};
