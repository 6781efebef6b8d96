// The Windows DLL's four exports. Registration writes the ProgID
// "ADODB.Connection" over to our class; it is meant for the Wine test prefix
// only, where ADO itself cannot serve.
#include <cstring>
#include <string>

#include "ado/class_factory.h"
#include "platform/win32.h"

namespace qorvid::ado {

namespace {

const char kProgId[] = "ADODB.Connection";
const char kDescription[] = "qorvid ADO-compatible Connection";

std::string ClsidText() {
  OLECHAR wide[40] = {0};
  StringFromGUID2(CLSID_QorvidAdoConnection, wide, 40);
  std::string text;
  for (const OLECHAR* p = wide; *p; ++p) text += static_cast<char>(*p);
  return text;
}

bool SetKey(const std::string& path, const char* name, const std::string& value) {
  HKEY key = nullptr;
  if (RegCreateKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                      KEY_WRITE, nullptr, &key, nullptr) != ERROR_SUCCESS)
    return false;
  LSTATUS rc = RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                              static_cast<DWORD>(value.size() + 1));
  RegCloseKey(key);
  return rc == ERROR_SUCCESS;
}

std::string ModulePath() {
  HMODULE module = nullptr;
  if (!GetModuleHandleExA(
          GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
          reinterpret_cast<LPCSTR>(&ModulePath), &module))
    return std::string();
  char path[MAX_PATH + 1] = {0};
  DWORD n = GetModuleFileNameA(module, path, MAX_PATH);
  return std::string(path, n);
}

}  // namespace
}  // namespace qorvid::ado

using namespace qorvid::ado;

STDAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv) {
  return AdoGetClassObject(rclsid, riid, ppv);
}

STDAPI DllCanUnloadNow() { return AdoCanUnload() ? S_OK : S_FALSE; }

STDAPI DllRegisterServer() {
  const std::string clsid = ClsidText();
  const std::string path = ModulePath();
  if (path.empty()) return SELFREG_E_CLASS;
  const std::string clsidKey = "CLSID\\" + clsid;
  bool ok = SetKey(kProgId, nullptr, kDescription) &&
            SetKey(std::string(kProgId) + "\\CLSID", nullptr, clsid) &&
            SetKey(clsidKey, nullptr, kDescription) &&
            SetKey(clsidKey + "\\ProgID", nullptr, kProgId) &&
            SetKey(clsidKey + "\\InprocServer32", nullptr, path) &&
            SetKey(clsidKey + "\\InprocServer32", "ThreadingModel", "Apartment");
  return ok ? S_OK : SELFREG_E_CLASS;
}

STDAPI DllUnregisterServer() {
  const std::string clsidKey = "CLSID\\" + ClsidText();
  RegDeleteKeyA(HKEY_CLASSES_ROOT, (clsidKey + "\\InprocServer32").c_str());
  RegDeleteKeyA(HKEY_CLASSES_ROOT, (clsidKey + "\\ProgID").c_str());
  RegDeleteKeyA(HKEY_CLASSES_ROOT, clsidKey.c_str());
  RegDeleteKeyA(HKEY_CLASSES_ROOT, (std::string(kProgId) + "\\CLSID").c_str());
  RegDeleteKeyA(HKEY_CLASSES_ROOT, kProgId);
  return S_OK;
}
