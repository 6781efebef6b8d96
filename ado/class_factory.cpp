#include "ado/class_factory.h"

#include <new>

#include "ado/connection.h"
#include "ado/dispatch_base.h"
#include "platform/com_ptr.h"

namespace qorvid::ado {

const CLSID CLSID_QorvidAdoConnection = {
    0x5D1A7C2E, 0x0B3F, 0x4E8A, {0x9C, 0x61, 0x2F, 0x7B, 0x4D, 0x90, 0xA1, 0xE3}};

namespace {

LONG volatile g_factoryRefs = 0;
LONG volatile g_locks = 0;

// One static instance; its references and locks only keep the module loaded.
class ConnectionFactory : public IClassFactory {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IClassFactory)) {
      *ppv = static_cast<IClassFactory*>(this);
      AddRef();
      return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override {
    return static_cast<ULONG>(InterlockedIncrement(&g_factoryRefs)) + 1;
  }
  ULONG STDMETHODCALLTYPE Release() override {
    return static_cast<ULONG>(InterlockedDecrement(&g_factoryRefs)) + 1;
  }
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    Connection* raw = new (std::nothrow) Connection();
    if (!raw) return E_OUTOFMEMORY;
    ComPtr<IDispatch> connection = ComPtr<IDispatch>::attach(raw);
    return connection->QueryInterface(riid, ppv);
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
    if (lock)
      InterlockedIncrement(&g_locks);
    else
      InterlockedDecrement(&g_locks);
    return S_OK;
  }
};

ConnectionFactory g_factory;

}  // namespace

HRESULT AdoGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (!IsEqualCLSID(rclsid, CLSID_QorvidAdoConnection)) return CLASS_E_CLASSNOTAVAILABLE;
  return g_factory.QueryInterface(riid, ppv);
}

bool AdoCanUnload() { return AdoLiveObjects() == 0 && g_factoryRefs == 0 && g_locks == 0; }

}  // namespace qorvid::ado
