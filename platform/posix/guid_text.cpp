// GUIDs as text: "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", upper-case on
// output, either case on input.
#include <cstdio>

#include "platform/win32.h"

namespace {

const int kGuidChars = 38;

int HexDigit(OLECHAR c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool ReadHex(LPCOLESTR s, int digits, unsigned long long* value) {
  unsigned long long v = 0;
  for (int i = 0; i < digits; ++i) {
    int d = HexDigit(s[i]);
    if (d < 0) return false;
    v = v * 16 + d;
  }
  *value = v;
  return true;
}

// Parses exactly the braced form; nothing may follow the closing brace.
bool ParseGuid(LPCOLESTR s, GUID* g) {
  for (int i = 0; i < kGuidChars; ++i)
    if (!s[i]) return false;
  if (s[kGuidChars] != 0 || s[0] != '{' || s[37] != '}' || s[9] != '-' || s[14] != '-' ||
      s[19] != '-' || s[24] != '-')
    return false;
  unsigned long long v;
  if (!ReadHex(s + 1, 8, &v)) return false;
  g->Data1 = static_cast<DWORD>(v);
  if (!ReadHex(s + 10, 4, &v)) return false;
  g->Data2 = static_cast<WORD>(v);
  if (!ReadHex(s + 15, 4, &v)) return false;
  g->Data3 = static_cast<WORD>(v);
  const int pos[8] = {20, 22, 25, 27, 29, 31, 33, 35};
  for (int i = 0; i < 8; ++i) {
    if (!ReadHex(s + pos[i], 2, &v)) return false;
    g->Data4[i] = static_cast<BYTE>(v);
  }
  return true;
}

}  // namespace

extern "C" {

int StringFromGUID2(REFGUID rguid, LPOLESTR lpsz, int cchMax) {
  if (!lpsz || cchMax < kGuidChars + 1) return 0;
  char text[kGuidChars + 1];
  std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                static_cast<unsigned>(rguid.Data1), rguid.Data2, rguid.Data3, rguid.Data4[0],
                rguid.Data4[1], rguid.Data4[2], rguid.Data4[3], rguid.Data4[4], rguid.Data4[5],
                rguid.Data4[6], rguid.Data4[7]);
  for (int i = 0; i <= kGuidChars; ++i) lpsz[i] = static_cast<OLECHAR>(text[i]);
  return kGuidChars + 1;
}

HRESULT IIDFromString(LPCOLESTR lpsz, IID* lpiid) {
  if (!lpiid) return E_INVALIDARG;
  if (!lpsz) {
    *lpiid = GUID_NULL;
    return S_OK;
  }
  GUID g;
  if (!ParseGuid(lpsz, &g)) return CO_E_CLASSSTRING;
  *lpiid = g;
  return S_OK;
}

HRESULT CLSIDFromString(LPCOLESTR lpsz, LPCLSID pclsid) {
  if (!pclsid) return E_INVALIDARG;
  if (!lpsz) {
    *pclsid = GUID_NULL;
    return S_OK;
  }
  GUID g;
  if (ParseGuid(lpsz, &g)) {
    *pclsid = g;
    return S_OK;
  }
  // Not a GUID: Windows also takes a registered ProgID here.
  if (SUCCEEDED(CLSIDFromProgID(lpsz, &g))) {
    *pclsid = g;
    return S_OK;
  }
  return CO_E_CLASSSTRING;
}

}  // extern "C"
