#include "component/object_count.h"

namespace qorvid {

namespace {
LONG volatile liveObjects = 0;
}

LONG LiveObjectCount() { return liveObjects; }
void LiveObjectCreated() { InterlockedIncrement(&liveObjects); }
void LiveObjectDestroyed() { InterlockedDecrement(&liveObjects); }

}  // namespace qorvid
