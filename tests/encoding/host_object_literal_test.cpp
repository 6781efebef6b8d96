// Host objects bound by a script, end to end: a component object initialised
// by the reference host renders them through the host's own
// "AppDispatch" and "ValueToStringInternal".
#include <gtest/gtest.h>

#include <vector>

#include "automation/automation.h"
#include "automation/cp1251.h"
#include "component/addin_object.h"
#include "host/host_connection.h"
#include "host/host_object.h"

namespace qorvid {
using namespace qorvid::host;

namespace {

const long kBind = 8;
const long kErrorMsg = 0;
const long kTime = 3;

class HostObjectLiteralTest : public ::testing::Test {
 protected:
  void SetUp() override {
    AddInObject* object = new AddInObject();
    object->inner()->AddRef();
    component_ = object;
    extension_ = ComPtr<IScriptExtension>(object);
    init_ = ComPtr<IHostInit>(object);
    object->inner()->Release();
    init_->Initialize(host_.get());
  }
  void TearDown() override { init_->Shutdown(); }

  void bind(const Variant& value) {
    SAFEARRAY* parameters = SafeArrayCreateVector(VT_VARIANT, 0, 1);
    LONG index = 0;
    SafeArrayPutElement(parameters, &index, const_cast<VARIANT*>(value.ptr()));
    Variant result;
    extension_->CallAsFunction(kBind, result.ptr(), &parameters);
    SafeArrayDestroy(parameters);
  }
  std::string errorMsg() {
    Variant v;
    extension_->GetPropertyValue(kErrorMsg, v.ptr());
    return ValueText(v);
  }
  const TextList& bound() { return *component_->state().boundValues; }

  ComPtr<HostConnection> host_ = HostConnection::create();
  AddInObject* component_ = nullptr;
  ComPtr<IScriptExtension> extension_;
  ComPtr<IHostInit> init_;
};

TEST_F(HostObjectLiteralTest, BindsTheQuotedKeyOfEitherInternalForm) {
  ComPtr<HostObject> item = HostObject::create("O", 1, 5, "   ");
  ComPtr<HostObject> document = HostObject::create("D", 123456, 2147483646, "ABC");
  ComPtr<HostObject> longForm = HostObject::create("O", 1, 5, "   ");
  longForm->answerLongForm();
  const ULONG applicationRefs = host_->application().refCount();
  const ULONG itemRefs = item->refCount();

  for (HostObject* object : {item.get(), document.get(), longForm.get()}) {
    bind(Variant::fromDispatch(object));
    EXPECT_EQ(errorMsg(), "");
  }
  const std::vector<std::string> expected = {"'O_____1_____5___'", "'D__2N9CZIK0ZIABC'",
                                             "'O_____1_____5___'"};
  EXPECT_EQ(bound(), expected);
  EXPECT_EQ(host_->appDispatchCalls(), 3);
  EXPECT_EQ(host_->application().refCount(), applicationRefs);
  EXPECT_EQ(item->refCount(), itemRefs);
}

TEST_F(HostObjectLiteralTest, MalformedInternalFormFailsTheBindAndKeepsTime) {
  const struct {
    const char* answer;
    std::string message;
  } cases[] = {
      {"{\"O\",\"0\",\"0\",\"         1\",\"0\",\"0\"}",
       CP1251("Неправильный размер списка, ожидается 7")},
      {"{\"O\",\"0\",\"0\",\"1 \",\"0\",\"0\",\"         5   \"}",
       "'1 ' is not a valid integer value"},
  };
  Variant time = Variant::fromAnsi("10:20");
  extension_->SetPropertyValue(kTime, time.ptr());
  for (const auto& c : cases) {
    ComPtr<HostObject> object = HostObject::create("O", 1, 5, "   ");
    object->answerText(c.answer);
    host_->clearErrorLog();
    bind(Variant::fromDispatch(object.get()));
    EXPECT_EQ(errorMsg().substr(0, c.message.size()), c.message);
    ASSERT_EQ(host_->errorLog().size(), 1u);
    EXPECT_EQ(host_->errorLog()[0].descriptionAnsi().substr(0, c.message.size()), c.message);
    EXPECT_EQ(object->refCount(), 1u);
  }
  EXPECT_TRUE(bound().empty());
  // The time text is still there for the next date.
  bind(Variant::fromDate(38051));
  EXPECT_EQ(bound().back(), "CDate('2004-03-05 10:20')");
}

}  // namespace

}  // namespace qorvid
