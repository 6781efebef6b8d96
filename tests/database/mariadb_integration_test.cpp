// The integration cases on MariaDB through its ODBC driver.
// scripts/with-mariadb starts a server and names it in
// QORVID_MARIADB_CONNECTION; without it the tests are skipped.
#include <cstdlib>

#include "tests/database/integration_cases.h"

namespace qorvid {

namespace {
TestDatabase Mariadb() {
  TestDatabase b;
  b.name = "Mariadb";
  b.connect = [](const std::string&) {
    const char* connection = std::getenv("QORVID_MARIADB_CONNECTION");
    return std::string(connection ? connection : "");
  };
  b.blobType = "BLOB";
  b.blobLiteral = "X'01FF'";
  // TIMESTAMP there runs from 1970 to 2038 only.
  b.dateType = "DATETIME(3)";
  // Two VARCHAR(9000) in utf8mb4 pass the largest row it allows.
  b.longTextType = "VARCHAR(8000)";
  b.otherBackslashReading = "SET sql_mode = CONCAT(@@sql_mode, ',NO_BACKSLASH_ESCAPES')";
  return b;
}
}  // namespace

INSTANTIATE_TEST_SUITE_P(Mariadb, DatabaseIntegration, ::testing::Values(Mariadb()), PrintBackend);

}  // namespace qorvid
