// The integration cases on SQLite, each test in a database file of its own.
#include <unistd.h>

#include <cstdio>

#include "tests/database/integration_cases.h"

namespace {
std::string DatabaseFile(const std::string& test) {
  const char* dir = std::getenv("TMPDIR");
  return std::string(dir && *dir ? dir : "/tmp") + "/qorvid-db-" + std::to_string(getpid()) + "-" +
         test + ".sqlite";
}

TestDatabase Sqlite() {
  TestDatabase b;
  b.name = "Sqlite";
  b.connect = [](const std::string& test) {
    return "Provider=SQLite;Data Source=" + DatabaseFile(test);
  };
  b.cleanUp = [](const std::string& test) {
    std::remove(DatabaseFile(test).c_str());
    std::remove((DatabaseFile(test) + "-journal").c_str());
  };
  b.blobType = "BLOB";
  b.blobLiteral = "X'01FF'";
  return b;
}
}  // namespace

INSTANTIATE_TEST_SUITE_P(Sqlite, DatabaseIntegration, ::testing::Values(Sqlite()), PrintBackend);

TEST(SqliteInMemory, ScriptRunsOnAMemoryDatabase) {
  AdoRegisterInProcess();
  ScriptSession session;
  session.call("Open", {Variant::fromAnsi("Provider=SQLite;Data Source=:memory:")});
  ASSERT_EQ(session.errorMsg(), "");
  session.exec("CREATE TABLE T (A INTEGER)");
  session.exec("INSERT INTO T (A) VALUES (7)");
  EXPECT_EQ(session.scalar("SELECT A FROM T"), "7");
}
