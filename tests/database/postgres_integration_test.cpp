// The integration cases on PostgreSQL through ODBC. scripts/with-postgres
// starts a server and names it in QORVID_PG_CONNECTION; without it the tests
// are skipped.
#include <cstdlib>

#include "tests/database/integration_cases.h"

namespace qorvid {

namespace {
TestDatabase Postgres() {
  TestDatabase b;
  b.name = "Postgres";
  b.connect = [](const std::string&) {
    const char* connection = std::getenv("QORVID_PG_CONNECTION");
    return std::string(connection ? connection : "");
  };
  b.blobType = "BYTEA";
  b.blobLiteral = "'\\x01ff'::bytea";
  b.dateType = "TIMESTAMP(3)";
  b.otherBackslashReading = "SET standard_conforming_strings = off";
  return b;
}
}  // namespace

INSTANTIATE_TEST_SUITE_P(Postgres, DatabaseIntegration, ::testing::Values(Postgres()),
                         PrintBackend);

}  // namespace qorvid
