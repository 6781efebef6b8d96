#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "tests/ado/odbc_test_env.h"

namespace qorvid::ado {

namespace {
std::string g_directory;
}

std::string OdbcTestDirectory() { return g_directory; }

bool OdbcDriverAvailable(std::string* why) {
  if (!g_directory.empty()) return true;
  *why = "no database directory given (run through run-ado-wine-tests)";
  return false;
}

void CleanUpOdbcTestDirectory() {}

}  // namespace qorvid::ado

// The calling script names the directory after the test framework's options.
int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (argc > 1) qorvid::ado::g_directory = argv[1];
  return RUN_ALL_TESTS();
}
