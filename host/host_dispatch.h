// The object base of the reference host: the platform's name-table dispatch
// (members found case-insensitively, as the host's own language finds them).
// Objects are made on the heap and delete themselves at their last Release;
// refCount() lets tests check that the component gives back every reference
// it takes.
#pragma once

#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "platform/bstr.h"
#include "platform/named_dispatch.h"
#include "platform/win32.h"

namespace qorvid::host {

class HostDispatch : public platform::NamedDispatch {
 public:
  // Host code that runs before the object answers any member (the member's
  // name, "" for the default value): a script's handler may call back into
  // the component from there, which is what re-entrancy tests need.
  typedef std::function<void(const char* member)> Reentry;
  void setReentry(Reentry hook) { reentry_ = std::move(hook); }

 protected:
  // Runs the re-entry hook, if any, for the member.
  void reenter(const char* member);
  // Makes DISPID_VALUE, the default member, one of the object's members.
  void addDefaultMember();

  // Member i of names gets DISPID i + 1. Starts with one reference, the
  // creator's.
  explicit HostDispatch(std::initializer_list<const char*> names);
  ~HostDispatch() override;

  // Answers one member; params is never null.
  virtual HRESULT invokeMember(DISPID id, WORD flags, DISPPARAMS& params, VARIANT* result,
                               EXCEPINFO* exception) = 0;

  // A failure the script sees: DISP_E_EXCEPTION with this description.
  static HRESULT Raise(EXCEPINFO* exception, const std::string& description);
  // Argument i in the caller's order (DISPPARAMS holds them reversed), with
  // one level of VT_VARIANT|VT_BYREF resolved; null when absent.
  static const VARIANT* Argument(const DISPPARAMS& params, UINT i);

 private:
  HRESULT dispatchMember(DISPID id, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                         EXCEPINFO* exception, UINT* argError) final;

  std::vector<WideString> names_;
  std::vector<std::string> utf8Names_;
  std::vector<platform::DispatchName> table_;
  Reentry reentry_;
};

// A VT_DISPATCH answer (one more reference on object).
void StoreDispatch(VARIANT* result, IDispatch* object);

}  // namespace qorvid::host
