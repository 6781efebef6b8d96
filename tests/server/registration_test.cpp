// Self-registration against the system registry (the real one under Wine,
// platform/'s on POSIX): the five entries, re-registration, unregistration
// and the short form of a server path with a blank.
#include <filesystem>
#include <system_error>

#include "tests/server/registration_entries.h"
#include "tests/server/registry_readback.h"
#include "tests/server/server_fixture.h"

namespace qorvid {

namespace {

// Starts and ends without the class's entries, whatever a test left.
class RegistrationTest : public ServerTest {
 protected:
  void SetUp() override {
    ServerTest::SetUp();
    if (module_ && module_->unregisterServer) module_->unregisterServer();
  }
  void TearDown() override {
    if (module_ && module_->unregisterServer) module_->unregisterServer();
    ServerTest::TearDown();
  }

  void ExpectEntries(const std::string& serverFile) {
    for (const RegistryEntry& e : ExpectedEntries(serverFile)) {
      SCOPED_TRACE(e.key);
      StoredValue v = ReadValue(e.key);
      ASSERT_TRUE(v.found);
      EXPECT_EQ(v.type, static_cast<DWORD>(REG_SZ));
      EXPECT_EQ(v.text, e.value);
      EXPECT_EQ(v.size, e.value.size() + 1) << "stored with its terminating NUL";
    }
  }
  void ExpectNoEntries() {
    for (const RegistryEntry& e : ExpectedEntries("")) EXPECT_FALSE(KeyExists(e.key)) << e.key;
  }
};

TEST_F(RegistrationTest, WritesTheFiveEntries) {
  const std::string file = module_->fileName();
  ASSERT_FALSE(file.empty());
  ASSERT_EQ(file.find(' '), std::string::npos) << "this case is the path without a blank";
  EXPECT_EQ(module_->registerServer(), S_OK);
  ExpectEntries(file);
}

TEST_F(RegistrationTest, WritesNothingElse) {
  ASSERT_EQ(module_->registerServer(), S_OK);
  const std::string classKey = std::string("CLSID\\") + kClsidText;
  EXPECT_FALSE(ReadValue(classKey + "\\InprocServer32", "ThreadingModel").found);
  const std::string absent[] = {
      classKey + "\\TypeLib",
      classKey + "\\Version",
      classKey + "\\VersionIndependentProgID",
      classKey + "\\Programmable",
      std::string(kProgId) + "\\CurVer",
  };
  for (const std::string& key : absent) EXPECT_FALSE(KeyExists(key)) << key;
}

TEST_F(RegistrationTest, RegisteringAgainOverwritesWithTheSameValues) {
  ASSERT_EQ(module_->registerServer(), S_OK);
  // Someone changed one value in between.
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, kProgId, 0, KEY_WRITE, &key), ERROR_SUCCESS);
  const char stale[] = "stale";
  RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(stale), sizeof stale);
  RegCloseKey(key);

  EXPECT_EQ(module_->registerServer(), S_OK);
  ExpectEntries(module_->fileName());
}

TEST_F(RegistrationTest, UnregistrationRemovesEveryEntry) {
  ASSERT_EQ(module_->registerServer(), S_OK);
  EXPECT_EQ(module_->unregisterServer(), S_OK);
  ExpectNoEntries();
}

TEST_F(RegistrationTest, UnregisteringTwiceOrWithoutRegistrationSucceeds) {
  // Nothing registered (SetUp removed it).
  EXPECT_EQ(module_->unregisterServer(), S_OK);
  EXPECT_EQ(module_->unregisterServer(), S_OK);
  ASSERT_EQ(module_->registerServer(), S_OK);
  EXPECT_EQ(module_->unregisterServer(), S_OK);
  EXPECT_EQ(module_->unregisterServer(), S_OK);
  ExpectNoEntries();
}

// A key that still holds someone else's subkey stays, with that subkey; the
// deletes after it still run.
TEST_F(RegistrationTest, ForeignSubkeyKeepsOnlyItsOwnKeys) {
  const std::string classKey = std::string("CLSID\\") + kClsidText;
  struct Case {
    const char* foreign;
    std::vector<std::string> kept;  // besides the foreign key itself
  };
  const Case cases[] = {
      {"AddIn.qorvid\\CurVer", {kProgId}},
      {"InprocServer32\\Foreign", {classKey, classKey + "\\InprocServer32"}},
  };
  for (const Case& c : cases) {
    std::string foreign = c.foreign;
    if (foreign.rfind("InprocServer32", 0) == 0) foreign = classKey + "\\" + foreign;
    SCOPED_TRACE(foreign);
    ASSERT_EQ(module_->registerServer(), S_OK);
    ASSERT_TRUE(CreateKey(foreign));

    EXPECT_EQ(module_->unregisterServer(), S_OK);
    EXPECT_TRUE(KeyExists(foreign));
    for (const RegistryEntry& e : ExpectedEntries("")) {
      bool kept = false;
      for (const std::string& k : c.kept) kept = kept || k == e.key;
      EXPECT_EQ(KeyExists(e.key), kept) << e.key;
    }
    DeleteKey(foreign);
    EXPECT_EQ(module_->unregisterServer(), S_OK);
    ExpectNoEntries();
  }
}

// A copy of the module in a folder whose name has blanks.
class BlankPathTest : public RegistrationTest {
 protected:
  void SetUp() override {
    namespace fs = std::filesystem;
    std::error_code ec;
    root_ = fs::temp_directory_path(ec) / "qorvid server test";
    fs::remove_all(root_, ec);
    fs::path folder = root_ / "dir with blank";
    fs::create_directories(folder, ec);
    ASSERT_FALSE(ec) << ec.message();
    copy_ = folder / fs::path(BuiltServerPath()).filename();
    fs::copy_file(BuiltServerPath(), copy_, fs::copy_options::overwrite_existing, ec);
    ASSERT_FALSE(ec) << ec.message();
    RegistrationTest::SetUp();
  }
  void TearDown() override {
    RegistrationTest::TearDown();
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
  }
  std::string modulePath() const override { return copy_.string(); }

  std::filesystem::path root_;
  std::filesystem::path copy_;
};

TEST_F(BlankPathTest, RegistersTheShortFormOfThePath) {
  const std::string file = module_->fileName();
  ASSERT_NE(file.find(' '), std::string::npos) << file;
  char shortPath[MAX_PATH * 4] = {};
  DWORD length = GetShortPathNameA(file.c_str(), shortPath, sizeof shortPath);
  ASSERT_GT(length, 0u);
  const std::string expected(shortPath, length);
  EXPECT_EQ(expected.find(' '), std::string::npos) << expected;

  EXPECT_EQ(module_->registerServer(), S_OK);
  ExpectEntries(expected);
}

}  // namespace

}  // namespace qorvid
