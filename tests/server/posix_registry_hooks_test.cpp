// Registry failures and call order, which only the POSIX build can arrange:
// this program interposes the registry calls of the module it loads (it
// exports its own RegCreateKeyExA, RegSetValueExA and RegDeleteKeyA, which
// count, record and forward to platform/'s).
#include <dlfcn.h>

#include <cstring>
#include <ostream>
#include <string>
#include <vector>

#include "tests/server/registration_entries.h"
#include "tests/server/registry_readback.h"
#include "tests/server/server_fixture.h"

using namespace qorvid;

namespace {

struct Interposer {
  bool recording = false;
  std::vector<std::string> created;  // key paths of RegCreateKeyExA
  std::vector<std::string> deleted;  // key paths of RegDeleteKeyA
  int failCreateAt = 0;              // 1-based call that fails; 0: none
  int failSetAt = 0;
  int creates = 0;
  int sets = 0;
};
Interposer hooks;

template <class Fn>
Fn Next(const char* name) {
  return reinterpret_cast<Fn>(dlsym(RTLD_NEXT, name));
}

}  // namespace

extern "C" LSTATUS RegCreateKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD Reserved, LPSTR lpClass,
                                   DWORD dwOptions, REGSAM samDesired,
                                   LPSECURITY_ATTRIBUTES lpSecurityAttributes, PHKEY phkResult,
                                   LPDWORD lpdwDisposition) {
  static auto next = Next<decltype(&RegCreateKeyExA)>("RegCreateKeyExA");
  if (hooks.recording) {
    hooks.created.push_back(lpSubKey ? lpSubKey : "");
    if (++hooks.creates == hooks.failCreateAt) return ERROR_ACCESS_DENIED;
  }
  return next(hKey, lpSubKey, Reserved, lpClass, dwOptions, samDesired, lpSecurityAttributes,
              phkResult, lpdwDisposition);
}

extern "C" LSTATUS RegSetValueExA(HKEY hKey, LPCSTR lpValueName, DWORD Reserved, DWORD dwType,
                                  const BYTE* lpData, DWORD cbData) {
  static auto next = Next<decltype(&RegSetValueExA)>("RegSetValueExA");
  if (hooks.recording && ++hooks.sets == hooks.failSetAt) return ERROR_ACCESS_DENIED;
  return next(hKey, lpValueName, Reserved, dwType, lpData, cbData);
}

extern "C" LSTATUS RegDeleteKeyA(HKEY hKey, LPCSTR lpSubKey) {
  static auto next = Next<decltype(&RegDeleteKeyA)>("RegDeleteKeyA");
  if (hooks.recording) hooks.deleted.push_back(lpSubKey ? lpSubKey : "");
  return next(hKey, lpSubKey);
}

namespace {

class RegistryHooksTest : public ServerTest {
 protected:
  void SetUp() override {
    PlatformResetRegistry();
    hooks = Interposer();
    ServerTest::SetUp();
  }
  void TearDown() override {
    hooks = Interposer();
    PlatformFailRegistryWrites(FALSE);
    PlatformResetRegistry();
    ServerTest::TearDown();
  }
};

TEST_F(RegistryHooksTest, WritesAndDeletesInOrder) {
  std::vector<std::string> writeOrder;
  for (const RegistryEntry& e : ExpectedEntries("")) writeOrder.push_back(e.key);

  hooks.recording = true;
  EXPECT_EQ(module_->registerServer(), S_OK);
  EXPECT_EQ(hooks.created, writeOrder);
  EXPECT_EQ(module_->unregisterServer(), S_OK);
  EXPECT_EQ(hooks.deleted, ExpectedDeleteOrder());
}

// A failed write stops registration with E_FAIL; the entries before it stay.
struct FailureCase {
  const char* name;
  int failCreateAt;
  int failSetAt;
};

// Test names show the case's name rather than its bytes.
void PrintTo(const FailureCase& c, std::ostream* os) { *os << c.name; }

const FailureCase kFailures[] = {
    {"FirstKey", 1, 0},    {"FirstValue", 0, 1}, {"ServerKey", 2, 0},
    {"ServerValue", 0, 2}, {"ProgIdKey", 3, 0},  {"ClsidUnderProgIdValue", 0, 4},
    {"LastKey", 5, 0},     {"LastValue", 0, 5},
};

class RegistryFailureTest : public RegistryHooksTest,
                            public ::testing::WithParamInterface<FailureCase> {};

TEST_P(RegistryFailureTest, StopsAtTheFailedWrite) {
  const FailureCase& c = GetParam();
  const int failed = c.failCreateAt ? c.failCreateAt : c.failSetAt;
  hooks.recording = true;
  hooks.failCreateAt = c.failCreateAt;
  hooks.failSetAt = c.failSetAt;

  EXPECT_EQ(module_->registerServer(), E_FAIL);
  EXPECT_EQ(hooks.created.size(), static_cast<size_t>(failed)) << "nothing after the failure";
  hooks.recording = false;

  std::vector<RegistryEntry> entries = ExpectedEntries(module_->fileName());
  for (int i = 0; i < static_cast<int>(entries.size()); ++i) {
    const RegistryEntry& e = entries[i];
    SCOPED_TRACE(e.key);
    StoredValue v = ReadValue(e.key);
    if (i + 1 < failed) {
      EXPECT_TRUE(v.found);
      EXPECT_EQ(v.text, e.value);
    } else if (i + 1 == failed && c.failSetAt) {
      // The key was made; its value was not.
      EXPECT_TRUE(KeyExists(e.key));
      EXPECT_FALSE(v.found);
    } else {
      EXPECT_FALSE(KeyExists(e.key));
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Writes, RegistryFailureTest, ::testing::ValuesIn(kFailures),
                         [](const ::testing::TestParamInfo<FailureCase>& info) {
                           return std::string(info.param.name);
                         });

// With every write refused, registration fails and unregistration, whose
// deletes all fail, still answers S_OK and leaves the entries in place.
TEST_F(RegistryHooksTest, RefusedRegistryWrites) {
  PlatformFailRegistryWrites(TRUE);
  EXPECT_EQ(module_->registerServer(), E_FAIL);
  PlatformFailRegistryWrites(FALSE);

  ASSERT_EQ(module_->registerServer(), S_OK);
  PlatformFailRegistryWrites(TRUE);
  EXPECT_EQ(module_->unregisterServer(), S_OK);
  PlatformFailRegistryWrites(FALSE);
  for (const RegistryEntry& e : ExpectedEntries("")) EXPECT_TRUE(KeyExists(e.key)) << e.key;
}

// Per-user registration: the same keys in the same order, under the user's
// classes, and a refused write answered as for the machine's registration.
TEST_F(RegistryHooksTest, PerUserRegistrationUnderTheUsersClasses) {
  const std::string prefix = "Software\\Classes\\";
  std::vector<std::string> writeOrder, deleteOrder;
  for (const RegistryEntry& e : ExpectedEntries("")) writeOrder.push_back(prefix + e.key);
  for (const std::string& key : ExpectedDeleteOrder()) deleteOrder.push_back(prefix + key);

  hooks.recording = true;
  EXPECT_EQ(module_->install(TRUE, OLESTR("user")), S_OK);
  EXPECT_EQ(hooks.created, writeOrder);
  EXPECT_EQ(module_->install(FALSE, OLESTR("user")), S_OK);
  EXPECT_EQ(hooks.deleted, deleteOrder);
  hooks.recording = false;

  PlatformFailRegistryWrites(TRUE);
  EXPECT_EQ(module_->install(TRUE, OLESTR("user")), E_FAIL);
  EXPECT_EQ(module_->install(FALSE, OLESTR("user")), S_OK);
}

// POSIX's registry has one view, so "the other view" is this one: a server
// key that stays (it holds someone's subkey) and names another file is
// another registration, which keeps its ProgID; one naming this file is not.
TEST_F(RegistryHooksTest, ProgIdStaysOnlyForARegistrationOfAnotherFile) {
  const std::string serverKey = std::string("CLSID\\") + kClsidText + "\\InprocServer32";
  const struct {
    const char* serverFile;  // null: the module's own
    bool progIdKept;
  } cases[] = {{nullptr, false}, {"/elsewhere/qorvid.dll", true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.serverFile ? c.serverFile : "own file");
    ASSERT_EQ(module_->registerServer(), S_OK);
    ASSERT_TRUE(CreateKey(serverKey + "\\Foreign"));
    if (c.serverFile) {
      HKEY key = nullptr;
      ASSERT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, serverKey.c_str(), 0, KEY_WRITE, &key),
                ERROR_SUCCESS);
      RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(c.serverFile),
                     static_cast<DWORD>(std::strlen(c.serverFile) + 1));
      RegCloseKey(key);
    }

    EXPECT_EQ(module_->unregisterServer(), S_OK);
    EXPECT_EQ(KeyExists(kProgId), c.progIdKept);
    EXPECT_EQ(ReadValue(std::string(kProgId) + "\\Clsid").text, c.progIdKept ? kClsidText : "");
    EXPECT_FALSE(KeyExists(std::string("CLSID\\") + kClsidText + "\\ProgID"));
    PlatformResetRegistry();
  }
}

}  // namespace
