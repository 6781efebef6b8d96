// Bstr: owns one BSTR, in the manner of _bstr_t, plus its conversions to and
// from the component's UTF-8 texts and, for the host's side, the ANSI code
// page.
#pragma once

#include <new>
#include <string>

#include "platform/utf8_text.h"
#include "platform/win32.h"

typedef std::basic_string<OLECHAR> WideString;

class Bstr {
 public:
  Bstr() = default;
  explicit Bstr(const OLECHAR* s) : b_(s ? Made(SysAllocString(s)) : nullptr) {}
  Bstr(const OLECHAR* s, UINT len) : b_(Made(SysAllocStringLen(s, len))) {}
  explicit Bstr(const WideString& s)
      : b_(Made(SysAllocStringLen(s.data(), static_cast<UINT>(s.size())))) {}
  Bstr(const Bstr& o) : b_(o.b_ ? Made(SysAllocStringLen(o.b_, SysStringLen(o.b_))) : nullptr) {}
  Bstr(Bstr&& o) noexcept : b_(o.b_) { o.b_ = nullptr; }
  // Most owners end empty (detached or never filled).
  ~Bstr() {
    if (b_) SysFreeString(b_);
  }
  Bstr& operator=(Bstr o) noexcept {
    BSTR t = b_;
    b_ = o.b_;
    o.b_ = t;
    return *this;
  }

  // From UTF-8 text, every unit kept (embedded NULs too).
  static Bstr fromUtf8(std::string_view s) {
    Bstr b = attach(
        Made(SysAllocStringLen(nullptr, static_cast<UINT>(qorvid::platform::WideLength(s)))));
    qorvid::platform::WidenUtf8(s, b.b_);
    return b;
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
  std::string utf8() const {
    return b_ ? qorvid::platform::Utf8FromWide(b_, SysStringLen(b_)) : std::string();
  }
  // To 8-bit text in the ANSI code page; characters it lacks become '?'.
  std::string ansi() const;

 private:
  // A text that could not be allocated must not pass for an empty one.
  static BSTR Made(BSTR b) {
    if (!b) throw std::bad_alloc();
    return b;
  }

  BSTR b_ = nullptr;
};

// The two conversions on their own, for texts that are not BSTRs.
std::string AnsiFromWide(const OLECHAR* s, size_t len);
void AnsiFromWideInto(std::string& out, const OLECHAR* s, size_t len);
inline std::string AnsiFromWide(const WideString& s) { return AnsiFromWide(s.data(), s.size()); }
WideString WideFromAnsi(const std::string& s);

// Straight into the BSTR: a single-byte code page gives one unit per byte.
inline Bstr Bstr::fromAnsi(const std::string& s) {
  const UINT len = static_cast<UINT>(s.size());
  Bstr b = attach(Made(SysAllocStringLen(nullptr, len)));
  if (len == 0) return b;
  int n =
      MultiByteToWideChar(CP_ACP, 0, s.data(), static_cast<int>(len), b.b_, static_cast<int>(len));
  if (n == static_cast<int>(len)) return b;
  if (n > 0) return Bstr(b.b_, static_cast<UINT>(n));
  return Bstr(WideFromAnsi(s));
}
inline std::string Bstr::ansi() const {
  return b_ ? AnsiFromWide(b_, SysStringLen(b_)) : std::string();
}

// One pass into a buffer of the input's length, which a single-byte code
// page always fills exactly; only a result that needs more (a multi-byte
// code page) asks for its size first. Written into `out`, whose storage is
// reused: a text the caller keeps comes back without a new allocation.
inline void AnsiFromWideInto(std::string& out, const OLECHAR* s, size_t len) {
  out.assign(len, '\0');
  if (len == 0) return;
  int n = WideCharToMultiByte(CP_ACP, 0, s, static_cast<int>(len), &out[0], static_cast<int>(len),
                              nullptr, nullptr);
  if (n == 0 && GetLastError() == ERROR_INSUFFICIENT_BUFFER) {
    n = WideCharToMultiByte(CP_ACP, 0, s, static_cast<int>(len), nullptr, 0, nullptr, nullptr);
    out.assign(n > 0 ? n : 0, '\0');
    if (n > 0)
      WideCharToMultiByte(CP_ACP, 0, s, static_cast<int>(len), &out[0], n, nullptr, nullptr);
  }
  out.resize(n > 0 ? n : 0);
}

inline std::string AnsiFromWide(const OLECHAR* s, size_t len) {
  std::string out;
  AnsiFromWideInto(out, s, len);
  return out;
}

inline WideString WideFromAnsi(const std::string& s) {
  if (s.empty()) return WideString();
  const int len = static_cast<int>(s.size());
  WideString out(s.size(), OLECHAR(0));
  int n = MultiByteToWideChar(CP_ACP, 0, s.data(), len, &out[0], len);
  if (n == 0 && GetLastError() == ERROR_INSUFFICIENT_BUFFER) {
    n = MultiByteToWideChar(CP_ACP, 0, s.data(), len, nullptr, 0);
    out.assign(n > 0 ? n : 0, OLECHAR(0));
    if (n > 0) MultiByteToWideChar(CP_ACP, 0, s.data(), len, &out[0], n);
  }
  out.resize(n > 0 ? n : 0);
  return out;
}
