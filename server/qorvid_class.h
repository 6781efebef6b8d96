// The identity of the one class this server makes creatable.
#pragma once

#include "platform/win32.h"

namespace qorvid {

// {7C3E5A92-1F4B-4D86-B2E9-5A0C8D13F647}
extern const CLSID CLSID_qorvid;

extern const char kServerName[];        // "AddIn"
extern const char kClassName[];         // "qorvid"
extern const char kClassDescription[];  // "V7 AddIn 2.0"

}  // namespace qorvid
