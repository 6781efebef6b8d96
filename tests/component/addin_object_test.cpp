// The component object: its interfaces and identity, aggregation, its life
// under the host, and the property operations.
#include <gtest/gtest.h>

#include "component/error_text.h"
#include "component/object_count.h"
#include "host/host_connection.h"
#include "tests/component/component_fixture.h"
#include "tests/support/recording_dispatch.h"

namespace qorvid {
using namespace qorvid::host;

namespace {

TEST(AddInObjectInterfaces, TableIdentityAndErrorInfo) {
  TestComponent c;
  const struct {
    const IID* iid;
    bool answered;
  } cases[] = {{&IID_IUnknown, true},       {&IID_IScriptExtension, true},  {&IID_IHostInit, true},
               {&IID_IDispatch, true},      {&IID_ISupportErrorInfo, true}, {&IID_IErrorLog, false},
               {&IID_IClassFactory, false}, {&IID_IStatusLine, false}};
  ComPtr<ISupportErrorInfo> info = c.extension.query<ISupportErrorInfo>(IID_ISupportErrorInfo);
  ASSERT_TRUE(info);
  for (const auto& k : cases) {
    void* p = reinterpret_cast<void*>(1);
    HRESULT hr = c.init->QueryInterface(*k.iid, &p);
    EXPECT_EQ(hr, k.answered ? S_OK : E_NOINTERFACE);
    if (k.answered) {
      ComPtr<IUnknown> got = ComPtr<IUnknown>::attach(static_cast<IUnknown*>(p));
      // Every interface leads back to the one identity.
      EXPECT_EQ(got.query<IUnknown>(IID_IUnknown).get(), c.object->inner());
    } else {
      EXPECT_EQ(p, nullptr);
    }
    EXPECT_EQ(info->InterfaceSupportsErrorInfo(*k.iid), k.answered ? S_OK : S_FALSE);
  }
}

TEST(AddInObjectInterfaces, DispatchIsNotImplementedAndTouchesNothing) {
  TestComponent c;
  ComPtr<IDispatch> d = c.extension.query<IDispatch>(IID_IDispatch);
  UINT count = 77;
  ITypeInfo* type = reinterpret_cast<ITypeInfo*>(8);
  DISPID id = 55;
  LPOLESTR names[1] = {const_cast<LPOLESTR>(OLESTR("Open"))};
  Variant result = Variant::fromInt(9);
  EXPECT_EQ(d->GetTypeInfoCount(&count), E_NOTIMPL);
  EXPECT_EQ(d->GetTypeInfo(0, 0, &type), E_NOTIMPL);
  EXPECT_EQ(d->GetIDsOfNames(IID_NULL, names, 1, 0, &id), E_NOTIMPL);
  EXPECT_EQ(d->Invoke(1, IID_NULL, 0, DISPATCH_METHOD, nullptr, result.ptr(), nullptr, nullptr),
            E_NOTIMPL);
  EXPECT_EQ(count, 77u);
  EXPECT_EQ(type, reinterpret_cast<ITypeInfo*>(8));
  EXPECT_EQ(id, 55);
  EXPECT_EQ(result.get().lVal, 9);
}

TEST(AddInObjectLife, LiveCountAndRefusedInterface) {
  LONG before = LiveObjectCount();
  {
    TestComponent c;
    EXPECT_EQ(LiveObjectCount(), before + 1);
  }
  EXPECT_EQ(LiveObjectCount(), before);
  // The class factory's sequence: a refused interface destroys the object.
  auto* o = new AddInObject(nullptr);
  o->inner()->AddRef();
  void* p = nullptr;
  EXPECT_EQ(o->inner()->QueryInterface(IID_IClassFactory, &p), E_NOINTERFACE);
  o->inner()->Release();
  EXPECT_EQ(LiveObjectCount(), before);
}

// An aggregating object: it owns the component's inner unknown and counts
// what reaches its own IUnknown.
class Outer : public IUnknown {
 public:
  ULONG adds = 0, releases = 0;
  IUnknown* inner = nullptr;
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (IsEqualIID(iid, IID_IUnknown)) {
      *out = this;
      AddRef();
      return S_OK;
    }
    return inner->QueryInterface(iid, out);
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++adds; }
  ULONG STDMETHODCALLTYPE Release() override { return ++releases; }
};

TEST(AddInObjectLife, AggregatedObjectDelegatesToItsOuter) {
  LONG before = LiveObjectCount();
  Outer outer;
  auto* o = new AddInObject(&outer);
  o->inner()->AddRef();
  outer.inner = o->inner();
  void* p = nullptr;
  ASSERT_EQ(o->inner()->QueryInterface(IID_IHostInit, &p), S_OK);
  IHostInit* init = static_cast<IHostInit*>(p);
  EXPECT_EQ(outer.adds, 1u);  // the interface's reference is the outer's
  void* identity = nullptr;
  init->QueryInterface(IID_IUnknown, &identity);
  EXPECT_EQ(identity, static_cast<IUnknown*>(&outer));
  init->Release();
  static_cast<IUnknown*>(identity)->Release();
  EXPECT_EQ(outer.adds, outer.releases);
  o->inner()->Release();
  EXPECT_EQ(LiveObjectCount(), before);
}

struct HostLifeTest : ::testing::Test {
  ComPtr<HostConnection> host = HostConnection::create();
};

TEST_F(HostLifeTest, InitializeTakesAndShutdownGivesBackHostReferences) {
  {
    TestComponent c;
    c.init->Initialize(host.get());
    EXPECT_EQ(host->refCount(), 3u);  // hostConnection and errorLog
    EXPECT_EQ(host->statusLineRefs(), 2u);
    EXPECT_EQ(host->asyncEventRefs(), 2u);
    EXPECT_EQ(host->extWndsSupportRefs(), 2u);
    c.init->Shutdown();
    EXPECT_EQ(host->refCount(), 2u);  // hostConnection stays until the end
    EXPECT_EQ(host->statusLineRefs(), 1u);
    EXPECT_EQ(host->asyncEventRefs(), 1u);
    EXPECT_EQ(host->extWndsSupportRefs(), 1u);
    EXPECT_FALSE(c.state().lists.has_value());
    c.init->Shutdown();  // twice is harmless
  }
  EXPECT_EQ(host->refCount(), 1u);
  EXPECT_EQ(host->application().refCount(), 1u);
}

TEST_F(HostLifeTest, AHostOfferingSomeInterfacesIsEnough) {
  for (int offers : {0, HostConnection::OffersStatusLine | HostConnection::OffersAsyncEvent}) {
    ComPtr<HostConnection> partial = HostConnection::create(offers);
    TestComponent c;
    EXPECT_EQ(c.init->Initialize(partial.get()), S_OK);
    EXPECT_TRUE(c.state().lists.has_value());
    Variant value;
    EXPECT_EQ(c.extension->GetPropertyValue(c.property("EOF"), value.ptr()), S_OK);  // logs nowhere
    EXPECT_EQ(c.init->Shutdown(), S_OK);
  }
  TestComponent none;
  EXPECT_EQ(none.init->Initialize(nullptr), S_OK);
  EXPECT_EQ(none.init->Shutdown(), S_OK);
}

TEST_F(HostLifeTest, ShutdownDropsAdoObjectsWithoutClosingThem) {
  RecordingDispatch connection, recordset;
  TestComponent c;
  c.init->Initialize(host.get());
  c.state().adoConnection = DispatchValue(&connection);
  c.state().recordset = DispatchValue(&recordset);
  c.init->Shutdown();
  EXPECT_TRUE(connection.calls().empty());
  EXPECT_EQ(connection.refCount(), 1u);
  EXPECT_EQ(recordset.refCount(), 1u);
  for (const Variant* v : {&c.state().adoConnection, &c.state().recordset}) {
    ASSERT_EQ(v->vt(), VT_BSTR);
    EXPECT_EQ(SysStringLen(v->get().bstrVal), 0u);
  }
}

TEST(AddInObjectVersion, WritesTheTextTwoThousand) {
  TestComponent c;
  ParamArray info{Variant()};
  EXPECT_EQ(c.init->GetVersionInfo(info.ptr()), S_OK);
  Variant element = info.at(0);
  ASSERT_EQ(element.vt(), VT_BSTR);
  EXPECT_EQ(ValueText(element), "2000");
  EXPECT_EQ(c.init->GetVersionInfo(nullptr), S_OK);
}

struct PropertyTest : ::testing::Test {
  ComPtr<HostConnection> host = HostConnection::create();
  TestComponent c;
  void SetUp() override { c.init->Initialize(host.get()); }
  void TearDown() override { c.init->Shutdown(); }
};

TEST_F(PropertyTest, EofBeforeAnyExecuteLogsAndLeavesErrorMsgAlone) {
  ErrorText() = "kept";
  Variant value = Variant::fromInt(3);
  EXPECT_EQ(c.extension->GetPropertyValue(c.property("EOF"), value.ptr()), S_OK);
  EXPECT_EQ(value.vt(), VT_EMPTY);
  ASSERT_EQ(host->errorLog().size(), 1u);
  EXPECT_EQ(host->errorLog()[0].descriptionText(),
            std::string("Ошибка чтения свойства: ") + "Variant does not reference an automation object");
  EXPECT_EQ(host->errorLog()[0].code, 1006);
  EXPECT_EQ(c.errorMsg(), "kept");
}

TEST_F(PropertyTest, EofIsAnIntegerFlag) {
  for (bool atEnd : {true, false}) {
    RecordingDispatch recordset;
    recordset.answer("EOF", Variant::fromBool(atEnd));
    c.state().recordset = DispatchValue(&recordset);
    Variant value;
    EXPECT_EQ(c.extension->GetPropertyValue(256 + c.property("EOF"), value.ptr()), S_OK);
    ASSERT_EQ(value.vt(), VT_I4);
    EXPECT_EQ(value.get().lVal, atEnd ? 1 : 0);
    ASSERT_EQ(recordset.calls().size(), 1u);
    EXPECT_EQ(recordset.calls()[0].flags, DISPATCH_METHOD | DISPATCH_PROPERTYGET);
    c.state().recordset.clear();
  }
}

TEST_F(PropertyTest, ReadsAndTheOneWrite) {
  c.state().fieldsCount = 7;
  Variant value;
  EXPECT_EQ(c.extension->GetPropertyValue(c.property("FieldsCount"), value.ptr()), S_OK);
  EXPECT_EQ(value.vt(), VT_I4);
  EXPECT_EQ(value.get().lVal, 7);

  const struct {
    Variant written;
    std::string read;
  } writes[] = {
      {Variant::fromUtf8(" 12:30 "), " 12:30 "}, {Variant::fromInt(5), "5"}, {Variant(), ""}};
  for (const auto& w : writes) {
    Variant in = w.written;
    EXPECT_EQ(c.extension->SetPropertyValue(c.property("Time"), in.ptr()), S_OK);
    EXPECT_EQ(c.extension->GetPropertyValue(c.property("Time"), value.ptr()), S_OK);
    ASSERT_EQ(value.vt(), VT_BSTR);
    EXPECT_EQ(ValueText(value), w.read);
  }
  Variant text = Variant::fromUtf8("x");
  for (long readOnly :
       {c.property("ErrorMsg"), c.property("EOF"), c.property("FieldsCount"), kPropertyCount}) {
    EXPECT_EQ(c.extension->SetPropertyValue(readOnly, text.ptr()), S_FALSE);
  }
  EXPECT_EQ(c.extension->GetPropertyValue(kPropertyCount, value.ptr()), S_FALSE);
  EXPECT_EQ(value.vt(), VT_EMPTY);
  EXPECT_TRUE(host->errorLog().empty());
}

TEST_F(PropertyTest, FailedWriteLogsAndKeepsTime) {
  c.state().timeText = "10:00";
  ErrorText() = "kept";
  Variant list;
  list.get().vt = VT_ARRAY | VT_VARIANT;
  list.get().parray = SafeArrayCreateVector(VT_VARIANT, 0, 1);
  EXPECT_EQ(c.extension->SetPropertyValue(c.property("Time"), list.ptr()), S_OK);
  EXPECT_EQ(c.state().timeText, "10:00");
  ASSERT_EQ(host->errorLog().size(), 1u);
  EXPECT_EQ(host->errorLog()[0].descriptionText(),
            std::string("Ошибка установки свойства: ") + "Invalid variant type conversion");
  EXPECT_EQ(c.errorMsg(), "kept");
}

}  // namespace

}  // namespace qorvid
