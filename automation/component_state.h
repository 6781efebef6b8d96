// The database state of one component object, and the frame a method branch
// runs in. AddInObject owns one ComponentState; the branches of database/ and
// the literal rendering of encoding/ read and change it by field name.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/com_ptr.h"
#include "platform/variant.h"
#include "platform/win32.h"

namespace qorvid {

typedef std::vector<std::string> TextList;

struct ComponentState {
  // The host's connection object, kept from Initialize until destruction.
  ComPtr<IDispatch> hostConnection;
  // The ADO connection and the current result set, as dispatch values.
  Variant adoConnection;
  Variant recordset;
  // The four lists exist only between Initialize and Shutdown.
  std::unique_ptr<TextList> queryParts;
  std::unique_ptr<TextList> boundValues;
  std::unique_ptr<TextList> keyFields;
  std::unique_ptr<TextList> dataFields;
  std::string tableName;
  LONG fieldsCount = 0;
  // The Time property: used up by the next date literal.
  std::string timeText;
};

// One dispatched method call: the host's parameter array, the result the
// branch stores its value in, and the call's working text, which the failure
// path appends to the message.
struct MethodCall {
  SAFEARRAY* parameters = nullptr;
  VARIANT* result = nullptr;
  std::string statementText;

  // Element index of the parameter array, copied; VT_EMPTY when it cannot be
  // read. By-reference elements stay references.
  Variant param(LONG index) const;
  // Replaces the call's result.
  void setResult(Variant value);
};

// A list that no longer exists (after Shutdown) fails the call cleanly.
TextList& RequireList(const std::unique_ptr<TextList>& list);

}  // namespace qorvid
