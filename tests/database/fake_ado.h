// A scripted stand-in for ADO, built from recording dispatch objects: a
// connection class registered for "ADODB.Connection" that hands out prepared
// connection objects, and result sets with their field collection and fields.
#pragma once

#include <deque>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/variant.h"
#include "tests/support/recording_dispatch.h"

namespace qorvid {

// One result set: a current row of named field values and an end flag.
class FakeRecordset {
 public:
  typedef std::vector<std::pair<std::string, Variant>> Row;

  explicit FakeRecordset(Row row = Row(), bool atEnd = false);

  RecordingDispatch recordset;
  RecordingDispatch fields;
  // One per column, in column order.
  std::vector<std::unique_ptr<RecordingDispatch>> columns;

  Variant value() { return DispatchValue(&recordset); }
  void setAtEnd(bool atEnd) { recordset.answer("EOF", Variant::fromBool(atEnd)); }

 private:
  HRESULT fieldsAnswer(DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception);
  std::vector<std::string> names_;
};

// An ADO connection whose Execute answers from a script, one entry per
// statement; when the script is used up it answers VT_EMPTY.
class FakeConnection {
 public:
  FakeConnection();

  RecordingDispatch object;

  // The next Execute returns this value (a result set, normally).
  void thenReturn(const Variant& answer);
  // The next Execute fails with this provider message.
  void thenFail(const std::string& description);
  // The statements Execute received, in order.
  std::vector<std::string> statements() const;
  // The member names of every call made on the connection, in order.
  std::vector<std::string> members() const;

 private:
  struct Step {
    bool fails = false;
    Variant answer;
    std::string description;
  };
  std::deque<Step> script_;
};

// Registers a class for "ADODB.Connection" in the platform class table for
// the lifetime of the object. Each creation hands out the next queued
// connection; with none queued, creation fails with REGDB_E_CLASSNOTREG.
class FakeAdoClass {
 public:
  FakeAdoClass();
  ~FakeAdoClass();
  FakeAdoClass(const FakeAdoClass&) = delete;
  FakeAdoClass& operator=(const FakeAdoClass&) = delete;

  void queue(FakeConnection& connection) { queue_.push_back(&connection); }
  int created() const { return created_; }

 private:
  friend class FakeAdoFactory;
  std::deque<FakeConnection*> queue_;
  int created_ = 0;
};

// Owns fakes for as long as a component may hold references to them: a
// fixture declares its store before the component it runs.
class FakeStore {
 public:
  FakeRecordset& recordset(FakeRecordset::Row row = FakeRecordset::Row(), bool atEnd = false) {
    recordsets_.emplace_back(new FakeRecordset(std::move(row), atEnd));
    return *recordsets_.back();
  }
  FakeConnection& connection() {
    connections_.emplace_back(new FakeConnection);
    return *connections_.back();
  }
  RecordingDispatch& object() {
    objects_.emplace_back(new RecordingDispatch);
    return *objects_.back();
  }

 private:
  std::vector<std::unique_ptr<RecordingDispatch>> objects_;
  std::vector<std::unique_ptr<FakeRecordset>> recordsets_;
  std::vector<std::unique_ptr<FakeConnection>> connections_;
};

// The text of a recorded argument (strings and numbers; empty otherwise).
std::string TextOf(const Variant& value);

}  // namespace qorvid
