// What makes "ADODB.Connection" creatable for the tests: on POSIX our class
// registered in the platform's class table, under Wine the COM runtime with
// the DLL registered in the test prefix.
#pragma once

namespace qorvid::ado {

void PrepareAdoClass();

}  // namespace qorvid::ado
