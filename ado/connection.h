// Connection: the object behind ProgID "ADODB.Connection". Holds the open
// backend, the transaction level and, weakly, the recordsets opened on it,
// so that closing or releasing the connection closes them.
#pragma once

#include <memory>
#include <vector>

#include "ado/backend.h"
#include "ado/dispatch_base.h"

namespace qorvid::ado {

class Recordset;

class Connection : public DispatchBase {
 public:
  Connection();
  // A recordset that goes away stops being closed with the connection.
  void forget(Recordset* recordset);

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
  std::vector<Recordset*> recordsets_;
};

}  // namespace qorvid::ado
