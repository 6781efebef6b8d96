// The identity of the one class this server makes creatable.
#pragma once

#include "platform/win32.h"
#include "protocol/host_protocol.h"

namespace qorvid {

// Its class identifier is CLSID_qorvid, which hosts know from the protocol.
extern const char kServerName[];        // "AddIn"
extern const char kClassName[];         // "qorvid"
extern const char kClassDescription[];  // "V7 AddIn 2.0"

}  // namespace qorvid
