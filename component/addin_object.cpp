#include "component/addin_object.h"

#include <new>

#include "component/error_report.h"
#include "component/object_count.h"
#include "database/host_array.h"

namespace qorvid {

AddInObject::AddInObject(IUnknown* outer) : AggregatableObject(outer) { LiveObjectCreated(); }

AddInObject::~AddInObject() { LiveObjectDestroyed(); }

HRESULT STDMETHODCALLTYPE AddInObject::InterfaceSupportsErrorInfo(REFIID iid) {
  return implements(iid) ? S_OK : S_FALSE;
}

HRESULT STDMETHODCALLTYPE AddInObject::Initialize(IDispatch* connection) {
  ComPtr<IUnknown> alive = keepAlive();
  state_.hostConnection = ComPtr<IDispatch>(connection);
  // Each field is emptied before its query; a host that lacks an interface
  // leaves it null.
  errorLog_.reset();
  errorLog_ = state_.hostConnection.query<IErrorLog>(IID_IErrorLog);
  statusLine_.reset();
  statusLine_ = state_.hostConnection.query<IStatusLine>(IID_IStatusLine);
  asyncEvent_.reset();
  asyncEvent_ = state_.hostConnection.query<IAsyncEvent>(IID_IAsyncEvent);
  extWndsSupport_.reset();
  extWndsSupport_ = state_.hostConnection.query<IExtWndsSupport>(IID_IExtWndsSupport);
  // Fresh, empty lists, also when the host initialises the object again.
  state_.lists.emplace();
  return S_OK;
}

HRESULT STDMETHODCALLTYPE AddInObject::Shutdown() {
  ComPtr<IUnknown> alive = keepAlive();
  statusLine_.reset();
  extWndsSupport_.reset();
  errorLog_.reset();
  asyncEvent_.reset();
  state_.lists.reset();
  // Dropped, not closed: the ADO objects go when their last holder lets go.
  state_.adoConnection = Variant::fromBstr(Bstr());
  state_.recordset = Variant::fromBstr(Bstr());
  return S_OK;
}

HRESULT STDMETHODCALLTYPE AddInObject::GetVersionInfo(SAFEARRAY** info) {
  try {
    if (info && *info && PutParam(*info, 0, Variant::fromUtf8("2000")) == E_OUTOFMEMORY)
      return E_OUTOFMEMORY;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
  return S_OK;
}

void AddInObject::ReportError(const WideString& text) {
  // AddError may run Initialize or Shutdown, which let go of errorLog_; the
  // log must live until its own call returns.
  ComPtr<IErrorLog> log = errorLog_;
  WriteErrorLogEntry(log.get(), text);
}

HRESULT STDMETHODCALLTYPE AddInObject::GetTypeInfoCount(UINT*) { return E_NOTIMPL; }
HRESULT STDMETHODCALLTYPE AddInObject::GetTypeInfo(UINT, LCID, ITypeInfo**) { return E_NOTIMPL; }
HRESULT STDMETHODCALLTYPE AddInObject::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) {
  return E_NOTIMPL;
}
HRESULT STDMETHODCALLTYPE AddInObject::Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*,
                                              EXCEPINFO*, UINT*) {
  return E_NOTIMPL;
}

}  // namespace qorvid
