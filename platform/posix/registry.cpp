// The registry: three root hives kept in memory, optionally persisted to a
// text file that is rewritten (atomically, by rename) after every change.
// Key and value names compare case-insensitively, as on Windows. An open
// HKEY is a heap handle that shares ownership of its key, so a key deleted
// while a handle is open leaves that handle valid but pointing at a key
// marked deleted.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "platform/utf8_text.h"
#include "platform/win32.h"

namespace {

const LSTATUS kKeyDeleted = 1018L;  // ERROR_KEY_DELETED
const char kFileHeader[] = "qorvid-registry 1";

std::string Fold(const std::string& s) {
  std::string r = s;
  for (char& c : r)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return r;
}

struct Value {
  std::string name;
  DWORD type = REG_NONE;
  std::string data;
};

struct Key {
  std::string name;
  Key* parent = nullptr;
  bool deleted = false;
  std::map<std::string, std::shared_ptr<Key>> children;  // by folded name
  std::map<std::string, Value> values;                   // by folded name
};

struct Handle {
  std::shared_ptr<Key> key;
};

struct Registry {
  std::mutex mutex;
  std::shared_ptr<Key> roots[3];
  std::set<Handle*> handles;
  std::string file;
  bool loaded = false;
  bool failWrites = false;

  Registry() { clear(); }
  void clear() {
    const char* names[3] = {"HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE"};
    for (int i = 0; i < 3; ++i) {
      markDeleted(roots[i].get());
      roots[i] = std::make_shared<Key>();
      roots[i]->name = names[i];
    }
  }
  static void markDeleted(Key* k) {
    if (!k) return;
    k->deleted = true;
    for (auto& c : k->children) markDeleted(c.second.get());
  }
};

Registry& Reg() {
  static Registry* r = new Registry();  // outlives every static destructor
  return *r;
}

int RootIndex(HKEY h) {
  if (h == HKEY_CLASSES_ROOT) return 0;
  if (h == HKEY_CURRENT_USER) return 1;
  if (h == HKEY_LOCAL_MACHINE) return 2;
  return -1;
}

// ---- persistence -----------------------------------------------------------

// Names keep printable bytes; blanks, '%' and control bytes are %XX.
std::string Escape(const std::string& s, bool keepBlank) {
  std::string r;
  for (unsigned char c : s) {
    if (c < 0x21 || c == '%' || c == 0x7F) {
      if (c == ' ' && keepBlank) {
        r.push_back(' ');
        continue;
      }
      char buf[4];
      std::snprintf(buf, sizeof buf, "%%%02X", c);
      r += buf;
    } else {
      r.push_back(static_cast<char>(c));
    }
  }
  return r;
}

int Hex(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string Unescape(const std::string& s) {
  std::string r;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '%' && i + 2 < s.size() && Hex(s[i + 1]) >= 0 && Hex(s[i + 2]) >= 0) {
      r.push_back(static_cast<char>(Hex(s[i + 1]) * 16 + Hex(s[i + 2])));
      i += 2;
    } else {
      r.push_back(s[i]);
    }
  }
  return r;
}

std::string ToHex(const std::string& data) {
  static const char digits[] = "0123456789ABCDEF";
  std::string r;
  for (unsigned char c : data) {
    r.push_back(digits[c >> 4]);
    r.push_back(digits[c & 15]);
  }
  return r;
}

std::string FromHex(const std::string& s) {
  std::string r;
  for (size_t i = 0; i + 1 < s.size(); i += 2) {
    int hi = Hex(s[i]), lo = Hex(s[i + 1]);
    if (hi < 0 || lo < 0) break;
    r.push_back(static_cast<char>(hi * 16 + lo));
  }
  return r;
}

void Write(FILE* f, const Key& k, const std::string& path) {
  std::fprintf(f, "key %s\n", Escape(path, true).c_str());
  for (const auto& v : k.values)
    std::fprintf(f, "value %u %s %s\n", static_cast<unsigned>(v.second.type),
                 v.second.name.empty() ? "@" : Escape(v.second.name, false).c_str(),
                 ToHex(v.second.data).c_str());
  for (const auto& c : k.children) Write(f, *c.second, path + "\\" + c.second->name);
}

bool Save(Registry& r) {
  if (r.file.empty()) return true;
  std::string tmp = r.file + ".tmp";
  FILE* f = std::fopen(tmp.c_str(), "w");
  if (!f) return false;
  std::fprintf(f, "%s\n", kFileHeader);
  for (const auto& root : r.roots) Write(f, *root, root->name);
  bool ok = std::fflush(f) == 0;
  ok = std::fclose(f) == 0 && ok;
  if (!ok || std::rename(tmp.c_str(), r.file.c_str()) != 0) {
    std::remove(tmp.c_str());
    return false;
  }
  return true;
}

Key* Descend(Key* from, const std::string& path, bool create, bool* created,
             Key** firstNew = nullptr);

void Load(Registry& r) {
  r.loaded = true;
  if (r.file.empty()) return;
  FILE* f = std::fopen(r.file.c_str(), "r");
  if (!f) return;
  std::string line;
  Key* current = nullptr;
  bool header = true;
  int c;
  do {
    c = std::fgetc(f);
    if (c != '\n' && c != EOF) {
      line.push_back(static_cast<char>(c));
      continue;
    }
    if (header) {
      header = false;
      if (line != kFileHeader) break;  // not ours: leave the registry empty
    } else if (line.compare(0, 4, "key ") == 0) {
      std::string path = Unescape(line.substr(4));
      size_t slash = path.find('\\');
      std::string rootName = path.substr(0, slash);
      current = nullptr;
      for (auto& root : r.roots)
        if (Fold(root->name) == Fold(rootName)) current = root.get();
      if (current && slash != std::string::npos) {
        bool created;
        current = Descend(current, path.substr(slash + 1), true, &created);
      }
    } else if (line.compare(0, 6, "value ") == 0 && current) {
      unsigned type;
      size_t sp1 = line.find(' ', 6),
             sp2 = sp1 == std::string::npos ? sp1 : line.find(' ', sp1 + 1);
      if (sp2 != std::string::npos && std::sscanf(line.c_str() + 6, "%u", &type) == 1) {
        std::string n = line.substr(sp1 + 1, sp2 - sp1 - 1);
        Value v;
        v.name = n == "@" ? std::string() : Unescape(n);
        v.type = type;
        v.data = FromHex(line.substr(sp2 + 1));
        current->values[Fold(v.name)] = v;
      }
    }
    line.clear();
  } while (c != EOF);
  std::fclose(f);
}

// Called with the lock held: the first use loads the file QORVID_REGISTRY
// names, unless a file was set before.
void EnsureLoaded(Registry& r) {
  if (r.loaded) return;
  const char* env = std::getenv("QORVID_REGISTRY");
  if (r.file.empty() && env && *env) r.file = env;
  Load(r);
}

// ---- tree ------------------------------------------------------------------

std::vector<std::string> Split(const std::string& path) {
  std::vector<std::string> parts;
  std::string cur;
  for (char c : path) {
    if (c == '\\') {
      if (!cur.empty()) parts.push_back(cur);
      cur.clear();
    } else {
      cur.push_back(c);
    }
  }
  if (!cur.empty()) parts.push_back(cur);
  return parts;
}

// Walks (or builds) `path` below `from`; null when a part is missing.
Key* Descend(Key* from, const std::string& path, bool create, bool* created, Key** firstNew) {
  *created = false;
  if (firstNew) *firstNew = nullptr;
  Key* k = from;
  for (const std::string& part : Split(path)) {
    auto it = k->children.find(Fold(part));
    if (it == k->children.end()) {
      if (!create) return nullptr;
      auto child = std::make_shared<Key>();
      child->name = part;
      child->parent = k;
      Key* raw = child.get();
      k->children[Fold(part)] = std::move(child);
      k = raw;
      if (!*created && firstNew) *firstNew = raw;
      *created = true;
    } else {
      k = it->second.get();
    }
  }
  return k;
}

std::shared_ptr<Key> Share(Key* k) {
  if (!k->parent) {
    for (auto& root : Reg().roots)
      if (root.get() == k) return root;
    return nullptr;
  }
  return k->parent->children[Fold(k->name)];
}

// The key a handle stands for, or an error.
LSTATUS Resolve(Registry& r, HKEY h, Key** key) {
  int root = RootIndex(h);
  if (root >= 0) {
    *key = r.roots[root].get();
    return ERROR_SUCCESS;
  }
  Handle* handle = reinterpret_cast<Handle*>(h);
  if (!h || !r.handles.count(handle)) return ERROR_INVALID_HANDLE;
  if (handle->key->deleted) return kKeyDeleted;
  *key = handle->key.get();
  return ERROR_SUCCESS;
}

HKEY NewHandle(Registry& r, Key* k) {
  Handle* h = new Handle{Share(k)};
  r.handles.insert(h);
  return reinterpret_cast<HKEY>(h);
}

// The registry, loaded and locked for the length of one call.
struct LoadedRegistry {
  LoadedRegistry() : r(Reg()), lock(r.mutex) { EnsureLoaded(r); }

  // The key a handle stands for, or an error; a write to it is refused
  // while writes are made to fail.
  LSTATUS key(HKEY h, Key** key, bool writing = false) {
    if (const LSTATUS st = Resolve(r, h, key); st != ERROR_SUCCESS) return st;
    return writing && r.failWrites ? ERROR_ACCESS_DENIED : ERROR_SUCCESS;
  }

  Registry& r;
  std::lock_guard<std::mutex> lock;
};

}  // namespace

extern "C" {

LSTATUS RegCreateKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD, LPSTR, DWORD, REGSAM,
                        LPSECURITY_ATTRIBUTES, PHKEY phkResult, LPDWORD lpdwDisposition) {
  if (!phkResult) return ERROR_INVALID_PARAMETER;
  *phkResult = nullptr;
  LoadedRegistry held;
  Registry& r = held.r;
  if (r.failWrites) return ERROR_ACCESS_DENIED;
  Key* base = nullptr;
  if (const LSTATUS st = held.key(hKey, &base); st != ERROR_SUCCESS) return st;
  bool created;
  Key* firstNew;
  Key* k = Descend(base, lpSubKey ? lpSubKey : "", true, &created, &firstNew);
  if (created && !Save(r)) {
    // Undone, so that memory and file still agree.
    firstNew->deleted = true;
    firstNew->parent->children.erase(Fold(firstNew->name));
    return ERROR_ACCESS_DENIED;
  }
  *phkResult = NewHandle(r, k);
  if (lpdwDisposition) *lpdwDisposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
  return ERROR_SUCCESS;
}

LSTATUS RegOpenKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD, REGSAM, PHKEY phkResult) {
  if (!phkResult) return ERROR_INVALID_PARAMETER;
  *phkResult = nullptr;
  LoadedRegistry held;
  Registry& r = held.r;
  Key* base = nullptr;
  if (const LSTATUS st = held.key(hKey, &base); st != ERROR_SUCCESS) return st;
  bool created;
  Key* k = Descend(base, lpSubKey ? lpSubKey : "", false, &created);
  if (!k) return ERROR_FILE_NOT_FOUND;
  *phkResult = NewHandle(r, k);
  return ERROR_SUCCESS;
}

LSTATUS RegSetValueExA(HKEY hKey, LPCSTR lpValueName, DWORD, DWORD dwType, const BYTE* lpData,
                       DWORD cbData) {
  if (!lpData && cbData) return ERROR_INVALID_PARAMETER;
  LoadedRegistry held;
  Registry& r = held.r;
  Key* k = nullptr;
  if (const LSTATUS st = held.key(hKey, &k, true); st != ERROR_SUCCESS) return st;
  Value v;
  v.name = lpValueName ? lpValueName : "";
  v.type = dwType;
  v.data.assign(reinterpret_cast<const char*>(lpData), lpData ? cbData : 0);
  std::string folded = Fold(v.name);
  auto old = k->values.find(folded);
  bool hadOld = old != k->values.end();
  Value previous = hadOld ? old->second : Value();
  k->values[folded] = v;
  if (Save(r)) return ERROR_SUCCESS;
  if (hadOld)
    k->values[folded] = previous;
  else
    k->values.erase(folded);
  return ERROR_ACCESS_DENIED;
}

LSTATUS RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD, LPDWORD lpType, LPBYTE lpData,
                         LPDWORD lpcbData) {
  if (lpData && !lpcbData) return ERROR_INVALID_PARAMETER;
  LoadedRegistry held;
  Key* k = nullptr;
  if (const LSTATUS st = held.key(hKey, &k); st != ERROR_SUCCESS) return st;
  auto it = k->values.find(Fold(lpValueName ? lpValueName : ""));
  if (it == k->values.end()) return ERROR_FILE_NOT_FOUND;
  const Value& v = it->second;
  if (lpType) *lpType = v.type;
  DWORD size = static_cast<DWORD>(v.data.size());
  if (!lpcbData) return ERROR_SUCCESS;
  if (!lpData) {
    *lpcbData = size;
    return ERROR_SUCCESS;
  }
  if (*lpcbData < size) {
    *lpcbData = size;
    return ERROR_MORE_DATA;
  }
  std::memcpy(lpData, v.data.data(), size);
  *lpcbData = size;
  return ERROR_SUCCESS;
}

LSTATUS RegDeleteKeyA(HKEY hKey, LPCSTR lpSubKey) {
  if (!lpSubKey) return ERROR_INVALID_PARAMETER;
  LoadedRegistry held;
  Registry& r = held.r;
  Key* base = nullptr;
  if (const LSTATUS st = held.key(hKey, &base, true); st != ERROR_SUCCESS) return st;
  bool created;
  Key* k = Descend(base, lpSubKey, false, &created);
  if (!k) return ERROR_FILE_NOT_FOUND;
  if (!k->parent) return ERROR_ACCESS_DENIED;  // a root hive
  if (!k->children.empty()) return ERROR_ACCESS_DENIED;
  std::shared_ptr<Key> owner = Share(k);
  k->deleted = true;
  k->parent->children.erase(Fold(k->name));  // open handles still own it
  if (Save(r)) return ERROR_SUCCESS;
  k->deleted = false;
  k->parent->children[Fold(k->name)] = owner;
  return ERROR_ACCESS_DENIED;
}

LSTATUS RegCloseKey(HKEY hKey) {
  if (RootIndex(hKey) >= 0) return ERROR_SUCCESS;
  Registry& r = Reg();
  std::lock_guard<std::mutex> lock(r.mutex);
  Handle* h = reinterpret_cast<Handle*>(hKey);
  if (!hKey || !r.handles.erase(h)) return ERROR_INVALID_HANDLE;
  delete h;
  return ERROR_SUCCESS;
}

void PlatformSetRegistryFile(LPCSTR path) {
  Registry& r = Reg();
  std::lock_guard<std::mutex> lock(r.mutex);
  // A new file replaces what is in memory, as a new process would see it.
  r.file = path ? path : "";
  if (!r.file.empty()) {
    r.clear();
    Load(r);
  }
  r.loaded = true;
}

void PlatformResetRegistry(void) {
  LoadedRegistry held;
  Registry& r = held.r;
  r.clear();
  Save(r);
}

void PlatformFailRegistryWrites(BOOL fail) {
  Registry& r = Reg();
  std::lock_guard<std::mutex> lock(r.mutex);
  r.failWrites = fail != FALSE;
}

}  // extern "C"

namespace {
std::string Narrow(LPCWSTR text) {
  if (!text) return std::string();
  size_t length = 0;
  while (text[length]) ++length;
  return qorvid::platform::Utf8FromWide(text, length);
}

bool IsText(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ; }
}  // namespace

extern "C" {

LSTATUS RegCreateKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD, LPWSTR, DWORD dwOptions,
                        REGSAM samDesired, LPSECURITY_ATTRIBUTES lpSecurityAttributes,
                        PHKEY phkResult, LPDWORD lpdwDisposition) {
  return RegCreateKeyExA(hKey, lpSubKey ? Narrow(lpSubKey).c_str() : nullptr, 0, nullptr, dwOptions,
                         samDesired, lpSecurityAttributes, phkResult, lpdwDisposition);
}

LSTATUS RegOpenKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD ulOptions, REGSAM samDesired,
                      PHKEY phkResult) {
  return RegOpenKeyExA(hKey, lpSubKey ? Narrow(lpSubKey).c_str() : nullptr, ulOptions, samDesired,
                       phkResult);
}

LSTATUS RegSetValueExW(HKEY hKey, LPCWSTR lpValueName, DWORD, DWORD dwType, const BYTE* lpData,
                       DWORD cbData) {
  if (!lpData && cbData) return ERROR_INVALID_PARAMETER;
  const std::string name = Narrow(lpValueName);
  if (!IsText(dwType) || !lpData)
    return RegSetValueExA(hKey, lpValueName ? name.c_str() : nullptr, 0, dwType, lpData, cbData);
  std::vector<WCHAR> units(cbData / sizeof(WCHAR));
  std::memcpy(units.data(), lpData, units.size() * sizeof(WCHAR));
  const std::string text = qorvid::platform::Utf8FromWide(units.data(), units.size());
  return RegSetValueExA(hKey, lpValueName ? name.c_str() : nullptr, 0, dwType,
                        reinterpret_cast<const BYTE*>(text.data()),
                        static_cast<DWORD>(text.size()));
}

LSTATUS RegQueryValueExW(HKEY hKey, LPCWSTR lpValueName, LPDWORD, LPDWORD lpType, LPBYTE lpData,
                         LPDWORD lpcbData) {
  if (lpData && !lpcbData) return ERROR_INVALID_PARAMETER;
  const std::string name = Narrow(lpValueName);
  const char* named = lpValueName ? name.c_str() : nullptr;
  DWORD type = REG_NONE, size = 0;
  LSTATUS status = RegQueryValueExA(hKey, named, nullptr, &type, nullptr, &size);
  if (status != ERROR_SUCCESS) return status;
  std::string data(size, '\0');
  status = RegQueryValueExA(hKey, named, nullptr, &type, reinterpret_cast<BYTE*>(&data[0]), &size);
  if (status != ERROR_SUCCESS) return status;
  if (lpType) *lpType = type;
  if (IsText(type)) {
    const std::basic_string<WCHAR> wide = qorvid::platform::WideFromUtf8(data);
    data.assign(reinterpret_cast<const char*>(wide.data()), wide.size() * sizeof(WCHAR));
  }
  if (!lpcbData) return ERROR_SUCCESS;
  const DWORD needed = static_cast<DWORD>(data.size());
  const bool fits = *lpcbData >= needed;
  if (lpData && fits) std::memcpy(lpData, data.data(), needed);
  *lpcbData = needed;
  return lpData && !fits ? ERROR_MORE_DATA : ERROR_SUCCESS;
}

LSTATUS RegDeleteKeyW(HKEY hKey, LPCWSTR lpSubKey) {
  if (!lpSubKey) return ERROR_INVALID_PARAMETER;
  return RegDeleteKeyA(hKey, Narrow(lpSubKey).c_str());
}

}  // extern "C"
