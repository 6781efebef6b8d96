// Class creation through the in-process class table and through a library
// registered under InprocServer32.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <string>

#include "platform/win32.h"
#include "tests/platform/counting_unknown.h"
#include "tests/platform_module/test_module.h"

namespace {

using platform_test::CountingUnknown;

// {D4C1E2F3-1111-4A2B-8C3D-5E6F7A8B9C0D}
const CLSID kTableClass = {
    0xD4C1E2F3, 0x1111, 0x4A2B, {0x8C, 0x3D, 0x5E, 0x6F, 0x7A, 0x8B, 0x9C, 0x0D}};

CountingUnknown g_product;

class CountingFactory : public IClassFactory {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
    *ppv = nullptr;
    if (!IsEqualIID(riid, IID_IClassFactory) && !IsEqualIID(riid, IID_IUnknown))
      return E_NOINTERFACE;
    *ppv = this;
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
  ULONG STDMETHODCALLTYPE Release() override { return --refs; }
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown*, REFIID riid, void** ppv) override {
    return g_product.QueryInterface(riid, ppv);
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
  ULONG refs = 1;
};

CountingFactory g_factory;

HRESULT GetTableClass(REFCLSID clsid, REFIID riid, LPVOID* ppv) {
  if (!IsEqualCLSID(clsid, kTableClass)) return CLASS_E_CLASSNOTAVAILABLE;
  return g_factory.QueryInterface(riid, ppv);
}

void SetDefault(const std::string& key, const std::string& value) {
  HKEY k = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &k,
                            nullptr),
            ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueExA(k, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                           DWORD(value.size() + 1)),
            ERROR_SUCCESS);
  RegCloseKey(k);
}

class ClassTable : public ::testing::Test {
 protected:
  void SetUp() override {
    // Kept in memory only: a registry file named in the environment must
    // not be emptied by TearDown.
    PlatformSetRegistryFile(nullptr);
    ASSERT_EQ(PlatformRegisterClass(kTableClass, "Qorvid.TableTest", GetTableClass), S_OK);
  }
  void TearDown() override {
    PlatformUnregisterClass(kTableClass);
    PlatformResetRegistry();
  }
};

TEST_F(ClassTable, ProgIdLookupIgnoresCase) {
  const OLECHAR* names[] = {OLESTR("Qorvid.TableTest"), OLESTR("qorvid.tabletest")};
  for (const OLECHAR* name : names) {
    CLSID c = GUID_NULL;
    EXPECT_EQ(CLSIDFromProgID(name, &c), S_OK);
    EXPECT_TRUE(IsEqualCLSID(c, kTableClass));
    c = GUID_NULL;
    EXPECT_EQ(CLSIDFromString(name, &c), S_OK) << "a ProgID is a class string too";
    EXPECT_TRUE(IsEqualCLSID(c, kTableClass));
  }
  CLSID c;
  EXPECT_EQ(CLSIDFromProgID(OLESTR("Qorvid.NoSuchClass"), &c), CO_E_CLASSSTRING);
  EXPECT_EQ(CLSIDFromProgID(OLESTR(""), &c), CO_E_CLASSSTRING);
}

TEST_F(ClassTable, CreateInstanceReleasesTheFactory) {
  IUnknown* obj = nullptr;
  ASSERT_EQ(CoCreateInstance(kTableClass, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                             reinterpret_cast<void**>(&obj)),
            S_OK);
  EXPECT_EQ(obj, &g_product);
  EXPECT_EQ(g_product.refs, 2);
  EXPECT_EQ(g_factory.refs, 1);
  obj->Release();

  IDispatch* disp = reinterpret_cast<IDispatch*>(1);
  EXPECT_EQ(CoCreateInstance(kTableClass, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                             reinterpret_cast<void**>(&disp)),
            E_NOINTERFACE);
  EXPECT_EQ(disp, nullptr);
  EXPECT_EQ(g_factory.refs, 1);
  EXPECT_EQ(g_product.refs, 1);
}

TEST_F(ClassTable, UnknownOrUnregisteredClass) {
  IUnknown* obj = reinterpret_cast<IUnknown*>(1);
  EXPECT_EQ(CoCreateInstance(IID_IDispatch, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                             reinterpret_cast<void**>(&obj)),
            REGDB_E_CLASSNOTREG);
  EXPECT_EQ(obj, nullptr);
  PlatformUnregisterClass(kTableClass);
  EXPECT_EQ(CoCreateInstance(kTableClass, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                             reinterpret_cast<void**>(&obj)),
            REGDB_E_CLASSNOTREG);
  CLSID c;
  EXPECT_EQ(CLSIDFromProgID(OLESTR("Qorvid.TableTest"), &c), CO_E_CLASSSTRING);
}

TEST_F(ClassTable, ProgIdFromTheRegistry) {
  SetDefault("Qorvid.RegistryOnly\\Clsid", "{D4C1E2F3-1111-4A2B-8C3D-5E6F7A8B9C0D}");
  SetDefault("Qorvid.BadClsid\\Clsid", "not a guid");
  CLSID c = GUID_NULL;
  EXPECT_EQ(CLSIDFromProgID(OLESTR("qorvid.registryonly"), &c), S_OK);
  EXPECT_TRUE(IsEqualCLSID(c, kTableClass));
  EXPECT_EQ(CLSIDFromProgID(OLESTR("Qorvid.BadClsid"), &c), CO_E_CLASSSTRING);
}

TEST_F(ClassTable, LockObjectExternalHoldsAReference) {
  CountingUnknown obj;
  EXPECT_EQ(CoLockObjectExternal(&obj, TRUE, TRUE), S_OK);
  EXPECT_EQ(obj.refs, 2);
  EXPECT_EQ(CoLockObjectExternal(&obj, FALSE, TRUE), S_OK);
  EXPECT_EQ(obj.refs, 1);
}

#ifdef QORVID_TEST_MODULE
TEST_F(ClassTable, LoadsARegisteredInprocServer) {
  OLECHAR text[40];
  StringFromGUID2(CLSID_QorvidTestModuleObject, text, 40);
  std::string clsid(text, text + 38);
  SetDefault("CLSID\\" + clsid + "\\InprocServer32", QORVID_TEST_MODULE);
  SetDefault("Qorvid.ModuleTest\\CLSID", clsid);

  CLSID c = GUID_NULL;
  ASSERT_EQ(CLSIDFromProgID(OLESTR("Qorvid.ModuleTest"), &c), S_OK);
  EXPECT_TRUE(IsEqualCLSID(c, CLSID_QorvidTestModuleObject));
  IUnknown* obj = nullptr;
  ASSERT_EQ(CoCreateInstance(c, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                             reinterpret_cast<void**>(&obj)),
            S_OK);
  ASSERT_NE(obj, nullptr);

  void* lib = dlopen(QORVID_TEST_MODULE, RTLD_NOW | RTLD_NOLOAD);
  ASSERT_NE(lib, nullptr) << "the runtime keeps the library loaded";
  auto objects = reinterpret_cast<LONG (*)()>(dlsym(lib, "QorvidTestModuleObjects"));
  ASSERT_NE(objects, nullptr);
  EXPECT_EQ(objects(), 1);
  obj->Release();
  EXPECT_EQ(objects(), 0);

  // The module's own answer for a class it does not serve comes through.
  SetDefault("CLSID\\{D4C1E2F3-2222-4A2B-8C3D-5E6F7A8B9C0D}\\InprocServer32", QORVID_TEST_MODULE);
  CLSID other;
  ASSERT_EQ(CLSIDFromString(OLESTR("{D4C1E2F3-2222-4A2B-8C3D-5E6F7A8B9C0D}"), &other), S_OK);
  EXPECT_EQ(CoCreateInstance(other, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                             reinterpret_cast<void**>(&obj)),
            CLASS_E_CLASSNOTAVAILABLE);
  dlclose(lib);
}
#endif

TEST_F(ClassTable, MissingInprocServerFails) {
  SetDefault("CLSID\\{D4C1E2F3-3333-4A2B-8C3D-5E6F7A8B9C0D}\\InprocServer32",
             "/nonexistent/libnothing.so");
  CLSID c;
  ASSERT_EQ(CLSIDFromString(OLESTR("{D4C1E2F3-3333-4A2B-8C3D-5E6F7A8B9C0D}"), &c), S_OK);
  IUnknown* obj = nullptr;
  EXPECT_TRUE(FAILED(CoCreateInstance(c, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                                      reinterpret_cast<void**>(&obj))));
  EXPECT_EQ(obj, nullptr);
}

}  // namespace
