// Connection strings of the Linux build: its ADO layer embeds SQLite, and
// sends every other string to unixODBC.
#include "host/console/help_text.h"

namespace qorvid::host {

const ConnectionExample kConnectionExamples[] = {
    {"Open(\"Provider=SQLite;Data Source=shop.db\")", "an SQLite file (created if missing)"},
    {"Open(\"Provider=SQLite;Data Source=:memory:\")", "SQLite in memory"},
    {".open shop.db", "the same as the first line"},
    {"Open(\"Driver={PostgreSQL Unicode};Server=127.0.0.1;Port=5432;Database=shop;Uid=clerk;"
     "Pwd=secret\")",
     "PostgreSQL through psqlodbc"},
    {"Open(\"Driver={MariaDB Unicode};Server=127.0.0.1;Port=3306;Database=shop;Uid=clerk;"
     "Pwd=secret\")",
     "MariaDB through its ODBC driver"},
    {"Open(\"DSN=Shop\")", "a data source of odbc.ini"},
    {nullptr, nullptr},
};

}  // namespace qorvid::host
