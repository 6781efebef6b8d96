// The COM object kit: QueryInterface over the listed interfaces, the
// reference count, aggregation, and the class factory's module counts.
#include "platform/com_object.h"

#include <gtest/gtest.h>

#include "tests/platform/counting_unknown.h"

namespace {

using qorvid::platform::AggregatableObject;
using qorvid::platform::ClassFactory;
using qorvid::platform::ComModule;
using qorvid::platform::ComObject;
using qorvid::platform::Implements;

using LogAndErrors = ComObject<Implements<IErrorLog, IID_IErrorLog>,
                               Implements<ISupportErrorInfo, IID_ISupportErrorInfo>>;

// Two interfaces; records its last Release instead of deleting itself, so
// that a test can look at it afterwards.
class TwoFaced : public LogAndErrors {
 public:
  HRESULT STDMETHODCALLTYPE AddError(LPCOLESTR, EXCEPINFO*) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID iid) override {
    return implements(iid) ? S_OK : S_FALSE;
  }
  int lastReleases = 0;

 protected:
  void lastReleased() override { ++lastReleases; }
};

TEST(ComObject, AnswersIUnknownAndEachListedInterfaceWithOneIdentity) {
  TwoFaced object;
  IUnknown* identity = static_cast<IErrorLog*>(&object);
  struct Case {
    const char* name;
    const IID* iid;
    void* expected;  // null: refused
  };
  const Case cases[] = {
      {"IUnknown: the first listed interface", &IID_IUnknown, identity},
      {"first listed", &IID_IErrorLog, static_cast<IErrorLog*>(&object)},
      {"second listed", &IID_ISupportErrorInfo, static_cast<ISupportErrorInfo*>(&object)},
      {"not listed", &IID_IDispatch, nullptr},
      {"class factory", &IID_IClassFactory, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    void* out = reinterpret_cast<void*>(0x1);
    EXPECT_EQ(object.QueryInterface(*c.iid, &out), c.expected ? S_OK : E_NOINTERFACE);
    EXPECT_EQ(out, c.expected);
    EXPECT_EQ(object.refCount(), c.expected ? 2u : 1u);
    if (!c.expected) continue;
    // Back to IUnknown from the interface handed out: the same identity.
    void* back = nullptr;
    ASSERT_EQ(static_cast<IUnknown*>(out)->QueryInterface(IID_IUnknown, &back), S_OK);
    EXPECT_EQ(back, identity);
    static_cast<IUnknown*>(back)->Release();
    static_cast<IUnknown*>(out)->Release();
    EXPECT_EQ(object.refCount(), 1u);
  }
  EXPECT_EQ(object.QueryInterface(IID_IUnknown, nullptr), E_POINTER);
  EXPECT_EQ(object.InterfaceSupportsErrorInfo(IID_ISupportErrorInfo), S_OK);
  EXPECT_EQ(object.InterfaceSupportsErrorInfo(IID_IDispatch), S_FALSE);
  EXPECT_EQ(object.lastReleases, 0);
}

TEST(ComObject, TheLastReleaseEndsItOnceAndAReleaseTooManyStaysAtZero) {
  TwoFaced object;  // the creator's reference
  EXPECT_EQ(object.AddRef(), 2u);
  EXPECT_EQ(object.Release(), 1u);
  EXPECT_EQ(object.lastReleases, 0);
  EXPECT_EQ(object.Release(), 0u);
  EXPECT_EQ(object.lastReleases, 1);
  EXPECT_EQ(object.Release(), 0u);
  EXPECT_EQ(object.refCount(), 0u);
  EXPECT_EQ(object.lastReleases, 1);
}

class Aggregated : public AggregatableObject<Implements<IErrorLog, IID_IErrorLog>> {
 public:
  Aggregated(IUnknown* outer, bool* destroyed) : AggregatableObject(outer), destroyed_(destroyed) {}
  ~Aggregated() override { *destroyed_ = true; }
  HRESULT STDMETHODCALLTYPE AddError(LPCOLESTR, EXCEPINFO*) override { return S_OK; }

 private:
  bool* destroyed_;
};

TEST(AggregatableObject, CountsOnTheOuterObjectAndKeepsItsOwnInnerUnknown) {
  platform_test::CountingUnknown outer;
  bool destroyed = false;
  Aggregated* object = new Aggregated(&outer, &destroyed);
  IUnknown* inner = object->inner();
  EXPECT_EQ(inner->AddRef(), 1u);  // starts at none: the creator takes one

  // Every listed interface's IUnknown methods reach the outer object.
  IErrorLog* log = nullptr;
  ASSERT_EQ(inner->QueryInterface(IID_IErrorLog, reinterpret_cast<void**>(&log)), S_OK);
  EXPECT_EQ(outer.refs, 2);
  void* viaOuter = reinterpret_cast<void*>(0x1);
  EXPECT_EQ(log->QueryInterface(IID_IErrorLog, &viaOuter), E_NOINTERFACE);
  EXPECT_EQ(viaOuter, nullptr);
  log->Release();
  EXPECT_EQ(outer.refs, 1);

  void* self = nullptr;
  ASSERT_EQ(inner->QueryInterface(IID_IUnknown, &self), S_OK);
  EXPECT_EQ(self, inner);
  EXPECT_EQ(inner->QueryInterface(IID_IDispatch, &self), E_NOINTERFACE);
  EXPECT_EQ(inner->Release(), 1u);
  EXPECT_FALSE(destroyed);
  EXPECT_EQ(inner->Release(), 0u);
  EXPECT_TRUE(destroyed);
  EXPECT_EQ(outer.refs, 1);
}

class TestModule final : public ComModule {
 public:
  HRESULT getClassObject(REFCLSID, REFIID, void**) override { return CLASS_E_CLASSNOTAVAILABLE; }
  HRESULT registerServer() override { return S_OK; }
  HRESULT unregisterServer() override { return S_OK; }
  LONG liveObjects() const override { return live; }
  LONG live = 0;
};

HRESULT MakeNothing(IUnknown* outer, REFIID, void** out) {
  EXPECT_EQ(*out, nullptr);
  return outer ? CLASS_E_NOAGGREGATION : E_NOINTERFACE;
}

TEST(ClassFactory, ItsReferencesAndLocksKeepTheModuleLoaded) {
  TestModule module;
  ClassFactory<MakeNothing> factory(module);
  struct Step {
    const char* name;
    HRESULT (*act)(ClassFactory<MakeNothing>&, TestModule&);
    bool canUnload;
  };
  const Step steps[] = {
      {"loaded, nothing held", [](auto&, auto&) { return S_OK; }, true},
      {"a factory reference", [](auto& f, auto&) { return f.AddRef() == 1 ? S_OK : E_FAIL; },
       false},
      {"a lock as well", [](auto& f, auto&) { return f.LockServer(TRUE); }, false},
      {"the reference goes", [](auto& f, auto&) { return f.Release() == 0 ? S_OK : E_FAIL; },
       false},
      {"a release too many", [](auto& f, auto&) { return f.Release() == 0 ? S_OK : E_FAIL; },
       false},
      {"the lock goes", [](auto& f, auto&) { return f.LockServer(FALSE); }, true},
      {"a live object", [](auto&, auto& m) { return ++m.live, S_OK; }, false},
      {"it goes", [](auto&, auto& m) { return --m.live, S_OK; }, true},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.name);
    EXPECT_EQ(step.act(factory, module), S_OK);
    EXPECT_EQ(module.canUnload(), step.canUnload);
  }
}

TEST(ClassFactory, CreateInstanceEmptiesTheAnswerBeforeMakingAnything) {
  TestModule module;
  ClassFactory<MakeNothing> factory(module);
  platform_test::CountingUnknown outer;
  void* out = reinterpret_cast<void*>(0x1);
  EXPECT_EQ(factory.CreateInstance(nullptr, IID_IUnknown, nullptr), E_POINTER);
  EXPECT_EQ(factory.CreateInstance(nullptr, IID_IUnknown, &out), E_NOINTERFACE);
  EXPECT_EQ(out, nullptr);
  out = reinterpret_cast<void*>(0x1);
  EXPECT_EQ(factory.CreateInstance(&outer, IID_IUnknown, &out), CLASS_E_NOAGGREGATION);
  EXPECT_EQ(out, nullptr);
  void* self = nullptr;
  ASSERT_EQ(factory.QueryInterface(IID_IClassFactory, &self), S_OK);
  EXPECT_EQ(self, static_cast<IClassFactory*>(&factory));
  EXPECT_EQ(module.factoryReferences().count(), 1);
  factory.Release();
  EXPECT_TRUE(module.canUnload());
}

}  // namespace
