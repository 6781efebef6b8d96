#include "tests/server/server_fixture.h"

namespace qorvid {

const CLSID kQorvidClsid = {
    0x7C3E5A92, 0x1F4B, 0x4D86, {0xB2, 0xE9, 0x5A, 0x0C, 0x8D, 0x13, 0xF6, 0x47}};
const char kClsidText[] = "{7C3E5A92-1F4B-4D86-B2E9-5A0C8D13F647}";
const char kProgId[] = "AddIn.qorvid";
const char kDescription[] = "V7 AddIn 2.0";
const IID kIidHostInit = {
    0xAB634001, 0xF13D, 0x11D0, {0xA4, 0x59, 0x00, 0x40, 0x95, 0xE1, 0xDA, 0xEA}};
const IID kIidScriptExtension = {
    0xAB634003, 0xF13D, 0x11D0, {0xA4, 0x59, 0x00, 0x40, 0x95, 0xE1, 0xDA, 0xEA}};

void ServerTest::SetUp() {
  // LockServer goes through the COM runtime, which wants an apartment.
  comInitialized_ = SUCCEEDED(CoInitialize(nullptr));
  module_ = std::make_unique<ServerModule>(modulePath());
  ASSERT_TRUE(module_->loaded()) << modulePath() << ": " << module_->error();
  ASSERT_NE(module_->getClassObject, nullptr);
  ASSERT_NE(module_->canUnloadNow, nullptr);
  ASSERT_NE(module_->registerServer, nullptr);
  ASSERT_NE(module_->unregisterServer, nullptr);
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
