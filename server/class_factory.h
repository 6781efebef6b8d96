// The class factory of the component class. It lives inside its class
// registration, outside its own reference count: AddRef and Release only move
// the server's factory count, and it goes when the library is unloaded.
#pragma once

#include "platform/win32.h"

namespace qorvid {

// The references held on the server's class factories, counted with
// interlocked steps; with the live-object count it decides unloading.
class FactoryReferences {
 public:
  LONG addRef() { return InterlockedIncrement(&count_); }
  LONG release() { return InterlockedDecrement(&count_); }
  LONG count() const { return count_; }

 private:
  LONG volatile count_ = 0;
};

class ClassFactory : public IClassFactory {
 public:
  explicit ClassFactory(FactoryReferences& references) : references_(references) {}
  ClassFactory(const ClassFactory&) = delete;
  ClassFactory& operator=(const ClassFactory&) = delete;
  virtual ~ClassFactory() = default;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;

  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override;
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override;

 private:
  FactoryReferences& references_;
};

}  // namespace qorvid
