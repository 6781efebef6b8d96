// CDate(text) for SQLite reached through its ODBC driver: the Windows build
// has no embedded engine, so the driver loads this extension (a native
// library, built for the driver's architecture) and the function behaves as
// the embedded backend's own: a 'yyyy-mm-dd[ hh:mm[:ss[.fff]]]' text ('T'
// for the blank, blanks around ignored) becomes one normalized text, NULL
// stays NULL, anything else is the error "CDate: '<text>' is not a date".
//
// Built by the host's C compiler in C++ mode without the C++ library (the
// i386 driver has none beside it), so it shares the ADO layer's header-only
// date text and calendar rather than keeping copies.
#include <sqlite3ext.h>

#include "ado/results/date_text.h"

SQLITE_EXTENSION_INIT1

namespace {

void CDateFunction(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  if (argc != 1 || sqlite3_value_type(argv[0]) == SQLITE_NULL) {
    sqlite3_result_null(ctx);
    return;
  }
  const unsigned char* raw = sqlite3_value_text(argv[0]);
  const char* text = raw ? reinterpret_cast<const char*>(raw) : "";
  const size_t size = raw ? static_cast<size_t>(sqlite3_value_bytes(argv[0])) : 0;
  qorvid::ado::DateParts p;
  if (!qorvid::ado::ParseDateText(text, size, &p)) {
    char* message = sqlite3_mprintf("CDate: '%s' is not a date", text);
    if (!message) {
      sqlite3_result_error_nomem(ctx);
      return;
    }
    sqlite3_result_error(ctx, message, -1);
    sqlite3_free(message);
    return;
  }
  char buf[40];
  qorvid::platform::FormatDateTimeText(p, buf, sizeof buf);
  sqlite3_result_text(ctx, buf, -1, SQLITE_TRANSIENT);
}

}  // namespace

extern "C" int sqlite3_extension_init(sqlite3* db, char** error, const sqlite3_api_routines* api) {
  (void)error;
  SQLITE_EXTENSION_INIT2(api);
  return sqlite3_create_function(db, "CDate", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
                                 CDateFunction, nullptr, nullptr);
}
