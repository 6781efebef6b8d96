// Class creation: an in-process class table that classes of this process
// register themselves in, and, for classes registered only in the registry,
// their InprocServer32 library loaded with dlopen and asked through its
// DllGetClassObject, as the COM runtime does. Loaded libraries stay loaded.
#include <dlfcn.h>

#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/win32.h"

namespace {

struct ClassEntry {
  CLSID clsid;
  std::string progId;
  PlatformGetClassObjectFn getter;
};

struct ClassTable {
  std::mutex mutex;
  std::vector<ClassEntry> classes;
  std::map<std::string, void*> libraries;  // path -> dlopen handle
};

ClassTable& Table() {
  static ClassTable* t = new ClassTable();  // used until the very end
  return *t;
}

bool SameProgId(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

// ProgIDs and class ids are ASCII; anything else cannot match.
bool NarrowAscii(LPCOLESTR s, std::string* out) {
  out->clear();
  for (; *s; ++s) {
    if (*s >= 0x80) return false;
    out->push_back(static_cast<char>(*s));
  }
  return true;
}

bool ReadDefault(const std::string& path, std::string* value) {
  HKEY key;
  if (RegOpenKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
    return false;
  DWORD type = 0, size = 0;
  bool ok = RegQueryValueExA(key, nullptr, nullptr, &type, nullptr, &size) == ERROR_SUCCESS &&
            (type == REG_SZ || type == REG_EXPAND_SZ);
  if (ok) {
    std::string data(size, '\0');
    ok = RegQueryValueExA(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(&data[0]), &size) ==
         ERROR_SUCCESS;
    data.resize(size);
    while (!data.empty() && data.back() == '\0') data.pop_back();
    *value = data;
  }
  RegCloseKey(key);
  return ok;
}

std::string GuidText(REFGUID g) {
  OLECHAR wide[40];
  StringFromGUID2(g, wide, 40);
  std::string s;
  for (int i = 0; wide[i]; ++i) s.push_back(static_cast<char>(wide[i]));
  return s;
}

typedef HRESULT (*DllGetClassObjectFn)(REFCLSID, REFIID, LPVOID*);

HRESULT FromLibrary(const std::string& path, REFCLSID clsid, REFIID riid, LPVOID* ppv) {
  ClassTable& t = Table();
  void* lib = nullptr;
  {
    std::lock_guard<std::mutex> lock(t.mutex);
    auto it = t.libraries.find(path);
    if (it != t.libraries.end()) {
      lib = it->second;
    } else {
      lib = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
      if (!lib) return CO_E_DLLNOTFOUND;
      t.libraries[path] = lib;
    }
  }
  DllGetClassObjectFn get = reinterpret_cast<DllGetClassObjectFn>(dlsym(lib, "DllGetClassObject"));
  if (!get) return CO_E_ERRORINDLL;
  return get(clsid, riid, ppv);
}

}  // namespace

extern "C" {

HRESULT PlatformRegisterClass(REFCLSID clsid, LPCSTR progId, PlatformGetClassObjectFn getter) {
  if (!getter) return E_INVALIDARG;
  ClassTable& t = Table();
  std::lock_guard<std::mutex> lock(t.mutex);
  for (ClassEntry& e : t.classes) {
    if (e.clsid == clsid) {
      e.progId = progId ? progId : "";
      e.getter = getter;
      return S_OK;
    }
  }
  t.classes.push_back(ClassEntry{clsid, progId ? progId : "", getter});
  return S_OK;
}

HRESULT PlatformUnregisterClass(REFCLSID clsid) {
  ClassTable& t = Table();
  std::lock_guard<std::mutex> lock(t.mutex);
  for (auto it = t.classes.begin(); it != t.classes.end(); ++it) {
    if (it->clsid == clsid) {
      t.classes.erase(it);
      return S_OK;
    }
  }
  return S_FALSE;
}

HRESULT CLSIDFromProgID(LPCOLESTR lpszProgID, LPCLSID lpclsid) {
  if (!lpszProgID || !lpclsid) return E_INVALIDARG;
  std::string progId;
  if (!NarrowAscii(lpszProgID, &progId) || progId.empty()) return CO_E_CLASSSTRING;
  {
    ClassTable& t = Table();
    std::lock_guard<std::mutex> lock(t.mutex);
    for (const ClassEntry& e : t.classes) {
      if (!e.progId.empty() && SameProgId(e.progId, progId)) {
        *lpclsid = e.clsid;
        return S_OK;
      }
    }
  }
  std::string text;
  if (progId.find('\\') == std::string::npos && ReadDefault(progId + "\\Clsid", &text)) {
    OLECHAR wide[64];
    if (text.size() < 64) {
      for (size_t i = 0; i <= text.size(); ++i) wide[i] = static_cast<unsigned char>(text[i]);
      GUID g;
      // Parsed as a GUID only: a ProgID naming another ProgID is not followed.
      if (wide[0] == '{' && SUCCEEDED(IIDFromString(wide, &g))) {
        *lpclsid = g;
        return S_OK;
      }
    }
  }
  return CO_E_CLASSSTRING;
}

HRESULT CoGetClassObject(REFCLSID rclsid, DWORD dwClsContext, LPVOID, REFIID riid, LPVOID* ppv) {
  if (!ppv) return E_INVALIDARG;
  *ppv = nullptr;
  if (!(dwClsContext & (CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER))) return REGDB_E_CLASSNOTREG;
  PlatformGetClassObjectFn getter = nullptr;
  {
    ClassTable& t = Table();
    std::lock_guard<std::mutex> lock(t.mutex);
    for (const ClassEntry& e : t.classes)
      if (e.clsid == rclsid) getter = e.getter;
  }
  // Called outside the lock: a class object may create further classes.
  if (getter) return getter(rclsid, riid, ppv);
  std::string path;
  if (!ReadDefault("CLSID\\" + GuidText(rclsid) + "\\InprocServer32", &path) || path.empty())
    return REGDB_E_CLASSNOTREG;
  return FromLibrary(path, rclsid, riid, ppv);
}

HRESULT CoCreateInstance(REFCLSID rclsid, LPUNKNOWN pUnkOuter, DWORD dwClsContext, REFIID riid,
                         LPVOID* ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  IClassFactory* factory = nullptr;
  HRESULT hr = CoGetClassObject(rclsid, dwClsContext, nullptr, IID_IClassFactory,
                                reinterpret_cast<LPVOID*>(&factory));
  if (FAILED(hr)) return hr;
  if (!factory) return E_NOINTERFACE;
  hr = factory->CreateInstance(pUnkOuter, riid, ppv);
  factory->Release();
  if (FAILED(hr)) *ppv = nullptr;
  return hr;
}

HRESULT CoLockObjectExternal(LPUNKNOWN pUnk, BOOL fLock, BOOL) {
  if (!pUnk) return E_INVALIDARG;
  if (fLock)
    pUnk->AddRef();
  else
    pUnk->Release();
  return S_OK;
}

void CoFreeUnusedLibraries(void) {}

}  // extern "C"
