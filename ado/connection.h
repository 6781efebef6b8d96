// Forwards to the header's home in the model room, for the module files
// that still include it here; goes once they include ado/model/connection.h.
#pragma once

#include "ado/model/connection.h"
