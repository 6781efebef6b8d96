// What a recordset needs from the connection it was opened on: to be let go
// when its rows go first. The connection closes its recordsets itself; this
// is the one call back, so that neither object's header needs the other's.
#pragma once

namespace qorvid::ado {

struct RecordsetRows;

class RecordsetOwner {
 public:
  // A recordset's rows that go away stop being closed with the owner.
  virtual void forget(RecordsetRows* rows) = 0;

 protected:
  ~RecordsetOwner() = default;
};

}  // namespace qorvid::ado
