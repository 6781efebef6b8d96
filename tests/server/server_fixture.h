// A fresh server module per test: loaded in SetUp, unloaded in TearDown, so
// that every test starts from the state right after library load. Tests
// release every object and factory reference they take before they end.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/com_ptr.h"
#include "platform/win32.h"
#include "tests/server/class_identity.h"
#include "tests/server/server_module.h"

namespace qorvid {

class ServerTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // The path loaded; a test with a copy elsewhere overrides it.
  virtual std::string modulePath() const { return BuiltServerPath(); }

  ComPtr<IClassFactory> factory();
  // A new object through the factory, as the interface asked for.
  template <class T>
  ComPtr<T> create(REFIID iid) {
    ComPtr<IClassFactory> f = factory();
    T* object = nullptr;
    if (!f || FAILED(f->CreateInstance(nullptr, iid, reinterpret_cast<void**>(&object))))
      return ComPtr<T>();
    return ComPtr<T>::attach(object);
  }
  HRESULT canUnloadNow() { return module_->canUnloadNow(); }

  std::unique_ptr<ServerModule> module_;

 private:
  bool comInitialized_ = false;
};

}  // namespace qorvid
