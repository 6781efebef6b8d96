/* CDate(text) for SQLite reached through its ODBC driver: the Windows build
 * has no embedded engine, so the driver loads this extension (a native
 * library, built for the driver's architecture) and the function behaves as
 * the embedded backend's own: a 'yyyy-mm-dd[ hh:mm[:ss[.fff]]]' text ('T'
 * for the blank, blanks around ignored) becomes one normalized text, NULL
 * stays NULL, anything else is the error "CDate: '<text>' is not a date". */
#include <sqlite3ext.h>
#include <stdio.h>
#include <string.h>

SQLITE_EXTENSION_INIT1

typedef struct {
  int year, month, day, hour, minute, second, millisecond;
} DateParts;

static int IsLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

static int DaysInMonth(int y, int m) {
  static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return (m == 2 && IsLeap(y)) ? 29 : days[m - 1];
}

static int Valid(const DateParts* p) {
  return p->year >= 100 && p->year <= 9999 && p->month >= 1 && p->month <= 12 && p->day >= 1 &&
         p->day <= DaysInMonth(p->year, p->month) && p->hour >= 0 && p->hour < 24 &&
         p->minute >= 0 && p->minute < 60 && p->second >= 0 && p->second < 60 &&
         p->millisecond >= 0 && p->millisecond < 1000;
}

/* Reads exactly n digits at s[*i]. */
static int Digits(const char* s, size_t len, size_t* i, size_t n, int* out) {
  int v = 0;
  for (size_t k = 0; k < n; ++k) {
    if (*i >= len || s[*i] < '0' || s[*i] > '9') return 0;
    v = v * 10 + (s[*i] - '0');
    ++*i;
  }
  *out = v;
  return 1;
}

static int Expect(const char* s, size_t len, size_t* i, char c) {
  if (*i >= len || s[*i] != c) return 0;
  ++*i;
  return 1;
}

static int ParseDateText(const char* text, size_t size, DateParts* out) {
  size_t b = 0, e = size;
  while (b < e && text[b] == ' ') ++b;
  while (e > b && text[e - 1] == ' ') --e;
  const char* s = text + b;
  const size_t n = e - b;
  DateParts p;
  memset(&p, 0, sizeof p);
  size_t i = 0;
  if (!Digits(s, n, &i, 4, &p.year) || !Expect(s, n, &i, '-') || !Digits(s, n, &i, 2, &p.month) ||
      !Expect(s, n, &i, '-') || !Digits(s, n, &i, 2, &p.day))
    return 0;
  if (i < n) {
    if (s[i] != ' ' && s[i] != 'T') return 0;
    ++i;
    if (!Digits(s, n, &i, 2, &p.hour) || !Expect(s, n, &i, ':') || !Digits(s, n, &i, 2, &p.minute))
      return 0;
    if (i < n) {
      if (!Expect(s, n, &i, ':') || !Digits(s, n, &i, 2, &p.second)) return 0;
      if (i < n) {
        if (!Expect(s, n, &i, '.') || i >= n) return 0;
        /* Milliseconds from the first three fraction digits, the rest dropped. */
        int scale = 100;
        for (; i < n; ++i) {
          if (s[i] < '0' || s[i] > '9') return 0;
          p.millisecond += (s[i] - '0') * scale;
          scale /= 10;
        }
      }
    }
  }
  if (!Valid(&p)) return 0;
  *out = p;
  return 1;
}

static void CDateFunction(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  if (argc != 1 || sqlite3_value_type(argv[0]) == SQLITE_NULL) {
    sqlite3_result_null(ctx);
    return;
  }
  const unsigned char* raw = sqlite3_value_text(argv[0]);
  const char* text = raw ? (const char*)raw : "";
  const size_t size = raw ? (size_t)sqlite3_value_bytes(argv[0]) : 0;
  DateParts p;
  if (!ParseDateText(text, size, &p)) {
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
  if (p.millisecond)
    snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d.%03d", p.year, p.month, p.day, p.hour,
             p.minute, p.second, p.millisecond);
  else
    snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", p.year, p.month, p.day, p.hour,
             p.minute, p.second);
  sqlite3_result_text(ctx, buf, -1, SQLITE_TRANSIENT);
}

int sqlite3_extension_init(sqlite3* db, char** error, const sqlite3_api_routines* api) {
  (void)error;
  SQLITE_EXTENSION_INIT2(api);
  return sqlite3_create_function(db, "CDate", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, NULL,
                                 CDateFunction, NULL, NULL);
}
