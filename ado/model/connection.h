// Connection: the object behind ProgID "ADODB.Connection". Holds the open
// backend, the transaction level and, weakly, the recordsets opened on it,
// so that closing or releasing the connection closes them.
#pragma once

#include <memory>
#include <vector>

#include "ado/engines/backend.h"
#include "ado/model/dispatch_base.h"
#include "ado/model/recordset_owner.h"

namespace qorvid::ado {

class Connection : public DispatchBase, public RecordsetOwner {
 public:
  Connection();
  void forget(RecordsetRows* rows) override;

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
