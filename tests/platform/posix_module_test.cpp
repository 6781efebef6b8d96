// Module names, short path names, message texts and the message box.
#include <gtest/gtest.h>
#include <limits.h>
#include <stdlib.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/win32.h"

namespace {

TEST(ModuleFileName, OfTheProgramAndOfTheLibrary) {
  char path[PATH_MAX];
  DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
  ASSERT_GT(n, 0u);
  char real[PATH_MAX];
  ASSERT_NE(realpath("/proc/self/exe", real), nullptr);
  EXPECT_STREQ(path, real);

  HMODULE lib = nullptr;
  ASSERT_TRUE(GetModuleHandleExA(
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
      reinterpret_cast<LPCSTR>(&SysAllocString), &lib));
  n = GetModuleFileNameA(lib, path, sizeof path);
  ASSERT_GT(n, 0u);
  std::string name(path, n);
  EXPECT_EQ(name[0], '/');
  EXPECT_NE(name.find("libqorvid_platform"), std::string::npos) << name;
}

TEST(ModuleFileName, TruncatesLikeWindows) {
  char full[PATH_MAX];
  DWORD len = GetModuleFileNameA(nullptr, full, sizeof full);
  ASSERT_GT(len, 4u);
  char small[5];
  SetLastError(0);
  EXPECT_EQ(GetModuleFileNameA(nullptr, small, sizeof small), DWORD(sizeof small));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(std::string(small), std::string(full, 4));
}

TEST(ModuleHandle, UnknownAddressFails) {
  HMODULE h = reinterpret_cast<HMODULE>(1);
  EXPECT_FALSE(
      GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCSTR>(16), &h));
  EXPECT_EQ(h, nullptr);
}

TEST(ShortPathName, ComponentsWithBlanksAreShortened) {
  struct Case {
    const char* in;
    const char* out;
  } cases[] = {
      {"/opt/qorvid/lib.so", "/opt/qorvid/lib.so"},
      {"/home/user/Program Files/qorvid.so", "/home/user/PROGRA~1/qorvid.so"},
      {"/a b/c d/e", "/AB~1/CD~1/e"},
      {"/data/my long name.backup", "/data/MYLONG~1.BAC"},
      {"/x/.hidden dir", "/x/HIDDEN~1"},
      {"/x/v1.2 final.txt", "/x/V12FIN~1.TXT"},
      {"C:\\Program Files\\qorvid.dll", "C:\\PROGRA~1\\qorvid.dll"},
      {"", ""},
  };
  for (const Case& c : cases) {
    char buf[MAX_PATH];
    DWORD n = GetShortPathNameA(c.in, buf, sizeof buf);
    EXPECT_EQ(std::string(buf, n), c.out) << c.in;
  }
}

TEST(ShortPathName, SmallBufferGetsTheSizeNeeded) {
  char buf[4] = "xyz";
  EXPECT_EQ(GetShortPathNameA("/a b/c", buf, sizeof buf), DWORD(sizeof "/AB~1/c"));
  EXPECT_STREQ(buf, "xyz");
  char same[32] = "/a b/c";
  EXPECT_EQ(GetShortPathNameA(same, same, sizeof same), 7u);  // in place
  EXPECT_STREQ(same, "/AB~1/c");
}

TEST(FormatMessage, SystemTextsForCommonCodes) {
  struct Case {
    HRESULT hr;
    const char* text;
  } cases[] = {
      {DISP_E_TYPEMISMATCH, "Type mismatch.\r\n"},
      {DISP_E_MEMBERNOTFOUND, "Member not found.\r\n"},
      {DISP_E_UNKNOWNNAME, "Unknown name.\r\n"},
      {DISP_E_BADPARAMCOUNT, "Invalid number of parameters.\r\n"},
      {DISP_E_PARAMNOTFOUND, "Parameter not found.\r\n"},
      {DISP_E_EXCEPTION, "Exception occurred.\r\n"},
      {DISP_E_OVERFLOW, "Out of present range.\r\n"},
      {DISP_E_BADVARTYPE, "Bad variable type.\r\n"},
      {DISP_E_BADINDEX, "Invalid index.\r\n"},
      {CO_E_CLASSSTRING, "Invalid class string\r\n"},
      {REGDB_E_CLASSNOTREG, "Class not registered\r\n"},
      {E_NOTIMPL, "Not implemented\r\n"},
      {E_NOINTERFACE, "No such interface supported\r\n"},
      {E_INVALIDARG, "The parameter is incorrect.\r\n"},
      {E_FAIL, "Unspecified error\r\n"},
      {E_POINTER, "Invalid pointer\r\n"},
      {E_OUTOFMEMORY, "Not enough memory resources are available to complete this operation.\r\n"},
      {E_UNEXPECTED, "Catastrophic failure\r\n"},
  };
  for (const Case& c : cases) {
    char buf[256];
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                             DWORD(c.hr), 0, buf, sizeof buf, nullptr);
    EXPECT_EQ(std::string(buf, n), c.text);
    EXPECT_EQ(buf[n], '\0');
  }
}

TEST(FormatMessage, UnknownCodeAndSmallBuffer) {
  char buf[256] = "untouched";
  SetLastError(0);
  EXPECT_EQ(FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                           0x80041234u, 0, buf, sizeof buf, nullptr),
            0u);
  EXPECT_NE(GetLastError(), 0u);
  char small[8];
  EXPECT_EQ(FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                           DWORD(DISP_E_TYPEMISMATCH), 0, small, sizeof small, nullptr),
            0u);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INSUFFICIENT_BUFFER));
}

std::vector<std::string> g_shown;

void Collect(LPCSTR text, LPCSTR caption, UINT type) {
  g_shown.push_back(std::string(caption) + "|" + text + "|" + std::to_string(type));
}

TEST(MessageBox, GoesToTheHookOrStderr) {
  g_shown.clear();
  PlatformSetMessageBoxHook(Collect);
  EXPECT_EQ(MessageBoxA(nullptr, "Текст", "AddIn", MB_OK | MB_ICONERROR), IDOK);
  PlatformSetMessageBoxHook(nullptr);
  ASSERT_EQ(g_shown.size(), 1u);
  EXPECT_EQ(g_shown[0], "AddIn|Текст|16");

  testing::internal::CaptureStderr();
  EXPECT_EQ(MessageBoxA(nullptr, "text", "caption", MB_OK), IDOK);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "caption: text\n");
  EXPECT_EQ(g_shown.size(), 1u);
}

}  // namespace
