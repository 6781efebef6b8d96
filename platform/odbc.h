// The ODBC API (sql.h, sqlext.h) on top of platform/win32.h. Windows' headers
// take the SDK's types; unixODBC's are told that those types exist already
// (ours), and given the few old ODBC type names it otherwise defines along
// with them. Either way SQLWCHAR is the 16-bit OLECHAR, so wide ODBC text and
// BSTRs share one unit.
#pragma once

#include "platform/win32.h"

#ifdef _WIN32
#include <sql.h>
#include <sqlext.h>

// Windows' driver manager converts with the ANSI code page; nothing to set.
class OdbcConnectCodeset {
 public:
  OdbcConnectCodeset() {}
  ~OdbcConnectCodeset() {}
  OdbcConnectCodeset(const OdbcConnectCodeset&) = delete;
  OdbcConnectCodeset& operator=(const OdbcConnectCodeset&) = delete;
};
#else
#include <locale.h>

#define ALREADY_HAVE_WINDOWS_TYPE
#ifndef SQL_API
#define SQL_API
#endif
#ifndef FAR
#define FAR
#endif
#ifndef CALLBACK
#define CALLBACK
#endif
typedef unsigned char UCHAR;
typedef signed char SCHAR;
typedef SCHAR SQLSCHAR;
typedef int SDWORD;
typedef unsigned int UDWORD;
typedef signed short int SWORD;
typedef unsigned short int UWORD;
typedef long SLONG;
typedef signed short SSHORT;
typedef double SDOUBLE;
typedef double LDOUBLE;
typedef float SFLOAT;
typedef void* PTR;
typedef signed short RETCODE;
typedef void* SQLHWND;
#include <sql.h>
#include <sqlext.h>

// unixODBC hands the text of wide calls to drivers that only take 8-bit text
// (SQLite's among them) in the codeset of the calling thread's locale, which
// it reads when the connection is made; those drivers expect UTF-8, and in
// the C locale everything beyond ASCII would be lost. Held around
// SQLDriverConnect, this makes that codeset UTF-8 for the one thread.
class OdbcConnectCodeset {
 public:
  OdbcConnectCodeset() {
    if (locale_t utf8 = Utf8()) previous_ = uselocale(utf8);
  }
  ~OdbcConnectCodeset() {
    if (previous_) uselocale(previous_);
  }
  OdbcConnectCodeset(const OdbcConnectCodeset&) = delete;
  OdbcConnectCodeset& operator=(const OdbcConnectCodeset&) = delete;

 private:
  // Made once and kept: making a locale reads the locale files, a cost
  // every connect would pay again.
  static locale_t Utf8() {
    static const locale_t utf8 = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
    return utf8;
  }

  locale_t previous_ = static_cast<locale_t>(0);
};
#endif

static_assert(sizeof(SQLWCHAR) == sizeof(OLECHAR), "wide ODBC text is UTF-16");
