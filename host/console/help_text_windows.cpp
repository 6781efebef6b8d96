// Connection strings on Windows: ADO's own providers, no SQLite among them,
// and ODBC drivers through MSDASQL. psqlodbc hands booleans over as text
// unless BoolsAsChar=0.
#include "host/console/help_text.h"

namespace qorvid::host {

const ConnectionExample kConnectionExamples[] = {
    {"Open(\"Driver={PostgreSQL Unicode};Server=127.0.0.1;Port=5432;Database=shop;Uid=clerk;"
     "Pwd=secret;BoolsAsChar=0\")",
     "PostgreSQL through psqlodbc"},
    {"Open(\"Driver={MariaDB ODBC 3.1 Driver};Server=127.0.0.1;Port=3306;Database=shop;"
     "Uid=clerk;Pwd=secret\")",
     "MariaDB through its ODBC driver"},
    {"Open(\"Provider=Microsoft.ACE.OLEDB.12.0;Data Source=C:\\\\data\\\\shop.accdb\")",
     "an Access file"},
    {"Open(\"DSN=Shop\")", "a data source of the ODBC administrator"},
    {nullptr, nullptr},
};

}  // namespace qorvid::host
