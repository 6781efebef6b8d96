// Where the ODBC tests keep their databases, and how SQLite's ODBC driver is
// made known to the driver manager: natively the test registers it in a
// temporary ODBCSYSINI of its own; under Wine the calling script has done
// so and names the directory on the command line.
#pragma once

#include <string>

namespace qorvid::ado {

// A directory (in the driver's own, Unix, form) for database files.
std::string OdbcTestDirectory();
// False, with the reason, when the driver cannot be reached.
bool OdbcDriverAvailable(std::string* why);
// Removes what OdbcTestDirectory made.
void CleanUpOdbcTestDirectory();

}  // namespace qorvid::ado
