// The object base of the reference host: a reference-counted IDispatch whose
// members are found by name in a small table (case-insensitively, as the
// host's own language finds them). Objects are made on the heap and delete
// themselves at their last Release; refCount() lets tests check that the
// component gives back every reference it takes.
#pragma once

#include <initializer_list>
#include <string>
#include <vector>

#include "platform/bstr.h"
#include "platform/win32.h"

namespace qorvid::host {

class HostDispatch : public IDispatch {
 public:
  HostDispatch(const HostDispatch&) = delete;
  HostDispatch& operator=(const HostDispatch&) = delete;

  ULONG refCount() const { return static_cast<ULONG>(refs_); }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID lcid,
                                          DISPID* ids) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO* exception, UINT* argError) override;

 protected:
  // Member i of names gets DISPID i + 1. Starts with one reference, the
  // creator's.
  explicit HostDispatch(std::initializer_list<const char*> names);
  virtual ~HostDispatch();

  // Answers one member; params is never null.
  virtual HRESULT invokeMember(DISPID id, WORD flags, DISPPARAMS& params, VARIANT* result,
                               EXCEPINFO* exception) = 0;
  // Further interfaces of the object, AddRef'd by the caller; null if none.
  virtual void* extraInterface(REFIID) { return nullptr; }

  // A failure the script sees: DISP_E_EXCEPTION with this description.
  static HRESULT Raise(EXCEPINFO* exception, const std::string& description);
  // Argument i in the caller's order (DISPPARAMS holds them reversed), with
  // one level of VT_VARIANT|VT_BYREF resolved; null when absent.
  static const VARIANT* Argument(const DISPPARAMS& params, UINT i);

 private:
  LONG volatile refs_ = 1;
  std::vector<WideString> names_;
};

// A VT_DISPATCH answer (one more reference on object).
void StoreDispatch(VARIANT* result, IDispatch* object);

}  // namespace qorvid::host
