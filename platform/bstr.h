// Bstr: owns one BSTR, in the manner of _bstr_t, plus the ANSI/UTF-16
// conversions that every interface of the component makes with the ANSI
// code page.
#pragma once

#include <string>

#include "platform/win32.h"

typedef std::basic_string<OLECHAR> WideString;

class Bstr {
 public:
  Bstr() = default;
  explicit Bstr(const OLECHAR* s) : b_(s ? SysAllocString(s) : nullptr) {}
  Bstr(const OLECHAR* s, UINT len) : b_(SysAllocStringLen(s, len)) {}
  explicit Bstr(const WideString& s)
      : b_(SysAllocStringLen(s.data(), static_cast<UINT>(s.size()))) {}
  Bstr(const Bstr& o) : b_(o.b_ ? SysAllocStringLen(o.b_, SysStringLen(o.b_)) : nullptr) {}
  Bstr(Bstr&& o) noexcept : b_(o.b_) { o.b_ = nullptr; }
  ~Bstr() { SysFreeString(b_); }
  Bstr& operator=(Bstr o) noexcept {
    BSTR t = b_;
    b_ = o.b_;
    o.b_ = t;
    return *this;
  }

  // From 8-bit text in the ANSI code page (embedded NULs kept).
  static Bstr fromAnsi(const std::string& s);
  // Adopts a BSTR the caller owns.
  static Bstr attach(BSTR b) {
    Bstr r;
    r.b_ = b;
    return r;
  }
  BSTR detach() {
    BSTR b = b_;
    b_ = nullptr;
    return b;
  }
  // For out-parameters: frees what is held and exposes the slot.
  BSTR* put() {
    SysFreeString(b_);
    b_ = nullptr;
    return &b_;
  }

  BSTR get() const { return b_; }
  UINT length() const { return SysStringLen(b_); }
  WideString wide() const { return b_ ? WideString(b_, SysStringLen(b_)) : WideString(); }
  // To 8-bit text in the ANSI code page; characters it lacks become '?'.
  std::string ansi() const;

 private:
  BSTR b_ = nullptr;
};

// The two conversions on their own, for texts that are not BSTRs.
std::string AnsiFromWide(const OLECHAR* s, size_t len);
inline std::string AnsiFromWide(const WideString& s) { return AnsiFromWide(s.data(), s.size()); }
WideString WideFromAnsi(const std::string& s);

inline Bstr Bstr::fromAnsi(const std::string& s) { return Bstr(WideFromAnsi(s)); }
inline std::string Bstr::ansi() const { return b_ ? AnsiFromWide(b_, SysStringLen(b_)) : std::string(); }

inline std::string AnsiFromWide(const OLECHAR* s, size_t len) {
  if (len == 0) return std::string();
  int n = WideCharToMultiByte(CP_ACP, 0, s, static_cast<int>(len), nullptr, 0, nullptr, nullptr);
  std::string out(n > 0 ? n : 0, '\0');
  if (n > 0)
    WideCharToMultiByte(CP_ACP, 0, s, static_cast<int>(len), &out[0], n, nullptr, nullptr);
  return out;
}

inline WideString WideFromAnsi(const std::string& s) {
  if (s.empty()) return WideString();
  int n = MultiByteToWideChar(CP_ACP, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
  WideString out(n > 0 ? n : 0, OLECHAR(0));
  if (n > 0) MultiByteToWideChar(CP_ACP, 0, s.data(), static_cast<int>(s.size()), &out[0], n);
  return out;
}
