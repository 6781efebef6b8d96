// AddInObject: the component object the host creates. It speaks the host's
// add-in protocol (IHostInit, IScriptExtension), answers IDispatch with
// E_NOTIMPL, and holds one script client's database state.
#pragma once

#include <string>

#include "component/member_table.h"
#include "database/component_state.h"
#include "platform/bstr.h"
#include "platform/com_object.h"
#include "platform/com_ptr.h"
#include "platform/win32.h"
#include "protocol/host_protocol.h"

namespace qorvid {

class AddInObject : public platform::AggregatableObject<
                        platform::Implements<IScriptExtension, IID_IScriptExtension>,
                        platform::Implements<IHostInit, IID_IHostInit>,
                        platform::Implements<IDispatch, IID_IDispatch>,
                        platform::Implements<ISupportErrorInfo, IID_ISupportErrorInfo>> {
 public:
  // Reference count 0; raises the server's live-object count.
  explicit AddInObject(IUnknown* outer = nullptr);
  ~AddInObject() override;

  // IHostInit.
  HRESULT STDMETHODCALLTYPE Initialize(IDispatch* connection) override;
  HRESULT STDMETHODCALLTYPE Shutdown() override;
  HRESULT STDMETHODCALLTYPE GetVersionInfo(SAFEARRAY** info) override;

  // IScriptExtension: the member tables (member_operations.cpp).
  HRESULT STDMETHODCALLTYPE GetExtensionName(BSTR* name) override;
  HRESULT STDMETHODCALLTYPE GetPropertyCount(long* count) override;
  HRESULT STDMETHODCALLTYPE FindProperty(BSTR name, long* number) override;
  HRESULT STDMETHODCALLTYPE GetPropertyName(long number, long alias, BSTR* name) override;
  HRESULT STDMETHODCALLTYPE IsPropertyReadable(long number, BOOL* flag) override;
  HRESULT STDMETHODCALLTYPE IsPropertyWritable(long number, BOOL* flag) override;
  HRESULT STDMETHODCALLTYPE GetMethodCount(long* count) override;
  HRESULT STDMETHODCALLTYPE FindMethod(BSTR name, long* number) override;
  HRESULT STDMETHODCALLTYPE GetMethodName(long number, long alias, BSTR* name) override;
  HRESULT STDMETHODCALLTYPE GetParamCount(long number, long* count) override;
  HRESULT STDMETHODCALLTYPE GetParamDefault(long method, long parameter, VARIANT* value) override;
  HRESULT STDMETHODCALLTYPE HasResult(long number, BOOL* flag) override;
  // IScriptExtension: properties (property_operations.cpp).
  HRESULT STDMETHODCALLTYPE GetPropertyValue(long number, VARIANT* value) override;
  HRESULT STDMETHODCALLTYPE SetPropertyValue(long number, VARIANT* value) override;
  // IScriptExtension: methods (dispatcher.cpp).
  HRESULT STDMETHODCALLTYPE CallAsProcedure(long number, SAFEARRAY** parameters) override;
  HRESULT STDMETHODCALLTYPE CallAsFunction(long number, VARIANT* result,
                                           SAFEARRAY** parameters) override;

  // IDispatch: not implemented; out-parameters are left untouched.
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID lcid,
                                          DISPID* ids) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO* exception, UINT* argError) override;

  // ISupportErrorInfo.
  HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID iid) override;

 private:
  // The tests reach the state and the dispatcher's frame through this.
  friend struct AddInObjectProbe;

  // CallAsFunction's frame and failure path around one branch (null: the
  // number has none, S_FALSE).
  HRESULT dispatch(MethodBranch branch, VARIANT* result, SAFEARRAY** parameters);
  // One entry in the host's error log (nothing without one).
  void ReportError(const WideString& text);
  // Inside a catch: the failed property reader's or writer's message, after
  // prefix, to the error log; nothing leaves it.
  void ReportPropertyFailure(const char* prefix) noexcept;
  // A reference for the length of one host operation: host code it runs (a
  // callback, the Release of a host interface) may drop the host's last
  // reference to this object meanwhile.
  ComPtr<IUnknown> keepAlive() { return ComPtr<IUnknown>(static_cast<IScriptExtension*>(this)); }

  ComponentState state_;
  ComPtr<IStatusLine> statusLine_;
  ComPtr<IExtWndsSupport> extWndsSupport_;
  ComPtr<IErrorLog> errorLog_;
  ComPtr<IAsyncEvent> asyncEvent_;
};

}  // namespace qorvid
