// System message texts for HRESULTs and Win32 errors, in Windows' English
// wording, and the message box, which on this platform is a line on stderr
// (or a test's hook).
#include <cstdio>
#include <cstring>

#include "platform/win32.h"

namespace {

const DWORD kMessageNotFound = 317;  // ERROR_MR_MID_NOT_FOUND

struct Text {
  DWORD code;
  const char* text;
};

const Text kTexts[] = {
    {0, "The operation completed successfully."},
    {DWORD(DISP_E_UNKNOWNINTERFACE), "Unknown interface."},
    {DWORD(DISP_E_MEMBERNOTFOUND), "Member not found."},
    {DWORD(DISP_E_PARAMNOTFOUND), "Parameter not found."},
    {DWORD(DISP_E_TYPEMISMATCH), "Type mismatch."},
    {DWORD(DISP_E_UNKNOWNNAME), "Unknown name."},
    {DWORD(DISP_E_NONAMEDARGS), "No named arguments."},
    {DWORD(DISP_E_BADVARTYPE), "Bad variable type."},
    {DWORD(DISP_E_EXCEPTION), "Exception occurred."},
    {DWORD(DISP_E_OVERFLOW), "Out of present range."},
    {DWORD(DISP_E_BADINDEX), "Invalid index."},
    {DWORD(DISP_E_UNKNOWNLCID), "Unknown language."},
    {DWORD(DISP_E_ARRAYISLOCKED), "Memory is locked."},
    {DWORD(DISP_E_BADPARAMCOUNT), "Invalid number of parameters."},
    {DWORD(DISP_E_PARAMNOTOPTIONAL), "Parameter not optional."},
    {DWORD(DISP_E_NOTACOLLECTION), "Does not support a collection."},
    {DWORD(DISP_E_DIVBYZERO), "Division by zero."},
    {DWORD(TYPE_E_ELEMENTNOTFOUND), "Element not found."},
    {DWORD(CO_E_CLASSSTRING), "Invalid class string"},
    {DWORD(REGDB_E_CLASSNOTREG), "Class not registered"},
    {DWORD(CLASS_E_NOAGGREGATION),
     "Class does not support aggregation (or class object is remote)"},
    {DWORD(CLASS_E_CLASSNOTAVAILABLE), "ClassFactory cannot supply requested class"},
    {DWORD(E_NOTIMPL), "Not implemented"},
    {DWORD(E_NOINTERFACE), "No such interface supported"},
    {DWORD(E_POINTER), "Invalid pointer"},
    {DWORD(E_ABORT), "Operation aborted"},
    {DWORD(E_FAIL), "Unspecified error"},
    {DWORD(E_UNEXPECTED), "Catastrophic failure"},
    // Win32 errors; an HRESULT of the Win32 facility has the same text.
    {DWORD(ERROR_FILE_NOT_FOUND), "The system cannot find the file specified."},
    {DWORD(ERROR_ACCESS_DENIED), "Access is denied."},
    {DWORD(ERROR_INVALID_HANDLE), "The handle is invalid."},
    {DWORD(ERROR_NOT_ENOUGH_MEMORY),
     "Not enough memory resources are available to process this command."},
    {14, "Not enough memory resources are available to complete this operation."},
    {DWORD(ERROR_INVALID_PARAMETER), "The parameter is incorrect."},
    {DWORD(ERROR_INSUFFICIENT_BUFFER), "The data area passed to a system call is too small."},
    {DWORD(ERROR_MORE_DATA), "More data is available."},
};

const char* Lookup(DWORD code) {
  // 0x8007xxxx wraps Win32 error xxxx.
  if ((code & 0xFFFF0000u) == 0x80070000u) code &= 0xFFFF;
  for (const Text& t : kTexts)
    if (t.code == code) return t.text;
  return nullptr;
}

PlatformMessageBoxHook g_hook = nullptr;

}  // namespace

extern "C" {

DWORD FormatMessageA(DWORD dwFlags, LPCVOID, DWORD dwMessageId, DWORD, LPSTR lpBuffer, DWORD nSize,
                     va_list*) {
  // Only system texts into the caller's buffer; they contain no inserts.
  if (!(dwFlags & FORMAT_MESSAGE_FROM_SYSTEM) || (dwFlags & FORMAT_MESSAGE_ALLOCATE_BUFFER) ||
      (dwFlags & (FORMAT_MESSAGE_FROM_STRING | FORMAT_MESSAGE_FROM_HMODULE)) || !lpBuffer) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const char* text = Lookup(dwMessageId);
  if (!text) {
    SetLastError(kMessageNotFound);
    return 0;
  }
  size_t len = std::strlen(text) + 2;  // with "\r\n"
  if (len + 1 > nSize) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  std::memcpy(lpBuffer, text, len - 2);
  std::memcpy(lpBuffer + len - 2, "\r\n", 3);
  return static_cast<DWORD>(len);
}

// The same texts in UTF-16; they are ASCII, so each byte widens to its unit.
DWORD FormatMessageW(DWORD dwFlags, LPCVOID lpSource, DWORD dwMessageId, DWORD dwLanguageId,
                     LPWSTR lpBuffer, DWORD nSize, va_list* Arguments) {
  if (!lpBuffer) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  char narrow[1024];
  const DWORD n = FormatMessageA(dwFlags, lpSource, dwMessageId, dwLanguageId, narrow,
                                 nSize < sizeof narrow ? nSize : sizeof narrow, Arguments);
  for (DWORD i = 0; i <= n && n != 0; ++i) lpBuffer[i] = static_cast<unsigned char>(narrow[i]);
  return n;
}

int MessageBoxA(HWND, LPCSTR lpText, LPCSTR lpCaption, UINT uType) {
  const char* text = lpText ? lpText : "";
  const char* caption = lpCaption ? lpCaption : "Error";
  if (g_hook)
    g_hook(text, caption, uType);
  else
    std::fprintf(stderr, "%s: %s\n", caption, text);
  return IDOK;
}

void PlatformSetMessageBoxHook(PlatformMessageBoxHook hook) { g_hook = hook; }

}  // extern "C"
