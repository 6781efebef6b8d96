#include "ado/ado_registration.h"
#include "tests/ado/ado_class.h"

namespace qorvid::ado {

void PrepareAdoClass() { AdoRegisterInProcess(); }

}  // namespace qorvid::ado
