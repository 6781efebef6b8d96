// BSTR: UTF-16 text preceded by its length in bytes (a 4-byte prefix) and
// followed by a NUL, laid out as Windows does, so embedded NULs survive and
// SysStringLen never scans the text.
#include <cstring>

#include "platform/posix/allocator.h"
#include "platform/win32.h"

namespace {

// Largest byte length whose block (prefix + text + two NUL bytes) still fits
// in the 32-bit length prefix.
const UINT kMaxBytes = 0x7FFFFFF0u;

BSTR AllocBytes(const void* src, UINT bytes) {
  if (bytes > kMaxBytes) return nullptr;
  // Rounded up so that the wide NUL after an odd byte length is complete.
  size_t block = sizeof(DWORD) + bytes + 2 + 1;
  char* raw = static_cast<char*>(qorvid::platform::Allocate(block));
  if (!raw) return nullptr;
  DWORD len = bytes;
  std::memcpy(raw, &len, sizeof len);
  char* text = raw + sizeof(DWORD);
  if (src)
    std::memcpy(text, src, bytes);
  else
    std::memset(text, 0, bytes);
  std::memset(text + bytes, 0, 3);
  return reinterpret_cast<BSTR>(text);
}

char* BlockOf(BSTR b) { return reinterpret_cast<char*>(b) - sizeof(DWORD); }

UINT WideLen(const OLECHAR* s) {
  UINT n = 0;
  while (s[n]) ++n;
  return n;
}

}  // namespace

extern "C" {

BSTR SysAllocString(const OLECHAR* psz) {
  if (!psz) return nullptr;
  return SysAllocStringLen(psz, WideLen(psz));
}

BSTR SysAllocStringLen(const OLECHAR* strIn, UINT ui) {
  if (ui > kMaxBytes / sizeof(OLECHAR)) return nullptr;
  return AllocBytes(strIn, ui * static_cast<UINT>(sizeof(OLECHAR)));
}

BSTR SysAllocStringByteLen(LPCSTR psz, UINT len) { return AllocBytes(psz, len); }

INT SysReAllocString(BSTR* pbstr, const OLECHAR* psz) {
  if (!pbstr) return FALSE;
  // The new text may lie inside the old one, so it is copied before the free.
  BSTR fresh = SysAllocString(psz);
  if (psz && !fresh) return FALSE;
  SysFreeString(*pbstr);
  *pbstr = fresh;
  return TRUE;
}

INT SysReAllocStringLen(BSTR* pbstr, const OLECHAR* psz, UINT len) {
  if (!pbstr) return FALSE;
  if (!*pbstr) {
    *pbstr = SysAllocStringLen(psz, len);
    return *pbstr != nullptr;
  }
  if (len > kMaxBytes / sizeof(OLECHAR)) return FALSE;
  // The block grows in place or moves with its text, as Windows' realloc
  // does: a null psz keeps the old text, and psz may be the old text itself
  // or lie inside it. Only what the old text holds is read from there.
  const UINT oldChars = SysStringLen(*pbstr);
  const bool inside = psz && psz >= *pbstr && psz <= *pbstr + oldChars;
  const size_t offset = inside ? static_cast<size_t>(psz - *pbstr) : 0;
  const UINT bytes = len * static_cast<UINT>(sizeof(OLECHAR));
  char* raw = static_cast<char*>(
      qorvid::platform::Reallocate(BlockOf(*pbstr), sizeof(DWORD) + bytes + 2 + 1));
  if (!raw) return FALSE;
  DWORD stored = bytes;
  std::memcpy(raw, &stored, sizeof stored);
  OLECHAR* text = reinterpret_cast<OLECHAR*>(raw + sizeof(DWORD));
  UINT kept = psz && !inside ? 0 : oldChars - static_cast<UINT>(offset);
  if (kept > len) kept = len;
  if (psz && !inside)
    std::memcpy(text, psz, bytes);
  else if (offset != 0)
    std::memmove(text, text + offset, kept * sizeof(OLECHAR));
  if (!(psz && !inside)) std::memset(text + kept, 0, (len - kept) * sizeof(OLECHAR));
  std::memset(reinterpret_cast<char*>(text) + bytes, 0, 3);
  *pbstr = text;
  return TRUE;
}

void SysFreeString(BSTR bstrString) {
  if (bstrString) qorvid::platform::Release(BlockOf(bstrString));
}

UINT SysStringLen(BSTR pbstr) {
  return pbstr ? SysStringByteLen(pbstr) / static_cast<UINT>(sizeof(OLECHAR)) : 0;
}

UINT SysStringByteLen(BSTR bstr) {
  if (!bstr) return 0;
  DWORD len;
  std::memcpy(&len, BlockOf(bstr), sizeof len);
  return len;
}

}  // extern "C"
