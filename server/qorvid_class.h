// The identity of the one class this server makes creatable, and how its
// objects are made.
#pragma once

#include "platform/win32.h"
#include "protocol/host_protocol.h"

namespace qorvid {

// Its class identifier is CLSID_qorvid, which hosts know from the protocol.
extern const char kServerName[];        // "AddIn"
extern const char kClassName[];         // "qorvid"
extern const char kClassDescription[];  // "V7 AddIn 2.0"

// The class factory's CreateInstance: a new component object, aggregated
// when outer asks for its IUnknown. A construction failure is shown to the
// user and answered with E_UNEXPECTED.
HRESULT CreateComponentObject(IUnknown* outer, REFIID iid, void** out);

}  // namespace qorvid
