// The server's live-object count: raised by every component object's
// construction and by LockServer(TRUE), lowered by destruction and
// LockServer(FALSE). DllCanUnloadNow reads it. Changed only by interlocked
// increments and decrements.
#pragma once

#include "platform/win32.h"

namespace qorvid {

LONG LiveObjectCount();
void LiveObjectCreated();
void LiveObjectDestroyed();

}  // namespace qorvid
