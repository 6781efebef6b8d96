// The library's exports: the four every COM module shares, and per-user
// registration.
#include "server/exports.h"

#include <string>

#include "platform/com_object.h"
#include "server/registry_key.h"
#include "server/self_registration.h"
#include "server/server_object.h"

using namespace qorvid;

QORVID_COM_MODULE_EXPORTS(ServerObject::instance())

namespace {
// DllInstall's command line, regsvr32's /i:text: "user" for the current user's
// classes, nothing or "machine" for HKEY_CLASSES_ROOT; letter case and blanks
// around it do not count. Null for anything else.
const ClassesRoot* RootNamed(LPCWSTR commandLine) {
  std::string word;
  for (LPCWSTR c = commandLine; c && *c; ++c) {
    if (*c == ' ' || *c == '\t') {
      if (!word.empty()) word.push_back(' ');
      continue;
    }
    if (*c > 0x7F) return nullptr;
    char ascii = static_cast<char>(*c);
    word.push_back(ascii >= 'A' && ascii <= 'Z' ? static_cast<char>(ascii - 'A' + 'a') : ascii);
  }
  while (!word.empty() && word.back() == ' ') word.pop_back();
  if (word == "user") return &kUserClasses;
  if (word.empty() || word == "machine") return &kMachineClasses;
  return nullptr;
}
}  // namespace

STDAPI DllInstall(BOOL install, LPCWSTR commandLine) {
  const ClassesRoot* root = RootNamed(commandLine);
  if (!root) return E_INVALIDARG;
  ServerObject* server = ServerObject::instance();
  return platform::module_exports::ChangeRegistration(server, [&](platform::ComModule&) {
    (install ? RegisterServerClasses : UnregisterServerClasses)(*server, *root);
    return S_OK;
  });
}
