// The host application's add-in protocol: the two interfaces the component
// implements (IHostInit, IScriptExtension) and the three host interfaces it
// takes at Initialize and never calls. Hosts call these through vtables, so
// the slot order and the signatures are binding.
#pragma once

#include "platform/win32.h"

namespace qorvid {

// The component's class, which a host creates by this identifier or by the
// ProgID registered for it.
// {7C3E5A92-1F4B-4D86-B2E9-5A0C8D13F647}
extern const CLSID CLSID_qorvid;

// {AB634001-F13D-11D0-A459-004095E1DAEA}
extern const IID IID_IHostInit;
// {AB634003-F13D-11D0-A459-004095E1DAEA}
extern const IID IID_IScriptExtension;
// {AB634004-F13D-11D0-A459-004095E1DAEA}
extern const IID IID_IAsyncEvent;
// {AB634005-F13D-11D0-A459-004095E1DAEA}
extern const IID IID_IStatusLine;
// {EFE19EA0-09E4-11D2-A601-008048DA00DE}
extern const IID IID_IExtWndsSupport;
// IErrorLog and IID_IErrorLog {3127CA40-446E-11CE-8135-00AA004BB851} come
// from the platform: it is the standard OLE error log.

struct IHostInit : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE Initialize(IDispatch* connection) = 0;
  virtual HRESULT STDMETHODCALLTYPE Shutdown() = 0;
  virtual HRESULT STDMETHODCALLTYPE GetVersionInfo(SAFEARRAY** info) = 0;
};

struct IScriptExtension : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE GetExtensionName(BSTR* name) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetPropertyCount(long* count) = 0;
  virtual HRESULT STDMETHODCALLTYPE FindProperty(BSTR name, long* number) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetPropertyName(long number, long alias, BSTR* name) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetPropertyValue(long number, VARIANT* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetPropertyValue(long number, VARIANT* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE IsPropertyReadable(long number, BOOL* flag) = 0;
  virtual HRESULT STDMETHODCALLTYPE IsPropertyWritable(long number, BOOL* flag) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetMethodCount(long* count) = 0;
  virtual HRESULT STDMETHODCALLTYPE FindMethod(BSTR name, long* number) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetMethodName(long number, long alias, BSTR* name) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetParamCount(long number, long* count) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetParamDefault(long method, long parameter,
                                                    VARIANT* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE HasResult(long number, BOOL* flag) = 0;
  virtual HRESULT STDMETHODCALLTYPE CallAsProcedure(long number, SAFEARRAY** parameters) = 0;
  virtual HRESULT STDMETHODCALLTYPE CallAsFunction(long number, VARIANT* result,
                                                   SAFEARRAY** parameters) = 0;
};

// The component takes these at Initialize and releases them at Shutdown; it
// calls none of their operations, so only their identity matters here.
struct IStatusLine : public IUnknown {};
struct IAsyncEvent : public IUnknown {};
struct IExtWndsSupport : public IUnknown {};

}  // namespace qorvid
