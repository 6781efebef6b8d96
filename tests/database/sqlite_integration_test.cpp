// The integration cases on SQLite, each test in a database file of its own.
#include <unistd.h>

#include <cstdio>

#include "tests/database/integration_cases.h"

namespace qorvid {

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
  session.call("Open", {Variant::fromUtf8("Provider=SQLite;Data Source=:memory:")});
  ASSERT_EQ(session.errorMsg(), "");
  session.exec("CREATE TABLE T (A INTEGER)");
  session.exec("INSERT INTO T (A) VALUES (7)");
  EXPECT_EQ(session.scalar("SELECT A FROM T"), "7");
}

namespace {
ULONG Refs(IDispatch* object) {
  object->AddRef();
  return object->Release();
}
}  // namespace

// Whatever the component is handed - the host's connection at Initialize,
// host objects as values, keys, selectors, statement texts and properties,
// in calls that succeed and in calls that fail - it holds no reference
// once it has been shut down and released.
TEST(SqliteReferenceCounts, TheHostAndItsObjectsEndAtTheirStartingCounts) {
  AdoRegisterInProcess();
  ComPtr<HostConnection> host = HostConnection::create();
  ComPtr<HostObject> item = HostObject::create("O", 1, 5, "   ");
  ComPtr<HostObject> other = HostObject::create("D", 2, 7, "abc");
  const ULONG hostStart = Refs(static_cast<IDispatch*>(host.get())), itemStart = Refs(item.get()),
              otherStart = Refs(other.get());
  {
    ScriptSession session(host);
    const Variant itemValue = Variant::fromDispatch(item.get());
    const Variant otherValue = Variant::fromDispatch(other.get());
    session.call("Open", {Variant::fromUtf8("Provider=SQLite;Data Source=:memory:")});
    session.exec("CREATE TABLE t (Id VARCHAR(40), Ref VARCHAR(40))");
    session.call("OpenRec", {Variant::fromUtf8("t")});
    session.call("KeyField", {Variant::fromUtf8("Id"), itemValue});
    session.call("DataField", {Variant::fromUtf8("Ref"), otherValue});
    session.call("SaveRec");
    session.call("PrepareQuery", {Variant::fromUtf8("SELECT Ref FROM t WHERE Ref = ?")});
    session.call("Bind", {otherValue});
    session.call("Execute");
    ASSERT_EQ(session.errorMsg(), "");
    Variant got = session.call("GetFieldAsObject", {Variant::fromUtf8("Ref")});
    ASSERT_EQ(session.errorMsg(), "");
    EXPECT_NE(HostObject::from(got.get().pdispVal), nullptr);
    got.clear();
    // Objects where texts belong: each call fails, and must let go all the same.
    session.call("GetField", {itemValue});
    session.call("Execute", {itemValue});
    session.call("OpenRec", {itemValue});
    session.setTime(itemValue);
    session.call("Open", {itemValue});
    EXPECT_NE(session.errorMsg(), "");
  }
  EXPECT_EQ(Refs(static_cast<IDispatch*>(host.get())), hostStart);
  EXPECT_EQ(Refs(item.get()), itemStart);
  EXPECT_EQ(Refs(other.get()), otherStart);
  EXPECT_EQ(host->statusLineRefs(), 1u);
  EXPECT_EQ(host->asyncEventRefs(), 1u);
  EXPECT_EQ(host->extWndsSupportRefs(), 1u);
}

}  // namespace qorvid
