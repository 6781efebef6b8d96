// The in-memory registry's own hooks: persistence, reset and failing writes.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "platform/win32.h"

namespace {

class RegistryFile : public ::testing::Test {
 protected:
  void SetUp() override {
    char dir[] = "/tmp/qorvid-registry-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    dir_ = dir;
    path_ = dir_ + "/registry.txt";
    PlatformSetRegistryFile(path_.c_str());
  }
  void TearDown() override {
    PlatformFailRegistryWrites(FALSE);
    PlatformSetRegistryFile(nullptr);
    PlatformResetRegistry();
    std::remove(path_.c_str());
    rmdir(dir_.c_str());
  }
  static LSTATUS Set(const char* key, const char* name, DWORD type, const std::string& data) {
    HKEY k = nullptr;
    LSTATUS st =
        RegCreateKeyExA(HKEY_CLASSES_ROOT, key, 0, nullptr, 0, KEY_WRITE, nullptr, &k, nullptr);
    if (st != ERROR_SUCCESS) return st;
    st = RegSetValueExA(k, name, 0, type, reinterpret_cast<const BYTE*>(data.data()),
                        DWORD(data.size()));
    RegCloseKey(k);
    return st;
  }
  static std::string Get(const char* key, const char* name, DWORD* type = nullptr) {
    HKEY k = nullptr;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, key, 0, KEY_READ, &k) != ERROR_SUCCESS) return "<no key>";
    char buf[256];
    DWORD size = sizeof buf;
    LSTATUS st = RegQueryValueExA(k, name, nullptr, type, reinterpret_cast<BYTE*>(buf), &size);
    RegCloseKey(k);
    return st == ERROR_SUCCESS ? std::string(buf, size) : "<no value>";
  }

  std::string dir_, path_;
};

TEST_F(RegistryFile, WritesSurviveAReload) {
  struct Case {
    const char* key;
    const char* name;
    DWORD type;
    std::string data;
  } cases[] = {
      {"AddIn.test\\Clsid", nullptr, REG_SZ,
       std::string("{00000000-0000-0000-0000-000000000001}\0", 39)},
      {"CLSID\\{X}\\InprocServer32", nullptr, REG_SZ, "/opt/with blank/lib.so"},
      {"Odd Key%20\\Sub", "name with blank", REG_BINARY, std::string("\0\n\r%\xFF", 5)},
      {"Odd Key%20\\Sub", "Threading\nModel", REG_DWORD, std::string("\x01\0\0\0", 4)},
  };
  for (const Case& c : cases) ASSERT_EQ(Set(c.key, c.name, c.type, c.data), ERROR_SUCCESS);
  HKEY empty = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Empty\\Key", 0, nullptr, 0, KEY_WRITE, nullptr,
                            &empty, nullptr),
            ERROR_SUCCESS);
  RegCloseKey(empty);

  PlatformSetRegistryFile(path_.c_str());  // as a new process would load it
  for (const Case& c : cases) {
    DWORD type = 0;
    EXPECT_EQ(Get(c.key, c.name, &type), c.data) << c.key;
    EXPECT_EQ(type, c.type);
  }
  EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "empty\\key", 0, KEY_READ, &empty), ERROR_SUCCESS);
  RegCloseKey(empty);

  ASSERT_EQ(RegDeleteKeyA(HKEY_CLASSES_ROOT, "Odd Key%20\\Sub"), ERROR_SUCCESS);
  PlatformSetRegistryFile(path_.c_str());
  EXPECT_EQ(Get("Odd Key%20\\Sub", "name with blank"), "<no key>");
  EXPECT_EQ(Get("Odd Key%20", nullptr), "<no value>");
}

TEST_F(RegistryFile, ResetEmptiesMemoryAndFile) {
  ASSERT_EQ(Set("Gone", "v", REG_SZ, "x"), ERROR_SUCCESS);
  PlatformResetRegistry();
  EXPECT_EQ(Get("Gone", "v"), "<no key>");
  PlatformSetRegistryFile(path_.c_str());
  EXPECT_EQ(Get("Gone", "v"), "<no key>");
}

TEST_F(RegistryFile, FailedWritesChangeNothing) {
  ASSERT_EQ(Set("Kept", "v", REG_SZ, "old"), ERROR_SUCCESS);
  PlatformFailRegistryWrites(TRUE);
  EXPECT_EQ(Set("New", "v", REG_SZ, "x"), ERROR_ACCESS_DENIED);
  HKEY k = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, "Kept", 0, KEY_ALL_ACCESS, &k), ERROR_SUCCESS);
  EXPECT_EQ(RegSetValueExA(k, "v", 0, REG_SZ, reinterpret_cast<const BYTE*>("new"), 3),
            ERROR_ACCESS_DENIED);
  RegCloseKey(k);
  EXPECT_EQ(RegDeleteKeyA(HKEY_CLASSES_ROOT, "Kept"), ERROR_ACCESS_DENIED);
  PlatformFailRegistryWrites(FALSE);
  EXPECT_EQ(Get("Kept", "v"), "old");
  EXPECT_EQ(Get("New", "v"), "<no key>");
}

TEST_F(RegistryFile, UnwritableFileIsReportedNotIgnored) {
  PlatformSetRegistryFile("/nonexistent-dir/registry.txt");
  EXPECT_EQ(Set("Key", "v", REG_SZ, "x"), ERROR_ACCESS_DENIED);
  HKEY k = nullptr;
  EXPECT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, "Key", 0, KEY_READ, &k), ERROR_FILE_NOT_FOUND)
      << "the unsaved key is not kept in memory either";
  PlatformSetRegistryFile(path_.c_str());
}

TEST(RegistryHandles, InvalidHandlesAreRefused) {
  HKEY bogus = reinterpret_cast<HKEY>(0x1234);
  HKEY out = nullptr;
  EXPECT_EQ(RegOpenKeyExA(bogus, "x", 0, KEY_READ, &out), ERROR_INVALID_HANDLE);
  EXPECT_EQ(RegCloseKey(bogus), ERROR_INVALID_HANDLE);
  EXPECT_EQ(RegDeleteKeyA(HKEY_CLASSES_ROOT, nullptr), ERROR_INVALID_PARAMETER);
}

}  // namespace
