// The server module under test, loaded from a file the way the COM runtime
// loads an in-process server, with its entry points found by name. The
// loading itself is the one part that differs between the two sides
// (server_module_posix.cpp, server_module_win32.cpp).
#pragma once

#include <string>

#include "platform/win32.h"

namespace qorvid {

typedef HRESULT(STDAPICALLTYPE* GetClassObjectFn)(REFCLSID, REFIID, LPVOID*);
typedef HRESULT(STDAPICALLTYPE* ServerFn)();
typedef HRESULT(STDAPICALLTYPE* InstallFn)(BOOL, LPCWSTR);

class ServerModule {
 public:
  // Loads the module at path; loaded() tells whether that worked.
  explicit ServerModule(const std::string& path);
  ~ServerModule();  // unloads it again
  ServerModule(const ServerModule&) = delete;
  ServerModule& operator=(const ServerModule&) = delete;

  bool loaded() const { return handle_ != nullptr; }
  // What the system gives as the module's file name, or empty.
  std::string fileName() const;
  const std::string& error() const { return error_; }

  GetClassObjectFn getClassObject = nullptr;
  ServerFn canUnloadNow = nullptr;
  ServerFn registerServer = nullptr;
  ServerFn unregisterServer = nullptr;
  InstallFn install = nullptr;

 private:
  void* symbol(const char* name);
  void* handle_ = nullptr;
  std::string error_;
};

// The module built next to these tests.
std::string BuiltServerPath();

}  // namespace qorvid
