// Registry semantics the server's registration relies on. Runs against the
// real registry under Wine, so it works below a key of its own in HKCU.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/win32.h"

namespace {

const char kRoot[] = "Software\\qorvid-platform-test";

class Registry : public ::testing::Test {
 protected:
  void TearDown() override {
    const char* keys[] = {"Software\\qorvid-platform-test\\A\\B\\C",
                          "Software\\qorvid-platform-test\\A\\B",
                          "Software\\qorvid-platform-test\\A", kRoot};
    for (const char* k : keys) RegDeleteKeyA(HKEY_CURRENT_USER, k);
  }
  static HKEY Create(const std::string& path, DWORD* disposition = nullptr) {
    HKEY k = nullptr;
    EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &k, disposition),
              ERROR_SUCCESS)
        << path;
    return k;
  }
};

TEST_F(Registry, CreateBuildsMissingParentsAndReportsDisposition) {
  DWORD disposition = 0;
  HKEY k = Create(std::string(kRoot) + "\\A\\B\\C", &disposition);
  EXPECT_EQ(disposition, DWORD(REG_CREATED_NEW_KEY));
  RegCloseKey(k);
  k = Create(std::string(kRoot) + "\\a\\b\\c", &disposition);  // names ignore case
  EXPECT_EQ(disposition, DWORD(REG_OPENED_EXISTING_KEY));
  RegCloseKey(k);

  HKEY opened = nullptr;
  EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\QORVID-platform-test\\A\\B", 0, KEY_READ,
                          &opened),
            ERROR_SUCCESS);
  RegCloseKey(opened);
  EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\qorvid-platform-test\\Missing", 0, KEY_READ,
                          &opened),
            ERROR_FILE_NOT_FOUND);
}

TEST_F(Registry, ValueSizesFollowWindows) {
  HKEY k = Create(kRoot);
  const BYTE data[] = {1, 0, 2, 0, 3};
  ASSERT_EQ(RegSetValueExA(k, "Bin", 0, REG_BINARY, data, sizeof data), ERROR_SUCCESS);

  DWORD type = 0, size = 0;
  EXPECT_EQ(RegQueryValueExA(k, "bin", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(type, DWORD(REG_BINARY));
  EXPECT_EQ(size, sizeof data);

  BYTE small[2];
  size = sizeof small;
  EXPECT_EQ(RegQueryValueExA(k, "Bin", nullptr, nullptr, small, &size), ERROR_MORE_DATA);
  EXPECT_EQ(size, sizeof data);

  BYTE out[16] = {};
  size = sizeof out;
  EXPECT_EQ(RegQueryValueExA(k, "Bin", nullptr, nullptr, out, &size), ERROR_SUCCESS);
  EXPECT_EQ(size, sizeof data);
  EXPECT_EQ(std::memcmp(out, data, sizeof data), 0);

  EXPECT_EQ(RegQueryValueExA(k, "Absent", nullptr, nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND);
  RegCloseKey(k);
}

TEST_F(Registry, DefaultValueIsTheUnnamedOne) {
  HKEY k = Create(kRoot);
  const char text[] = "C:\\Program Files\\qorvid.dll";
  ASSERT_EQ(RegSetValueExA(k, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(text), sizeof text),
            ERROR_SUCCESS);
  char out[64] = {};
  DWORD size = sizeof out, type = 0;
  ASSERT_EQ(RegQueryValueExA(k, "", nullptr, &type, reinterpret_cast<BYTE*>(out), &size),
            ERROR_SUCCESS);
  EXPECT_EQ(type, DWORD(REG_SZ));
  EXPECT_STREQ(out, text);
  RegCloseKey(k);
}

TEST_F(Registry, DeleteRemovesOneKeyWithoutSubkeys) {
  RegCloseKey(Create(std::string(kRoot) + "\\A\\B"));
  EXPECT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\qorvid-platform-test\\A"),
            ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\qorvid-platform-test\\A\\B"),
            ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\qorvid-platform-test\\A\\B"),
            ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\qorvid-platform-test\\A"), ERROR_SUCCESS);
}

TEST_F(Registry, HandleToADeletedKeyFailsSafely) {
  HKEY k = Create(std::string(kRoot) + "\\A");
  ASSERT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\qorvid-platform-test\\A"), ERROR_SUCCESS);
  const BYTE one = 1;
  EXPECT_NE(RegSetValueExA(k, "V", 0, REG_BINARY, &one, 1), ERROR_SUCCESS);
  DWORD size = 0;
  EXPECT_NE(RegQueryValueExA(k, "V", nullptr, nullptr, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(RegCloseKey(k), ERROR_SUCCESS);
}

}  // namespace
