#include "ado/model/connection.h"

#include <algorithm>

#include "ado/model/properties.h"
#include "ado/model/recordset.h"
#include "platform/com_ptr.h"

namespace qorvid::ado {

namespace {

enum : DISPID {
  kCursorLocation = 1,
  kConnectionString,
  kOpen,
  kClose,
  kExecute,
  kBeginTrans,
  kCommitTrans,
  kRollbackTrans,
  kState,
  kCancel,
  kProperties,
};

const MemberName kMembers[] = {
    {OLESTR("CursorLocation"), kCursorLocation},
    {OLESTR("ConnectionString"), kConnectionString},
    {OLESTR("Open"), kOpen},
    {OLESTR("Close"), kClose},
    {OLESTR("Execute"), kExecute},
    {OLESTR("BeginTrans"), kBeginTrans},
    {OLESTR("CommitTrans"), kCommitTrans},
    {OLESTR("RollbackTrans"), kRollbackTrans},
    {OLESTR("State"), kState},
    {OLESTR("Cancel"), kCancel},
    {OLESTR("Properties"), kProperties},
};

// The backends running a statement now, in the whole process, for a host's
// Ctrl-C on another thread (AdoCancelRunning). Each entry lives on the stack
// of the call it stands for, so keeping the list allocates nothing.
SRWLOCK runningLock = SRWLOCK_INIT;
class Running;
Running* firstRunning = nullptr;

class Running {
 public:
  explicit Running(Backend* b) : backend(b) {
    AcquireSRWLockExclusive(&runningLock);
    next_ = firstRunning;
    if (next_) next_->previous_ = this;
    firstRunning = this;
    ReleaseSRWLockExclusive(&runningLock);
  }
  ~Running() {
    AcquireSRWLockExclusive(&runningLock);
    (previous_ ? previous_->next_ : firstRunning) = next_;
    if (next_) next_->previous_ = previous_;
    ReleaseSRWLockExclusive(&runningLock);
  }
  Running(const Running&) = delete;
  Running& operator=(const Running&) = delete;

  // Asks every running statement to stop; how many there were.
  static int cancelAll() {
    AcquireSRWLockShared(&runningLock);
    int count = 0;
    for (Running* r = firstRunning; r; r = r->next_, ++count) r->backend->cancel();
    ReleaseSRWLockShared(&runningLock);
    return count;
  }

  Backend* const backend;

 private:
  Running* previous_ = nullptr;
  Running* next_ = nullptr;
};

}  // namespace

Connection::Connection() : DispatchBase(kMembers) {}

Connection::~Connection() {
  // Released in the middle of a transaction: its work is undone, as a
  // database does for a client that goes away.
  if (backend_ && transactionLevel_ > 0) {
    try {
      backend_->rollback();
    } catch (...) {
    }
  }
  closeRecordsets();
}

void Connection::forget(RecordsetRows* rows) {
  recordsets_.erase(std::remove(recordsets_.begin(), recordsets_.end(), rows), recordsets_.end());
}

void Connection::closeRecordsets() {
  std::vector<RecordsetRows*> open;
  open.swap(recordsets_);
  for (RecordsetRows* r : open) r->closeByConnection();
}

void Connection::requireOpen() const {
  if (!backend_) throw AdoError(ado_text::kObjectClosed);
}

// An argument left out, or given as an empty value, means "not given".
static bool Given(const InvokeArgs& args, UINT i) {
  if (args.omitted(i)) return false;
  VARTYPE vt = args.value(i).vt();
  return vt != VT_EMPTY && vt != VT_NULL;
}

void Connection::open(const InvokeArgs& args) {
  if (backend_) throw AdoError(ado_text::kObjectOpen);
  if (Given(args, 0)) connectionString_ = ArgText(args.value(0));
  WideString text = connectionString_;
  // A user and password given apart go to the provider with the string.
  if (Given(args, 1)) {
    WideString user = ArgText(args.value(1));
    if (!user.empty()) text += OLESTR(";UID=") + user;
  }
  if (Given(args, 2)) {
    WideString password = ArgText(args.value(2));
    if (!password.empty()) text += OLESTR(";PWD=") + password;
  }
  backend_ = OpenBackend(text);
  transactionLevel_ = 0;
}

void Connection::close() {
  requireOpen();
  if (transactionLevel_ > 0) throw AdoError(ado_text::kCloseInTransaction);
  closeRecordsets();
  backend_.reset();
}

Variant Connection::execute(const InvokeArgs& args) {
  requireOpen();
  if (args.count() == 0 || args.omitted(0)) throw DispatchFailure(DISP_E_PARAMNOTFOUND);
  WideString sql = args.text(0);
  // Engines read statement text up to a NUL: SQLite stalls on it, ODBC
  // drivers run what stands before it ("DELETE FROM t" of "DELETE FROM t\0
  // WHERE ..."). Such text runs nowhere.
  if (sql.find(OLECHAR(0)) != WideString::npos) throw AdoError(ado_text::kNulInCommandText);
  LONG affected = -1;
  std::unique_ptr<ResultSet> rows;
  {
    Running guard(backend_.get());
    rows = backend_->execute(sql, &affected);
  }
  StoreThrough(args.slot(1), affected);
  const bool open = rows != nullptr;
  ComPtr<Recordset> recordset =
      ComPtr<Recordset>::attach(new Recordset(open ? this : nullptr, std::move(rows)));
  if (open) recordsets_.push_back(recordset->rows());
  return Variant::fromDispatch(recordset.get());
}

Variant Connection::invokeMember(DISPID id, WORD flags, const InvokeArgs& args) {
  switch (id) {
    case kCursorLocation:
      if (IsPut(flags)) {
        LONG location = ArgInteger(args.putValue());
        if (location < 1 || location > 3) throw AdoError(ado_text::kWrongArguments);
        cursorLocation_ = location;
        return Variant();
      }
      RequireGet(flags);
      return Variant::fromInt(cursorLocation_);
    case kConnectionString:
      if (IsPut(flags)) {
        if (backend_) throw AdoError(ado_text::kObjectOpen);
        Variant value = args.putValue();
        connectionString_ =
            (value.vt() == VT_EMPTY || value.vt() == VT_NULL) ? WideString() : ArgText(value);
        return Variant();
      }
      RequireGet(flags);
      return Variant::fromWide(connectionString_);
    case kOpen:
      RequireMethod(flags);
      open(args);
      return Variant();
    case kClose:
      RequireMethod(flags);
      close();
      return Variant();
    case kExecute:
      RequireMethod(flags);
      return execute(args);
    case kBeginTrans:
      RequireMethod(flags);
      requireOpen();
      if (transactionLevel_ > 0) throw AdoError(ado_text::kNestedTransaction);
      backend_->beginTransaction();
      transactionLevel_ = 1;
      return Variant::fromInt(transactionLevel_);
    case kCommitTrans:
      RequireMethod(flags);
      requireOpen();
      if (transactionLevel_ == 0) throw AdoError(ado_text::kNoTransaction);
      // A failed commit leaves the transaction open for RollbackTrans.
      backend_->commit();
      transactionLevel_ = 0;
      return Variant();
    case kRollbackTrans: {
      RequireMethod(flags);
      requireOpen();
      if (transactionLevel_ == 0) throw AdoError(ado_text::kNoTransaction);
      // Whatever the backend answers, no transaction is left to hold the
      // connection open.
      transactionLevel_ = 0;
      backend_->rollback();
      return Variant();
    }
    case kState:
      RequireGet(flags);
      return Variant::fromInt(backend_ ? 1 : 0);
    case kCancel:
      RequireMethod(flags);
      if (backend_) backend_->cancel();
      return Variant();
    case kProperties:
      RequireGet(flags);
      return PropertiesCollection(backend_ ? backend_->dbmsName() : WideString());
    default:
      throw DispatchFailure(DISP_E_MEMBERNOTFOUND);
  }
}

}  // namespace qorvid::ado

extern "C" int AdoCancelRunning() { return qorvid::ado::Running::cancelAll(); }
