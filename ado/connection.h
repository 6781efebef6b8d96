// Connection: the object behind ProgID "ADODB.Connection". Holds the open
// backend, the transaction level and, weakly, the recordsets opened on it,
// so that closing or releasing the connection closes them.
#pragma once

#include <memory>
#include <vector>

#include "ado/backend.h"
#include "ado/dispatch_base.h"

namespace qorvid::ado {

struct RecordsetRows;

class Connection : public DispatchBase {
 public:
  Connection();
  // A recordset's rows that go away stop being closed with the connection.
  void forget(RecordsetRows* rows);

 protected:
  ~Connection() override;
  Variant invokeMember(DISPID id, WORD flags, const InvokeArgs& args) override;

 private:
  void requireOpen() const;
  void open(const InvokeArgs& args);
  void close();
  Variant execute(const InvokeArgs& args);
  void closeRecordsets();

  std::unique_ptr<Backend> backend_;
  WideString connectionString_;
  LONG cursorLocation_ = 2;  // adUseServer, ADO's default
  LONG transactionLevel_ = 0;
  std::vector<RecordsetRows*> recordsets_;
};

}  // namespace qorvid::ado
