#include "ado/ado_registration.h"
#include "tests/ado/ado_class.h"

void PrepareAdoClass() { AdoRegisterInProcess(); }
