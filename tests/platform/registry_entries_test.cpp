// Self-registration's registry helpers: texts go in and come back through
// the wide calls unchanged, whatever the ANSI code page lacks. Works below a
// key of its own in HKCU, as the real registry is used under Wine.
#include "platform/registry_entries.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using qorvid::platform::DeleteRegistryKey;
using qorvid::platform::GuidText;
using qorvid::platform::ModuleFileName;
using qorvid::platform::ReadRegistryText;
using qorvid::platform::WriteRegistryText;

const char kRoot[] = "Software\\qorvid-entries-test";

TEST(RegistryEntries, TextsComeBackAsWritten) {
  struct Case {
    const char* name;
    std::string key;
    std::string text;
  };
  const std::string root = kRoot;
  const Case cases[] = {
      {"ASCII path", root + "\\plain", "C:\\qorvid\\qorvid.dll"},
      {"Kazakh folder", root + "\\kk", "C:\\Users\\Қайрат\\q.dll"},
      {"Cyrillic key name", root + "\\Ключ", "value"},
      {"empty text", root + "\\empty", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(WriteRegistryText(HKEY_CURRENT_USER, c.key, nullptr, c.text));
    EXPECT_EQ(ReadRegistryText(HKEY_CURRENT_USER, c.key), c.text);
    DeleteRegistryKey(HKEY_CURRENT_USER, c.key);
    EXPECT_EQ(ReadRegistryText(HKEY_CURRENT_USER, c.key), "") << "deleted";
  }
  // A named value leaves the unnamed one alone.
  const std::string named = root + "\\named";
  ASSERT_TRUE(WriteRegistryText(HKEY_CURRENT_USER, named, "ThreadingModel", "Apartment"));
  EXPECT_EQ(ReadRegistryText(HKEY_CURRENT_USER, named), "");
  DeleteRegistryKey(HKEY_CURRENT_USER, named);
  DeleteRegistryKey(HKEY_CURRENT_USER, root);
}

TEST(RegistryEntries, GuidTextIsTheRegistryForm) {
  const GUID guid = {0x5D1A7C2E, 0x0B3F, 0x4E8A, {0x9C, 0x61, 0x2F, 0x7B, 0x4D, 0x90, 0xA1, 0xE3}};
  EXPECT_EQ(GuidText(guid), "{5D1A7C2E-0B3F-4E8A-9C61-2F7B4D90A1E3}");
}

void Anchor() {}

TEST(RegistryEntries, ModuleFileNameNamesTheModuleHoldingTheAddress) {
  const std::string name = ModuleFileName(reinterpret_cast<const void*>(&Anchor));
  EXPECT_NE(name.find("platform_tests"), std::string::npos) << name;
}

}  // namespace
