// RecordingDispatch: a scripted IDispatch for unit tests. It knows its members
// by name (case-insensitively, as ADO and the host do), records every Invoke
// in call order and answers each member as the test scripted it.
//
//   RecordingDispatch conn;
//   conn.answer("Execute", Variant::fromInt(7));
//   conn.raise("Open", "Provider not found.");
//   conn.unknown("Frobnicate");
//   Variant target = Variant::fromDispatch(&conn);
//   ... code under test ...
//   EXPECT_EQ(conn.calls()[0].member, "Execute");
//   EXPECT_EQ(conn.refCount(), 1u);  // nothing kept, nothing leaked
//
// The object lives on the test's stack or in a unique_ptr: it starts with one
// reference (the test's own) and Release never deletes it, so a test can
// check that the code under test left the count where it found it.
#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "platform/bstr.h"
#include "platform/named_dispatch.h"
#include "platform/variant.h"
#include "platform/win32.h"

namespace qorvid {

class RecordingDispatch : public platform::NamedDispatch {
 public:
  // One recorded Invoke.
  struct Call {
    std::string member;  // the name the member was registered under
    DISPID dispid = 0;
    WORD flags = 0;
    LCID lcid = 0;
    // Each argument's VARTYPE, in the caller's order (rgvarg reversed).
    std::vector<VARTYPE> argTypes;
    // Each argument's value in the caller's order; by-reference arguments are
    // recorded dereferenced (their value at the time of the call). Object
    // arguments are held by the record until clearRecord().
    std::vector<Variant> args;
    std::vector<DISPID> namedArgs;
  };

  // Computes an answer: fill *result (may be null when the caller ignores
  // it) and return a status; for DISP_E_EXCEPTION fill the exception record.
  // Arguments are in rgvarg order as DISPPARAMS has them.
  typedef std::function<HRESULT(DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception)> Handler;

  RecordingDispatch();
  ~RecordingDispatch() override;
  RecordingDispatch(const RecordingDispatch&) = delete;
  RecordingDispatch& operator=(const RecordingDispatch&) = delete;

  // Registers a member that answers VT_EMPTY; returns its DISPID. Members are
  // registered implicitly by the scripting calls below too.
  DISPID member(const std::string& name);
  // The member answers a copy of value.
  void answer(const std::string& name, const Variant& value);
  // The member fails with DISP_E_EXCEPTION carrying this description (and
  // source), the way ADO reports a provider error.
  void raise(const std::string& name, const std::string& description,
             const std::string& source = "RecordingDispatch");
  // The member fails with this status and no exception record.
  void fail(const std::string& name, HRESULT status);
  // GetIDsOfNames answers DISP_E_UNKNOWNNAME for this name.
  void unknown(const std::string& name);
  // By default a name never scripted is registered at its first lookup and
  // answers VT_EMPTY; a strict fake knows only the names scripted.
  void setStrict(bool strict) { strict_ = strict; }
  // GetIDsOfNames itself fails with this status for the name.
  void failLookup(const std::string& name, HRESULT status);
  // The member's answer is computed by handler.
  void onInvoke(const std::string& name, Handler handler);

  const std::vector<Call>& calls() const { return calls_; }
  // The calls of one member, in order.
  std::vector<Call> callsOf(const std::string& name) const;
  // Every name passed to GetIDsOfNames (as ANSI text), with the locale given.
  const std::vector<std::string>& lookups() const { return lookups_; }
  const std::vector<LCID>& lookupLocales() const { return lookupLocales_; }
  void clearRecord();

 private:
  enum Kind { AnswerValue, RaiseException, FailStatus, UnknownName, FailLookup, Compute };
  struct Member {
    std::string name;
    WideString wideName;
    DISPID dispid = 0;
    Kind kind = AnswerValue;
    Variant value;
    std::string description;
    std::string source;
    HRESULT status = S_OK;
    Handler handler;
  };

  Member& slot(const std::string& name);
  Member* find(const std::string& name);
  Member* byId(DISPID id);

  // Records the lookup; registers a name never scripted unless strict.
  HRESULT findMember(const OLECHAR* name, LCID lcid, DISPID* id) override;
  HRESULT dispatchMember(DISPID id, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                         EXCEPINFO* exception, UINT* argError) override;
  // The test owns the object and checks the count at the end.
  void lastReleased() override {}

  bool strict_ = false;
  DISPID nextId_ = 100;
  std::deque<Member> members_;  // stable, as the name table points into it
  std::vector<platform::DispatchName> table_;
  std::vector<Call> calls_;
  std::vector<std::string> lookups_;
  std::vector<LCID> lookupLocales_;
};

// A VT_DISPATCH value on the fake (one more reference while the value lives).
inline Variant DispatchValue(IDispatch* object) { return Variant::fromDispatch(object); }

}  // namespace qorvid
