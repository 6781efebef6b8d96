// The class object behind "ADODB.Connection" and the module's unload answer.
#include "ado/class_factory.h"

#include <gtest/gtest.h>

#include "ado/ado_registration.h"
#include "platform/com_ptr.h"

namespace qorvid::ado {

namespace {

TEST(AdoClassFactory, CreatesConnectionsAndRefusesWhatItCannotGive) {
  AdoRegisterInProcess();
  AdoRegisterInProcess();  // a second call changes nothing
  CLSID clsid;
  ASSERT_EQ(S_OK, CLSIDFromProgID(OLESTR("ADODB.Connection"), &clsid));
  EXPECT_TRUE(IsEqualCLSID(CLSID_QorvidAdoConnection, clsid));

  ComPtr<IClassFactory> factory;
  ASSERT_EQ(S_OK, AdoGetClassObject(clsid, IID_IClassFactory, factory.putVoid()));
  EXPECT_FALSE(AdoCanUnload());

  ComPtr<IUnknown> outer;
  ASSERT_EQ(S_OK, factory->CreateInstance(nullptr, IID_IUnknown, outer.putVoid()));
  struct {
    IUnknown* outer;
    const IID* iid;
    HRESULT expected;
  } cases[] = {
      {nullptr, &IID_IDispatch, S_OK},
      {nullptr, &IID_IUnknown, S_OK},
      {nullptr, &IID_IClassFactory, E_NOINTERFACE},
      {outer.get(), &IID_IDispatch, CLASS_E_NOAGGREGATION},
  };
  for (const auto& c : cases) {
    void* object = reinterpret_cast<void*>(1);
    EXPECT_EQ(c.expected, factory->CreateInstance(c.outer, *c.iid, &object));
    if (SUCCEEDED(c.expected))
      ComPtr<IUnknown>::attach(static_cast<IUnknown*>(object));
    else
      EXPECT_EQ(nullptr, object);
  }
  EXPECT_EQ(E_POINTER, factory->CreateInstance(nullptr, IID_IDispatch, nullptr));

  ComPtr<IClassFactory> none;
  EXPECT_EQ(CLASS_E_CLASSNOTAVAILABLE,
            AdoGetClassObject(IID_IDispatch, IID_IClassFactory, none.putVoid()));

  // Locks and live objects both keep the module; when all are gone it may go.
  EXPECT_EQ(S_OK, factory->LockServer(TRUE));
  outer.reset();
  factory.reset();
  EXPECT_FALSE(AdoCanUnload());
  ASSERT_EQ(S_OK, AdoGetClassObject(clsid, IID_IClassFactory, factory.putVoid()));
  EXPECT_EQ(S_OK, factory->LockServer(FALSE));
  factory.reset();
  EXPECT_TRUE(AdoCanUnload());
}

}  // namespace

}  // namespace qorvid::ado
