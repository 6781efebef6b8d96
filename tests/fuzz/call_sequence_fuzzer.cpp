// Random call sequences on one component object, driven through the host
// protocol the way the reference host drives it, over an in-memory SQLite
// database that holds a table with rows of every column kind. Each input
// gets a fresh component object, which opens the database as a script does;
// the database itself lives on between inputs in SQLite's shared cache,
// held by the harness, which puts its rows back after each input that
// changed them and makes it anew when an input changed more than rows. So a
// finding reproduces from its input alone, without the cost of building a
// database every time.
//
// Input: a sequence of operations, each starting with a byte that selects a
// method call (number 0-300, 0-4 parameters of any host value), a property
// read or write, a member-table query, Shutdown/Initialize, or a re-entry:
// host code that runs one component call (Close, Open, a failing Execute,
// Shutdown, Initialize with another host, or the release of the host's last
// reference) the next time the component calls the host at one of its
// callbacks (an object's default value, ValueToStringInternal, EvalExpr,
// AppDispatch, AddError).
#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "ado/ado_registration.h"
#include "automation/automation.h"
#include "component/addin_object.h"
#include "platform/variant.h"
#include "tests/component/component_fixture.h"
#include "tests/fuzz/host_values.h"

using namespace qorvid;

namespace {

const int kMaxOperations = 48;
// QORVID_FUZZ_TRACE=1 prints every operation, to turn an input into a
// readable reproducer.
const bool kTrace = std::getenv("QORVID_FUZZ_TRACE") != nullptr;
// QORVID_FUZZ_CHECK_RESTORE=1 compares the whole database after every input
// with the one the harness made, which run-fuzzers does over the seeds: an
// input that changed it unnoticed would leave its changes to the next one.
const bool kCheckRestore = std::getenv("QORVID_FUZZ_CHECK_RESTORE") != nullptr;

void Trace(const char* format, long a = 0, long b = 0) {
  if (!kTrace) return;
  std::fprintf(stderr, format, a, b);
}

const char kCreateTable[] =
    "CREATE TABLE t (id INTEGER PRIMARY KEY, name TEXT, amount REAL, born DATETIME, "
    "obj CHAR(16), n NUMERIC, flag BOOLEAN, data BLOB, big INTEGER)";
const char kDeleteRows[] = "DELETE FROM t";
const char kSharedDatabase[] = "file:qorvid-fuzz?mode=memory&cache=shared";

// Straight to SQLite: texts in UTF-8, dates as the provider's CDate stores
// them (the harness's own connection lacks that function).
const char kInsertRows[] =
    "INSERT INTO t VALUES (1, 'Иванов', 1.5, '2004-03-05 10:20:30', 'Z_____1____ZZABC', 12.34, "
    "1, X'01FF', 9223372036854775807), "
    "(2, 'a''b?c', -0.25, '1899-12-30 00:00:00.500', 'bad key', NULL, 0, NULL, -1), "
    "(3, NULL, NULL, NULL, NULL, 1e300, NULL, X'', 2147483648)";

class Component {
 public:
  // False once the host has dropped its last reference to the object.
  bool alive() const { return component_ != nullptr; }
  ComponentState& state() { return component_->state(); }
  // Owned for the length of the expression that calls through them, as a
  // host holds what it calls.
  ComPtr<IScriptExtension> extension() { return component_->extension; }
  ComPtr<IHostInit> init() { return component_->init; }
  long method(const char* name) { return component_->method(name); }
  // The host lets go of the object (its last references).
  void release() { component_.reset(); }

  void call(long number, std::vector<Variant>& args, uint8_t shape) {
    if (!alive()) return;
    if (kTrace) {
      std::fprintf(stderr, "%s %ld(", shape & 0x80 ? "CallAsProcedure" : "CallAsFunction", number);
      for (size_t i = 0; i < args.size(); ++i)
        std::fprintf(stderr, "%s%s", i ? ", " : "", DescribeValue(args[i].get()).c_str());
      std::fprintf(stderr, ")%s\n", shape & 0x40 ? " result null" : "");
    }
    SAFEARRAY* parameters = SafeArrayCreateVector(VT_VARIANT, 0, static_cast<ULONG>(args.size()));
    for (LONG i = 0; i < static_cast<LONG>(args.size()); ++i)
      SafeArrayPutElement(parameters, &i, args[i].ptr());
    Variant result;
    // A re-entry may release the host's other references meanwhile.
    ComPtr<IScriptExtension> callee = extension();
    if (shape & 0x80)
      callee->CallAsProcedure(number, &parameters);
    else
      callee->CallAsFunction(number, shape & 0x40 ? nullptr : result.ptr(), &parameters);
    SafeArrayDestroy(parameters);
    if (kTrace) {
      std::fprintf(stderr, "  -> %s\n", DescribeValue(result.get()).c_str());
      if (alive()) errorMsg();
    }
  }
  // A call by name with text arguments, for re-entries.
  void call(const char* name, std::vector<Variant> args = {}) {
    if (alive()) call(method(name), args, 0);
  }

  std::string errorMsg() {
    Variant message;
    extension()->GetPropertyValue(component_->property("ErrorMsg"), message.ptr());
    if (kTrace && message.vt() == VT_BSTR && SysStringLen(message.get().bstrVal))
      std::fprintf(stderr, "  -> ErrorMsg %s\n", DescribeValue(message.get()).c_str());
    return message.vt() == VT_BSTR ? qorvid::platform::Utf8FromWide(message.get().bstrVal) : std::string("?");
  }

  // Opens the fuzz database, as a script would; the harness stops when
  // that fails, since every input after it would test nothing.
  void open() {
    std::vector<Variant> args = {Variant::fromUtf8(SharedConnectionString())};
    call(component_->method("Open"), args, 0);
    const std::string message = errorMsg();
    if (!message.empty()) {
      std::fprintf(stderr, "opening the database failed: %s\n", message.c_str());
      std::abort();
    }
  }

 private:
  std::unique_ptr<TestComponent> component_ = std::make_unique<TestComponent>();
};

// Host code that runs one component call from inside a callback of the
// component's, once: armed by an input, it fires at the next call of its
// member and disarms itself, so a re-entry that fails and logs does not
// recurse for ever.
void ArmReentry(Component& component, HostPool& pool, uint8_t where, uint8_t what) {
  static const char* const kMembers[] = {"", "ValueToStringInternal", "EvalExpr", "AppDispatch",
                                         "AddError"};
  const char* member = kMembers[where % 5];
  const int action = what % 6;
  Trace(
      "re-entry armed: member %ld runs action %ld (0 Close, 1 Open, 2 failing Execute, "
      "3 Shutdown, 4 Initialize another host, 5 release)\n",
      where % 5, action);
  auto fired = std::make_shared<bool>(false);
  auto hook = [&component, &pool, member, action, fired](const char* called) {
    if (*fired || std::strcmp(called, member) != 0 || !component.alive()) return;
    *fired = true;
    Trace("re-entry fires: action %ld\n", action);
    switch (action) {
      case 0:
        component.call("Close");
        break;
      case 1:
        component.call("Open", {Variant::fromUtf8(SharedConnectionString())});
        break;
      case 2:
        component.call("Execute", {Variant::fromUtf8("SELECT * FROM no_such_table")});
        break;
      case 3:
        component.init()->Shutdown();
        break;
      case 4:
        component.init()->Initialize(pool.otherConnection.get());
        break;
      default:
        component.release();
        break;
    }
  };
  for (HostDispatch* d : pool.reentrant()) d->setReentry(hook);
}

// The rows and the schema every input starts from, kept alive in SQLite's
// shared cache by the harness's own connection; components reach it by the
// shared connection string.
class SharedDatabase {
 public:
  SharedDatabase() { create(); }

  // After an input, once the component and its connection are gone: nothing
  // when no other connection committed since the last look (most inputs
  // only read, and a restore cost as much as a short input), else the rows
  // put back, or the whole database made anew when the input changed its
  // schema or header (a rollback of what remains is not needed: the
  // component's connection, and any transaction on it, is closed).
  void restore() {
    putBack();
    if (kCheckRestore && contents() != contents_) {
      std::fprintf(stderr, "fuzz database: changed by the input and not put back\n");
      std::abort();
    }
  }

 private:
  void putBack() {
    if (dataVersion() == dataVersion_) return;
    if (fingerprint() != fingerprint_) {
      close();
      create();
      return;
    }
    step(deleteRows_);
    step(insertRows_);
    dataVersion_ = dataVersion();
  }

  void create() {
    const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_URI;
    if (sqlite3_open_v2(kSharedDatabase, &db_, flags, nullptr) != SQLITE_OK) fail("open");
    if (sqlite3_exec(db_, kCreateTable, nullptr, nullptr, nullptr) != SQLITE_OK) fail(kCreateTable);
    prepare(&dataVersionQuery_, "PRAGMA data_version");
    prepare(&fingerprintQuery_,
            "SELECT (SELECT schema_version FROM pragma_schema_version) || '/' || "
            "(SELECT user_version FROM pragma_user_version) || '/' || "
            "(SELECT application_id FROM pragma_application_id)");
    prepare(&deleteRows_, kDeleteRows);
    prepare(&insertRows_, kInsertRows);
    step(insertRows_);
    fingerprint_ = fingerprint();
    dataVersion_ = dataVersion();
    if (kCheckRestore) contents_ = contents();
  }

  void close() {
    for (sqlite3_stmt** s : {&dataVersionQuery_, &fingerprintQuery_, &deleteRows_, &insertRows_}) {
      sqlite3_finalize(*s);
      *s = nullptr;
    }
    sqlite3_close(db_);
    db_ = nullptr;
  }

  // Changes with every commit made by another connection to the database,
  // the components' included, and with no commit of the harness's own.
  sqlite3_int64 dataVersion() {
    sqlite3_int64 version = -1;
    if (sqlite3_step(dataVersionQuery_) == SQLITE_ROW)
      version = sqlite3_column_int64(dataVersionQuery_, 0);
    sqlite3_reset(dataVersionQuery_);
    return version;
  }

  // The schema version and the header's user fields: what putting the rows
  // back would not undo.
  std::string fingerprint() {
    std::string text;
    if (sqlite3_step(fingerprintQuery_) == SQLITE_ROW)
      text = reinterpret_cast<const char*>(sqlite3_column_text(fingerprintQuery_, 0));
    sqlite3_reset(fingerprintQuery_);
    return text;
  }

  // Schema, header and every row, as text.
  std::string contents() {
    sqlite3_stmt* statement = nullptr;
    std::string text;
    if (sqlite3_prepare_v2(
            db_,
            "SELECT (SELECT group_concat(type || name || ifnull(sql, ''), ';') FROM sqlite_master) "
            "|| '|' || (SELECT user_version FROM pragma_user_version) || '/' || "
            "(SELECT application_id FROM pragma_application_id) || '|' || "
            "(SELECT group_concat(quote(id) || quote(name) || quote(amount) || quote(born) || "
            "quote(obj) || quote(n) || quote(flag) || quote(data) || quote(big), ';') "
            "FROM (SELECT * FROM t ORDER BY id))",
            -1, &statement, nullptr) == SQLITE_OK &&
        sqlite3_step(statement) == SQLITE_ROW && sqlite3_column_text(statement, 0))
      text = reinterpret_cast<const char*>(sqlite3_column_text(statement, 0));
    sqlite3_finalize(statement);
    return text;
  }

  void prepare(sqlite3_stmt** statement, const char* sql) {
    if (sqlite3_prepare_v2(db_, sql, -1, statement, nullptr) != SQLITE_OK) fail(sql);
  }

  void step(sqlite3_stmt* statement) {
    const int rc = sqlite3_step(statement);
    sqlite3_reset(statement);
    if (rc != SQLITE_DONE) fail(sqlite3_sql(statement));
  }

  [[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "fuzz database: %s: %s\n", what, sqlite3_errmsg(db_));
    std::abort();
  }

  sqlite3* db_ = nullptr;
  sqlite3_stmt* dataVersionQuery_ = nullptr;
  sqlite3_stmt* fingerprintQuery_ = nullptr;
  sqlite3_stmt* deleteRows_ = nullptr;
  sqlite3_stmt* insertRows_ = nullptr;
  std::string fingerprint_;
  sqlite3_int64 dataVersion_ = -1;
  std::string contents_;
};

long Number(InputReader& in, uint8_t common, long wrap) {
  uint8_t b = in.byte();
  return b < 216 ? static_cast<long>(b % common) : static_cast<long>(in.u16() % wrap);
}

void QueryMemberTables(IScriptExtension* e, InputReader& in, HostValueMaker& maker) {
  long number = Number(in, 20, 301);
  long alias = in.byte() % 3;
  long count = 0;
  BOOL flag = FALSE;
  Bstr name;
  Variant value;
  const int query = in.byte() % 12;
  Trace("member table query %ld on number %ld\n", query, number);
  switch (query) {
    case 0: {
      Bstr text(maker.text());
      e->FindMethod(text.get(), &count);
      break;
    }
    case 1: {
      Bstr text(maker.text());
      e->FindProperty(text.get(), &count);
      break;
    }
    case 2:
      e->GetMethodName(number, alias, name.put());
      break;
    case 3:
      e->GetPropertyName(number, alias, name.put());
      break;
    case 4:
      e->GetParamCount(number, &count);
      break;
    case 5:
      e->GetParamDefault(number, alias, value.ptr());
      break;
    case 6:
      e->HasResult(number, &flag);
      break;
    case 7:
      e->IsPropertyReadable(number, &flag);
      break;
    case 8:
      e->IsPropertyWritable(number, &flag);
      break;
    case 9:
      e->GetMethodCount(&count);
      e->GetPropertyCount(&count);
      break;
    case 10:
      e->GetExtensionName(name.put());
      break;
    default:
      break;
  }
}

void GetVersionInfo(IHostInit* init) {
  SAFEARRAY* info = SafeArrayCreateVector(VT_VARIANT, 0, 1);
  init->GetVersionInfo(&info);
  SafeArrayDestroy(info);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  AdoRegisterInProcess();
  HostPool::instance();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static SharedDatabase& database = *new SharedDatabase;
  HostPool& pool = HostPool::instance();
  {
    InputReader in(data, size);
    HostValueMaker maker(in);
    Component component;
    component.init()->Initialize(pool.connection.get());
    component.open();
    for (int op = 0; op < kMaxOperations && !in.empty() && component.alive(); ++op) {
      const uint8_t kind = in.byte() % 16;
      if (kind <= 10 || kind == 15) {
        const long number = Number(in, 18, 301);
        const uint8_t shape = in.byte();
        std::vector<Variant> args;
        maker.setOpenArgument((number & 0xFF) == 0);
        for (int i = shape % 5; i > 0; --i) args.push_back(maker.value());
        maker.setOpenArgument(false);
        component.call(number, args, shape);
      } else if (kind == 11) {
        Variant value;
        const long number = Number(in, 5, 301);
        component.extension()->GetPropertyValue(number, value.ptr());
        if (kTrace)
          std::fprintf(stderr, "GetPropertyValue %ld -> %s\n", number,
                       DescribeValue(value.get()).c_str());
      } else if (kind == 12) {
        const long number = in.byte() < 200 ? 3 : in.u16() % 301;
        Variant value = maker.value();
        if (kTrace)
          std::fprintf(stderr, "SetPropertyValue %ld %s\n", number,
                       DescribeValue(value.get()).c_str());
        component.extension()->SetPropertyValue(number, value.ptr());
      } else if (kind == 13) {
        QueryMemberTables(component.extension().get(), in, maker);
      } else {
        const int step = in.byte() % 5;
        Trace(
            "lifecycle step %ld (0 Shutdown, 1 Initialize, 2 Initialize bare, 3 GetVersionInfo, "
            "4 re-entry)\n",
            step);
        switch (step) {
          case 0:
            component.init()->Shutdown();
            break;
          case 1:
            component.init()->Initialize(pool.connection.get());
            break;
          case 2:
            component.init()->Initialize(pool.bareConnection.get());
            break;
          case 4: {
            const uint8_t where = in.byte();
            ArmReentry(component, pool, where, in.byte());
            break;
          }
          default:
            GetVersionInfo(component.init().get());
            break;
        }
      }
    }
    pool.clearReentry();
    if (component.alive()) component.init()->Shutdown();
  }
  database.restore();
  pool.connection->clearErrorLog();
  pool.bareConnection->clearErrorLog();
  pool.otherConnection->clearErrorLog();
  pool.checkReferenceCounts();
  return 0;
}
