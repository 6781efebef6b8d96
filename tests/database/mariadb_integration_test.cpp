// The integration cases on MariaDB through its ODBC driver.
// scripts/with-mariadb starts a server and names it in
// QORVID_MARIADB_CONNECTION; without it the tests are skipped.
#include <cstdlib>
#include <iterator>
#include <string>

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

// Types only MariaDB has, read over more rows than one fetch brings.
using MariadbTypes = DatabaseIntegration;

// Each UNSIGNED width's largest value and FLOAT values, in every row of a
// block: an unsigned value read as its signed twin wraps, and singles read
// at the wrong stride show another row's bytes.
TEST_P(MariadbTypes, UnsignedIntegersAndFloatsReadBackExactly) {
  const struct {
    const char* type;
    const char* values[3];
  } columns[] = {
      {"TINYINT UNSIGNED", {"255", "0", "128"}},
      {"SMALLINT UNSIGNED", {"65535", "0", "32768"}},
      {"MEDIUMINT UNSIGNED", {"16777215", "0", "8388608"}},
      {"INT UNSIGNED", {"4294967295", "0", "2147483648"}},
      {"BIGINT UNSIGNED", {"18446744073709551615", "0", "9223372036854775808"}},
      {"FLOAT", {"0.15625", "-3.5", "0.1"}},
  };
  const int kRows = 40;
  std::string create = "CREATE TABLE " + table + " (Id INTEGER";
  for (size_t c = 0; c < std::size(columns); ++c)
    create += ", C" + std::to_string(c) + " " + columns[c].type;
  session->exec(create + ")");
  std::string rows;
  for (int i = 0; i < kRows; ++i) {
    rows += (i ? ", (" : "(") + std::to_string(i);
    for (const auto& column : columns) rows += std::string(", ") + column.values[i % 3];
    rows += ")";
  }
  session->exec("INSERT INTO " + table + " VALUES " + rows);
  session->exec("SELECT * FROM " + table + " ORDER BY Id");
  for (int i = 0; i < kRows; ++i) {
    ASSERT_FALSE(session->eof()) << i;
    for (size_t c = 0; c < std::size(columns); ++c)
      EXPECT_EQ(fieldText(("C" + std::to_string(c)).c_str()), columns[c].values[i % 3])
          << columns[c].type << " row " << i;
    session->call("MoveNext");
  }
  EXPECT_TRUE(session->eof());
}

INSTANTIATE_TEST_SUITE_P(Mariadb, MariadbTypes, ::testing::Values(Mariadb()), PrintBackend);

}  // namespace qorvid
