#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>

#include "tests/ado/odbc_test_env.h"

namespace qorvid::ado {

#ifndef QORVID_SQLITE_ODBC_DRIVER
#define QORVID_SQLITE_ODBC_DRIVER "/usr/lib/x86_64-linux-gnu/odbc/libsqlite3odbc.so"
#endif

namespace {
std::string g_directory;
}

std::string OdbcTestDirectory() {
  if (!g_directory.empty()) return g_directory;
  char dir[] = "/tmp/qorvid-odbc-XXXXXX";
  if (!mkdtemp(dir)) return std::string();
  g_directory = dir;
  std::ofstream(g_directory + "/odbcinst.ini")
      << "[SQLite3]\nDescription=SQLite3 ODBC Driver\nDriver=" QORVID_SQLITE_ODBC_DRIVER "\n";
  std::ofstream(g_directory + "/odbc.ini") << "";
  // Read by the driver manager at its first call, which has not happened yet.
  setenv("ODBCSYSINI", g_directory.c_str(), 1);
  setenv("ODBCINI", (g_directory + "/odbc.ini").c_str(), 1);
  return g_directory;
}

bool OdbcDriverAvailable(std::string* why) {
  if (access(QORVID_SQLITE_ODBC_DRIVER, R_OK) == 0) return true;
  *why = "SQLite ODBC driver not installed: " QORVID_SQLITE_ODBC_DRIVER;
  return false;
}

void CleanUpOdbcTestDirectory() {
  if (g_directory.empty()) return;
  std::string command = "rm -rf '" + g_directory + "'";
  if (std::system(command.c_str()) != 0)
    std::fprintf(stderr, "could not remove %s\n", g_directory.c_str());
  g_directory.clear();
}

}  // namespace qorvid::ado
