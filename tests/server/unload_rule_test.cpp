// When the library may be unloaded: no live object, no server lock, no
// factory reference. Each scenario is a sequence of steps with the answer
// DllCanUnloadNow must give after each.
#include <ostream>
#include <vector>

#include "tests/server/server_fixture.h"

namespace qorvid {

namespace {

enum class Step {
  CreateObject,    // a new object, the factory taken and released around it
  ReleaseObject,   // the newest object's last reference goes
  Lock,            // LockServer(TRUE)
  Unlock,          // LockServer(FALSE)
  TakeFactory,     // DllGetClassObject, reference kept
  AddRefFactory,   // one more reference on it
  ReleaseFactory,  // one reference less
};

struct Expect {
  Step step;
  HRESULT canUnload;
};

struct UnloadScenario {
  const char* name;
  std::vector<Expect> steps;
};

// Test names show the case's name rather than its bytes.
void PrintTo(const UnloadScenario& c, std::ostream* os) { *os << c.name; }

const UnloadScenario kScenarios[] = {
    {"OneObject", {{Step::CreateObject, S_FALSE}, {Step::ReleaseObject, S_OK}}},
    {"TwoObjects",
     {{Step::CreateObject, S_FALSE},
      {Step::CreateObject, S_FALSE},
      {Step::ReleaseObject, S_FALSE},
      {Step::ReleaseObject, S_OK}}},
    {"ServerLock", {{Step::Lock, S_FALSE}, {Step::Unlock, S_OK}}},
    {"TwoServerLocks",
     {{Step::Lock, S_FALSE}, {Step::Lock, S_FALSE}, {Step::Unlock, S_FALSE}, {Step::Unlock, S_OK}}},
    {"ServerLockOutlivesObject",
     {{Step::Lock, S_FALSE},
      {Step::CreateObject, S_FALSE},
      {Step::ReleaseObject, S_FALSE},
      {Step::Unlock, S_OK}}},
    {"ObjectOutlivesServerLock",
     {{Step::Lock, S_FALSE},
      {Step::CreateObject, S_FALSE},
      {Step::Unlock, S_FALSE},
      {Step::ReleaseObject, S_OK}}},
    {"FactoryReference",
     {{Step::TakeFactory, S_FALSE},
      {Step::AddRefFactory, S_FALSE},
      {Step::ReleaseFactory, S_FALSE},
      {Step::ReleaseFactory, S_OK}}},
    {"FactoryHeldAfterObject",
     {{Step::TakeFactory, S_FALSE},
      {Step::CreateObject, S_FALSE},
      {Step::ReleaseObject, S_FALSE},
      {Step::ReleaseFactory, S_OK}}},
};

class UnloadRuleTest : public ServerTest, public ::testing::WithParamInterface<UnloadScenario> {};

TEST_P(UnloadRuleTest, AnswersAfterEachStep) {
  EXPECT_EQ(canUnloadNow(), S_OK) << "right after load";

  std::vector<IUnknown*> objects;
  IClassFactory* held = nullptr;
  int step = 0;
  for (const Expect& e : GetParam().steps) {
    ++step;
    switch (e.step) {
      case Step::CreateObject: {
        ComPtr<IUnknown> object = create<IUnknown>(IID_IUnknown);
        ASSERT_TRUE(object) << "step " << step;
        objects.push_back(object.detach());
        break;
      }
      case Step::ReleaseObject:
        ASSERT_FALSE(objects.empty());
        objects.back()->Release();
        objects.pop_back();
        break;
      case Step::Lock:
      case Step::Unlock: {
        ComPtr<IClassFactory> f = factory();
        ASSERT_TRUE(f);
        EXPECT_EQ(f->LockServer(e.step == Step::Lock ? TRUE : FALSE), S_OK) << "step " << step;
        break;
      }
      case Step::TakeFactory:
        ASSERT_EQ(module_->getClassObject(kQorvidClsid, IID_IClassFactory,
                                          reinterpret_cast<void**>(&held)),
                  S_OK);
        break;
      case Step::AddRefFactory:
        ASSERT_NE(held, nullptr);
        held->AddRef();
        break;
      case Step::ReleaseFactory:
        ASSERT_NE(held, nullptr);
        held->Release();
        break;
    }
    EXPECT_EQ(canUnloadNow(), e.canUnload) << "after step " << step;
  }
  // A failed expectation above must not leave the module pinned.
  for (IUnknown* o : objects) o->Release();
}

INSTANTIATE_TEST_SUITE_P(Scenarios, UnloadRuleTest, ::testing::ValuesIn(kScenarios),
                         [](const ::testing::TestParamInfo<UnloadScenario>& info) {
                           return std::string(info.param.name);
                         });

using FactoryCountTest = ServerTest;

// AddRef and Release answer the new factory count; reaching zero does not
// destroy the factory, which keeps working and is the same object.
TEST_F(FactoryCountTest, ReferenceCountMovesWithoutDestroyingTheFactory) {
  IClassFactory* first = nullptr;
  ASSERT_EQ(
      module_->getClassObject(kQorvidClsid, IID_IClassFactory, reinterpret_cast<void**>(&first)),
      S_OK);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->AddRef(), 2u);
  EXPECT_EQ(first->AddRef(), 3u);
  EXPECT_EQ(first->Release(), 2u);
  EXPECT_EQ(first->Release(), 1u);
  EXPECT_EQ(first->Release(), 0u);
  EXPECT_EQ(canUnloadNow(), S_OK);

  ComPtr<IClassFactory> again = factory();
  ASSERT_TRUE(again);
  EXPECT_EQ(again.get(), first);
  IUnknown* object = nullptr;
  EXPECT_EQ(again->CreateInstance(nullptr, IID_IUnknown, reinterpret_cast<void**>(&object)), S_OK);
  ASSERT_NE(object, nullptr);
  object->Release();
}

TEST_F(FactoryCountTest, FactoryQueryInterface) {
  ComPtr<IClassFactory> f = factory();
  ASSERT_TRUE(f);
  struct Case {
    const IID* iid;
    HRESULT expected;
  };
  const Case cases[] = {{&IID_IUnknown, S_OK},
                        {&IID_IClassFactory, S_OK},
                        {&IID_IDispatch, E_NOINTERFACE},
                        {&kIidScriptExtension, E_NOINTERFACE}};
  for (const Case& c : cases) {
    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(f->QueryInterface(*c.iid, &out), c.expected);
    if (c.expected == S_OK) {
      // One identity for both interfaces.
      EXPECT_EQ(out, static_cast<void*>(f.get()));
      static_cast<IUnknown*>(out)->Release();
    } else {
      EXPECT_EQ(out, nullptr);
    }
  }
  EXPECT_EQ(f->QueryInterface(IID_IUnknown, nullptr), E_POINTER);
}

}  // namespace

}  // namespace qorvid
