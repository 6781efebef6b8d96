// What the ratio benchmarks share: the component driven through the host
// protocol the way a script engine drives it, clocks, the bench data, and
// one row of the table.
#pragma once

#include <functional>
#include <string>

#include "host/host_connection.h"
#include "platform/bstr.h"
#include "platform/com_ptr.h"
#include "platform/variant.h"
#include "protocol/host_protocol.h"

namespace qorvid::bench {

WideString Wide(const std::string& utf8);
inline Variant Text(const std::string& utf8) { return Variant::fromWide(Wide(utf8)); }

// Process CPU time: what this process spends, whatever else runs on the machine.
double CpuSeconds();
// Seconds that work takes on clock. (Work through std::function stays a
// function of its own, which a profiler can select.)
double Timed(double (*clock)(), const std::function<void()>& work);

// The component as a host holds it. Every method call looks its method up
// by name first (FindMethod), as a late-bound script call does; EOF is read
// by the number found once. A call that fails or writes to the error log
// throws std::runtime_error.
class Script {
 public:
  Script();
  ~Script();
  Script(const Script&) = delete;
  Script& operator=(const Script&) = delete;

  Variant call(const Bstr& method);
  Variant call(const Bstr& method, const Variant& a);
  Variant call(const Bstr& method, const Variant& a, const Variant& b);
  bool eof();
  IScriptExtension* extension() { return extension_.get(); }

 private:
  Variant callWith(const Bstr& method, const Variant* const* args, int count);
  void check(HRESULT hr, const OLECHAR* member);

  ComPtr<host::HostConnection> host_;
  ComPtr<IScriptExtension> extension_;
  ComPtr<IHostInit> init_;
  long eof_ = -1;
};

// The bench rows: id INTEGER, name TEXT (ASCII), amount REAL, note TEXT
// (Cyrillic). Row i of a table is the same in SQLite and PostgreSQL.
std::string NameOf(long i);
std::string NoteOf(long i);
inline double AmountOf(long i) { return static_cast<double>(i) + 0.5; }
// The data's raw size: 8 bytes per number, the UTF-8 bytes of the texts.
double RawBytes(long rows);

// Execute "SELECT id, name, amount, note FROM table", then per row EOF, four
// GetField and MoveNext. Returns the number of rows read.
long ReadThroughComponent(Script& script, const std::string& table);

struct Row {
  std::string path;
  std::string unit;     // of the two figures: "us", "MB"
  double qorvid = 0;    // per unit of work
  double baseline = 0;  // 0: an absolute target
  double target = 0;    // the ratio's limit, or the absolute limit
  std::string note;     // printed under the table
  std::string skipped;  // non-empty: not measured, and why
};

// Row 6: the read loop over ODBC, against QORVID_PG_CONNECTION.
Row OdbcReadRow(long rows, int rounds);

}  // namespace qorvid::bench
