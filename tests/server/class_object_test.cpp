// The class object export and the factory's CreateInstance: which requests
// succeed, what the out pointer holds afterwards, and that nothing is left
// alive by a refused request.
#include <ostream>

#include "platform/bstr.h"
#include "protocol/host_protocol.h"
#include "tests/server/server_fixture.h"

namespace qorvid {

namespace {

const CLSID kOtherClsid = {
    0x7C3E5A92, 0x1F4B, 0x4D86, {0xB2, 0xE9, 0x5A, 0x0C, 0x8D, 0x13, 0xF6, 0x48}};
const IID kUnknownIid = {
    0x0BADF00D, 0x0000, 0x4000, {0x80, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01}};

void* const kGarbage = reinterpret_cast<void*>(0x1);

using ClassObjectTest = ServerTest;

TEST_F(ClassObjectTest, LooksUpTheOneClass) {
  struct Case {
    const char* name;
    const CLSID* clsid;
    const IID* iid;
    HRESULT expected;
  };
  const Case cases[] = {
      {"factory", &kQorvidClsid, &IID_IClassFactory, S_OK},
      {"unknown", &kQorvidClsid, &IID_IUnknown, S_OK},
      {"interface the factory lacks", &kQorvidClsid, &IID_IDispatch, E_NOINTERFACE},
      {"another class, one digit off", &kOtherClsid, &IID_IClassFactory, CLASS_E_CLASSNOTAVAILABLE},
      {"null class", &GUID_NULL, &IID_IClassFactory, CLASS_E_CLASSNOTAVAILABLE},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    void* out = kGarbage;
    EXPECT_EQ(module_->getClassObject(*c.clsid, *c.iid, &out), c.expected);
    if (c.expected == S_OK) {
      ASSERT_NE(out, nullptr);
      ASSERT_NE(out, kGarbage);
      static_cast<IUnknown*>(out)->Release();
    } else {
      EXPECT_EQ(out, nullptr);
    }
    EXPECT_EQ(canUnloadNow(), S_OK) << "no reference may stay behind";
  }
  EXPECT_EQ(module_->getClassObject(kQorvidClsid, IID_IClassFactory, nullptr), E_POINTER);
}

// A stand-in outer object for aggregation requests.
class OuterObject : public IUnknown {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** out) override {
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
  ULONG STDMETHODCALLTYPE Release() override { return --refs; }
  ULONG refs = 1;
};

struct CreateCase {
  const char* name;
  bool aggregated;
  const IID* iid;
  HRESULT expected;
};

// Test names show the case's name rather than its bytes.
void PrintTo(const CreateCase& c, std::ostream* os) { *os << c.name; }

const CreateCase kCreateCases[] = {
    {"Unknown", false, &IID_IUnknown, S_OK},
    {"ScriptExtension", false, &kIidScriptExtension, S_OK},
    {"HostInit", false, &kIidHostInit, S_OK},
    {"Dispatch", false, &IID_IDispatch, S_OK},
    {"ClassFactoryRefused", false, &IID_IClassFactory, E_NOINTERFACE},
    {"UnknownInterfaceRefused", false, &kUnknownIid, E_NOINTERFACE},
    {"AggregatedUnknown", true, &IID_IUnknown, S_OK},
    {"AggregatedScriptExtension", true, &kIidScriptExtension, CLASS_E_NOAGGREGATION},
    {"AggregatedDispatch", true, &IID_IDispatch, CLASS_E_NOAGGREGATION},
};

class CreateInstanceTest : public ServerTest, public ::testing::WithParamInterface<CreateCase> {};

TEST_P(CreateInstanceTest, AnswersAndLeavesNothingAlive) {
  const CreateCase& c = GetParam();
  OuterObject outer;
  {
    ComPtr<IClassFactory> f = factory();
    ASSERT_TRUE(f);
    void* out = kGarbage;
    EXPECT_EQ(f->CreateInstance(c.aggregated ? &outer : nullptr, *c.iid, &out), c.expected);
    if (SUCCEEDED(c.expected)) {
      ASSERT_NE(out, nullptr);
      ASSERT_NE(out, kGarbage);
      // The aggregated object hands out its own, non-delegating unknown.
      if (c.aggregated) {
        EXPECT_NE(out, static_cast<void*>(&outer));
      }
      f.reset();
      EXPECT_EQ(canUnloadNow(), S_FALSE) << "the new object is alive";
      static_cast<IUnknown*>(out)->Release();
    } else {
      EXPECT_EQ(out, nullptr);
    }
  }
  // A refused interface destroys the object again: the live count is back.
  EXPECT_EQ(canUnloadNow(), S_OK);
  EXPECT_EQ(outer.refs, 1u) << "the outer object's references are balanced";
}

INSTANTIATE_TEST_SUITE_P(Requests, CreateInstanceTest, ::testing::ValuesIn(kCreateCases),
                         [](const ::testing::TestParamInfo<CreateCase>& info) {
                           return std::string(info.param.name);
                         });

TEST_F(ClassObjectTest, NullOutPointerCreatesNothing) {
  ComPtr<IClassFactory> f = factory();
  ASSERT_TRUE(f);
  EXPECT_EQ(f->CreateInstance(nullptr, IID_IUnknown, nullptr), E_POINTER);
  f.reset();
  EXPECT_EQ(canUnloadNow(), S_OK);
}

// The Time property (number 3) is per-object state: what one object is
// given, the other does not see.
std::string TimeOf(IScriptExtension* object) {
  VARIANT value;
  VariantInit(&value);
  EXPECT_EQ(object->GetPropertyValue(3, &value), S_OK);
  std::string text = value.vt == VT_BSTR ? Bstr::attach(value.bstrVal).utf8() : "<not a text>";
  if (value.vt != VT_BSTR) VariantClear(&value);
  return text;
}

TEST_F(ClassObjectTest, TwoObjectsAreDistinctAndIndependent) {
  ComPtr<IScriptExtension> a = create<IScriptExtension>(kIidScriptExtension);
  ComPtr<IScriptExtension> b = create<IScriptExtension>(kIidScriptExtension);
  ASSERT_TRUE(a);
  ASSERT_TRUE(b);
  EXPECT_NE(a.get(), b.get());
  EXPECT_NE(a.query<IUnknown>(IID_IUnknown).get(), b.query<IUnknown>(IID_IUnknown).get());

  Bstr time = Bstr::fromUtf8("10:30");
  VARIANT value;
  VariantInit(&value);
  value.vt = VT_BSTR;
  value.bstrVal = time.get();
  EXPECT_EQ(a->SetPropertyValue(3, &value), S_OK);
  EXPECT_EQ(TimeOf(a.get()), "10:30");
  EXPECT_EQ(TimeOf(b.get()), "");

  // Releasing one leaves the other alive and working.
  a.reset();
  EXPECT_EQ(canUnloadNow(), S_FALSE);
  EXPECT_EQ(TimeOf(b.get()), "");
  b.reset();
  EXPECT_EQ(canUnloadNow(), S_OK);
}

}  // namespace

}  // namespace qorvid
