#include "tests/server/server_fixture.h"

namespace qorvid {

void ServerTest::SetUp() {
  // LockServer goes through the COM runtime, which wants an apartment.
  comInitialized_ = SUCCEEDED(CoInitialize(nullptr));
  module_ = std::make_unique<ServerModule>(modulePath());
  ASSERT_TRUE(module_->loaded()) << modulePath() << ": " << module_->error();
  ASSERT_NE(module_->getClassObject, nullptr);
  ASSERT_NE(module_->canUnloadNow, nullptr);
  ASSERT_NE(module_->registerServer, nullptr);
  ASSERT_NE(module_->unregisterServer, nullptr);
  ASSERT_NE(module_->install, nullptr);
}

void ServerTest::TearDown() {
  module_.reset();
  if (comInitialized_) CoUninitialize();
}

ComPtr<IClassFactory> ServerTest::factory() {
  IClassFactory* f = nullptr;
  if (FAILED(
          module_->getClassObject(kQorvidClsid, IID_IClassFactory, reinterpret_cast<void**>(&f))))
    return ComPtr<IClassFactory>();
  return ComPtr<IClassFactory>::attach(f);
}

}  // namespace qorvid
