// A bare IUnknown that counts its references, to check that VARIANT and
// SAFEARRAY code takes and drops exactly the references it should. It is
// never deleted by Release, so a test can inspect it after an over-release.
#pragma once

#include "platform/win32.h"

namespace platform_test {

class CountingUnknown : public IUnknown {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown)) {
      *ppv = static_cast<IUnknown*>(this);
      AddRef();
      return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++refs); }
  ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(--refs); }

  long refs = 1;  // the test's own reference
};

}  // namespace platform_test
