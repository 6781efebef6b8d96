// The database state of one component object, and the frame a method branch
// runs in. AddInObject owns one ComponentState; the branches of database/ and
// the literal rendering of encoding/ read and change it by field name.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/com_ptr.h"
#include "platform/variant.h"
#include "platform/win32.h"

namespace qorvid {

typedef std::vector<std::string> TextList;

// The four text lists of prepared queries and one-record editing. They exist
// only between Initialize and Shutdown: that span is what "initialised" means.
struct StatementLists {
  TextList queryParts;
  TextList boundValues;
  TextList keyFields;
  TextList dataFields;
};

// The database behind adoConnection, as far as literal texts differ. Unknown
// writes the literals of a database that answers nothing about itself.
enum class Dbms { Unknown, Access, SqlServer, PostgreSql, MariaDb, Sqlite, Oracle, Firebird };

struct SqlDialect {
  Dbms dbms = Dbms::Unknown;
  // The server reads a backslash in '...' as an escape (MariaDB/MySQL
  // without NO_BACKSLASH_ESCAPES).
  bool backslashEscapes = false;
};

struct ComponentState {
  // The host's connection object, kept from Initialize until destruction.
  ComPtr<IDispatch> hostConnection;
  // The ADO connection and the current result set, as dispatch values.
  Variant adoConnection;
  Variant recordset;
  // Present only while the object is initialised.
  std::optional<StatementLists> lists;
  std::string tableName;
  LONG fieldsCount = 0;
  // The Time property: used up by the next date literal.
  std::string timeText;
  // Learnt after each successful Open.
  SqlDialect dialect;

  // The lists; outside Initialize..Shutdown the call fails cleanly with
  // "Компонента не инициализирована". The host may run Shutdown or Initialize
  // from inside any host call, so a branch asks again after each one instead
  // of keeping the reference.
  StatementLists& initialised();
};

// One dispatched method call: the host's parameter array and the result the
// branch stores its value in.
struct MethodCall {
  SAFEARRAY* parameters = nullptr;
  VARIANT* result = nullptr;
  // What a failed call's message ends with, after CR LF: the statement or
  // value text the branch was working on when it failed (empty for none).
  // The branch names it as it goes; the dispatcher appends it.
  std::string failureContext;

  // Element index of the parameter array, copied; VT_EMPTY when it cannot be
  // read. By-reference elements stay references.
  Variant param(LONG index) const;
  // The element itself when it is a text (VT_BSTR), else null. Only for
  // use before any host code runs: the host may change its array.
  const VARIANT* textParam(LONG index) const;
  // ValueText of param(index), read in place when the element is a text:
  // converting a text runs no host code, so nothing can change the array.
  std::string paramText(LONG index) const;
  // Replaces the call's result.
  void setResult(Variant value);
};

// The host application object as the host connection's "AppDispatch" hands
// it out, unchecked, fetched anew for every use. The callers apply their own
// checks (an object key needs only a callable answer; GetFieldAsObject tells
// a missing application apart).
Variant FetchApplication(const ComponentState& state);

}  // namespace qorvid
