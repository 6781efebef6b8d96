// Forwards to the header's home in the model room, for the module files
// that still include it here; goes once they include ado/model/dispatch_base.h.
#pragma once

#include "ado/model/dispatch_base.h"
