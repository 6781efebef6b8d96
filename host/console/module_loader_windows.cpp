#include <cstdio>

#include "host/console/module_loader.h"
#include "host/console/utf.h"
#include "protocol/host_protocol.h"

namespace qorvid::host {

namespace {
typedef HRESULT(STDAPICALLTYPE* GetClassObjectFn)(REFCLSID, REFIID, LPVOID*);

std::string StatusText(HRESULT hr) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%08lX", static_cast<unsigned long>(hr));
  return buf;
}
}  // namespace

bool StartHostProcess(std::string& problem) {
  if (FAILED(CoInitialize(nullptr))) {
    problem = "COM could not be initialised";
    return false;
  }
  return true;
}

void EndHostProcess() { CoUninitialize(); }

std::string DefaultModulePath() { return std::string(); }

ComPtr<IClassFactory> GetComponentFactory(const std::string& modulePath, std::string& problem) {
  ComPtr<IClassFactory> factory;
  if (modulePath.empty()) {
    // The registered class, as a host finds it.
    CLSID clsid;
    HRESULT hr = CLSIDFromProgID(OLESTR("AddIn.qorvid"), &clsid);
    if (FAILED(hr)) {
      problem = "the class AddIn.qorvid is not registered (status " + StatusText(hr) +
                "); run regsvr32 qorvid.dll or name the module with --module";
      return ComPtr<IClassFactory>();
    }
    hr = CoGetClassObject(clsid, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                          factory.putVoid());
    if (FAILED(hr) || !factory) {
      problem = "COM gave no class factory for AddIn.qorvid (status " + StatusText(hr) + ")";
      return ComPtr<IClassFactory>();
    }
    return factory;
  }
  // The module stays loaded for the life of the process.
  // The path is UTF-8 (the command line's); the wide call takes every character.
  WideString path;
  HMODULE module = WideFromUtf8(modulePath, path)
                       ? LoadLibraryW(reinterpret_cast<LPCWSTR>(path.c_str()))
                       : LoadLibraryA(modulePath.c_str());
  if (!module) {
    problem = "cannot load the component module " + modulePath;
    return ComPtr<IClassFactory>();
  }
  // Through void* so that the compiler accepts the change of function type.
  auto getClassObject = reinterpret_cast<GetClassObjectFn>(
      reinterpret_cast<void*>(GetProcAddress(module, "DllGetClassObject")));
  if (!getClassObject) {
    problem = "the module " + modulePath + " exports no DllGetClassObject";
    return ComPtr<IClassFactory>();
  }
  const HRESULT hr = getClassObject(CLSID_qorvid, IID_IClassFactory, factory.putVoid());
  if (FAILED(hr) || !factory) {
    problem = "DllGetClassObject refused the component class (status " + StatusText(hr) + ")";
    return ComPtr<IClassFactory>();
  }
  return factory;
}

}  // namespace qorvid::host
