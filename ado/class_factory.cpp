#include "ado/class_factory.h"

#include <new>

#include "ado/model/connection.h"
#include "ado/model/dispatch_base.h"
#include "platform/com_object.h"
#include "platform/com_ptr.h"
#include "platform/registry_entries.h"

namespace qorvid::ado {

const CLSID CLSID_QorvidAdoConnection = {
    0x5D1A7C2E, 0x0B3F, 0x4E8A, {0x9C, 0x61, 0x2F, 0x7B, 0x4D, 0x90, 0xA1, 0xE3}};

namespace {

const char kProgId[] = "ADODB.Connection";
const char kDescription[] = "qorvid ADO-compatible Connection";

HRESULT CreateConnection(IUnknown* outer, REFIID iid, void** out) {
  if (outer) return CLASS_E_NOAGGREGATION;
  Connection* raw = new (std::nothrow) Connection();
  if (!raw) return E_OUTOFMEMORY;
  ComPtr<IDispatch> connection = ComPtr<IDispatch>::attach(raw);
  return connection->QueryInterface(iid, out);
}

// Registration writes the ProgID "ADODB.Connection" over to our class; it is
// meant for the Wine test prefix only, where ADO itself cannot serve.
bool WriteEntry(const std::string& path, const char* name, const std::string& value) {
  return platform::WriteRegistryText(HKEY_CLASSES_ROOT, path, name, value);
}

class ConnectionModule final : public platform::ComModule {
 public:
  HRESULT getClassObject(REFCLSID clsid, REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!IsEqualCLSID(clsid, CLSID_QorvidAdoConnection)) return CLASS_E_CLASSNOTAVAILABLE;
    return factory_.QueryInterface(iid, out);
  }

  HRESULT registerServer() override {
    const std::string clsid = platform::GuidText(CLSID_QorvidAdoConnection);
    const std::string path =
        platform::ModuleFileName(reinterpret_cast<const void*>(&CreateConnection));
    if (path.empty()) return SELFREG_E_CLASS;
    const std::string clsidKey = "CLSID\\" + clsid;
    const bool ok = WriteEntry(kProgId, nullptr, kDescription) &&
                    WriteEntry(std::string(kProgId) + "\\CLSID", nullptr, clsid) &&
                    WriteEntry(clsidKey, nullptr, kDescription) &&
                    WriteEntry(clsidKey + "\\ProgID", nullptr, kProgId) &&
                    WriteEntry(clsidKey + "\\InprocServer32", nullptr, path) &&
                    WriteEntry(clsidKey + "\\InprocServer32", "ThreadingModel", "Apartment");
    return ok ? S_OK : SELFREG_E_CLASS;
  }

  HRESULT unregisterServer() override {
    const std::string clsidKey = "CLSID\\" + platform::GuidText(CLSID_QorvidAdoConnection);
    for (const std::string& key : {clsidKey + "\\InprocServer32", clsidKey + "\\ProgID", clsidKey,
                                   std::string(kProgId) + "\\CLSID", std::string(kProgId)})
      platform::DeleteRegistryKey(HKEY_CLASSES_ROOT, key);
    return S_OK;
  }

  LONG liveObjects() const override { return AdoLiveObjects(); }

 private:
  // Its references and locks only keep the module loaded.
  platform::ClassFactory<CreateConnection> factory_{*this};
};

ConnectionModule theModule;

}  // namespace

platform::ComModule* AdoModule() { return &theModule; }

HRESULT AdoGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv) {
  return theModule.getClassObject(rclsid, riid, ppv);
}

bool AdoCanUnload() { return theModule.canUnload(); }

}  // namespace qorvid::ado
