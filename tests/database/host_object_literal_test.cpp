// Host objects bound by a script, end to end: a component object initialised
// by the reference host renders them through the host's own
// "AppDispatch" and "ValueToStringInternal".
#include <gtest/gtest.h>

#include <vector>

#include "automation/automation.h"
#include "host/host_connection.h"
#include "host/host_object.h"
#include "tests/component/component_fixture.h"

namespace qorvid {
using namespace qorvid::host;

namespace {

class HostObjectLiteralTest : public ::testing::Test {
 protected:
  void SetUp() override { component_.init->Initialize(host_.get()); }
  void TearDown() override { component_.init->Shutdown(); }

  void bind(const Variant& value) { component_.call("Bind", {value}); }
  std::string errorMsg() { return component_.errorMsg(); }
  const TextList& bound() { return component_.state().lists->boundValues; }

  ComPtr<HostConnection> host_ = HostConnection::create();
  TestComponent component_;
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
       std::string("Неправильный размер списка, ожидается 7")},
      {"{\"O\",\"0\",\"0\",\"1 \",\"0\",\"0\",\"         5   \"}",
       "'1 ' is not a valid integer value"},
  };
  component_.set("Time", Variant::fromUtf8("10:20"));
  for (const auto& c : cases) {
    ComPtr<HostObject> object = HostObject::create("O", 1, 5, "   ");
    object->answerText(c.answer);
    host_->clearErrorLog();
    bind(Variant::fromDispatch(object.get()));
    EXPECT_EQ(errorMsg().substr(0, c.message.size()), c.message);
    ASSERT_EQ(host_->errorLog().size(), 1u);
    EXPECT_EQ(host_->errorLog()[0].descriptionText().substr(0, c.message.size()), c.message);
    EXPECT_EQ(object->refCount(), 1u);
  }
  EXPECT_TRUE(bound().empty());
  // The time text is still there for the next date.
  bind(Variant::fromDate(38051));
  EXPECT_EQ(bound().back(), "CDate('2004-03-05 10:20')");
}

}  // namespace

}  // namespace qorvid
