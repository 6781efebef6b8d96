// The class factory of the component class. It lives inside its class
// registration, outside its own reference count: AddRef and Release only move
// the server's factory count, and it goes when the library is unloaded.
#pragma once

#include "platform/win32.h"

namespace qorvid {

class ServerObject;

class ClassFactory : public IClassFactory {
 public:
  explicit ClassFactory(ServerObject& server) : server_(server) {}
  ClassFactory(const ClassFactory&) = delete;
  ClassFactory& operator=(const ClassFactory&) = delete;
  virtual ~ClassFactory() = default;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;

  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override;
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override;

 private:
  ServerObject& server_;
};

}  // namespace qorvid
