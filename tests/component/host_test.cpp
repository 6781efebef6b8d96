// The reference host as the component reaches it: late-bound through the
// component's own call layer.
#include <gtest/gtest.h>

#include "automation/automation.h"
#include "host/host_connection.h"
#include "host/host_object.h"
#include "protocol/host_protocol.h"

namespace qorvid {
using namespace qorvid::host;

namespace {

std::string FailureOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const ComponentError& e) {
    return e.message();
  }
  return "<no failure>";
}

// The expression the component sends for an internal string form.
std::string FromInternal(const std::string& internal) {
  std::string escaped;
  for (char ch : internal) escaped += ch == '"' ? std::string("\"\"") : std::string(1, ch);
  return std::string("ЗначениеИзСтрокиВнутр") + "(\"" + escaped + "\")";
}

struct HostTest : ::testing::Test {
  ComPtr<HostConnection> host = HostConnection::create();
  Variant connection = Variant::fromDispatch(host.get());
  Variant app() { return Automation(connection).get("AppDispatch"); }
};

TEST_F(HostTest, EvalExprRebuildsHostObjectsFromBothForms) {
  const struct {
    std::string internal;
    const char* typeId;
    LONG first, object;
    const char* suffix;
  } cases[] = {
      {"{\"O\",\"0\",\"0\",\"         1\",\"0\",\"0\",\"         5   \"}", "O", 1, 5, "   "},
      {"{\"O\",\"0\",\"0\",\"0\",\"0\",\"0\",\"         1         5   \"}", "O", 1, 5, "   "},
      {"{\"D\",\"0\",\"0\",\"    123456\",\"0\",\"0\",\"2147483646ABC\"}", "D", 123456, 2147483646,
       "ABC"},
  };
  for (const auto& k : cases) {
    Variant application = app();
    std::string expression = FromInternal(k.internal);
    Variant object = Automation(application).call("EvalExpr", {byValue(expression)});
    ASSERT_EQ(object.vt(), VT_DISPATCH) << k.internal;
    EXPECT_EQ(ValueText(Automation(object).get("TypeId")), k.typeId);
    EXPECT_EQ(IntegerValue(Automation(object).get("FirstNumber")), k.first);
    EXPECT_EQ(IntegerValue(Automation(object).get("ObjectNumber")), k.object);
    EXPECT_EQ(ValueText(Automation(object).get("Suffix")), k.suffix);
    EXPECT_EQ(HostObject::from(object.get().pdispVal)->refCount(), 1u);
  }
  EXPECT_EQ(host->application().evalExprCalls(), 3);
}

TEST_F(HostTest, EvalExprRefusesEverythingElse) {
  const std::string good = "{\"O\",\"0\",\"0\",\"         1\",\"0\",\"0\",\"         5   \"}";
  const std::string cases[] = {
      "1 + 1",
      FromInternal(good) + " ",
      std::string("значениеИзСтрокиВнутр") + "(\"\")",
      std::string("ЗначениеИзСтрокиВнутр") + "(\"" + good + "\")",  // quotes not doubled
      FromInternal("{\"O\",\"0\",\"0\"}"),
      FromInternal("{\"OO\",\"0\",\"0\",\"         1\",\"0\",\"0\",\"         5   \"}"),
      FromInternal("{\"O\",\"0\",\"0\",\"        x1\",\"0\",\"0\",\"         5   \"}"),
  };
  for (const std::string& expression : cases) {
    Variant application = app();
    std::string message =
        FailureOf([&] { Automation(application).call("EvalExpr", {byValue(expression)}); });
    EXPECT_EQ(message.compare(0, 9, "EvalExpr:"), 0) << expression << " -> " << message;
  }
}

TEST_F(HostTest, ValueToStringInternalGivesTheObjectsForm) {
  ComPtr<HostObject> object = HostObject::create("D", 123456, 2147483646, "ABC");
  Variant value = Variant::fromDispatch(object.get());
  Variant application = app();
  const std::string shortForm = "{\"D\",\"0\",\"0\",\"    123456\",\"0\",\"0\",\"2147483646ABC\"}";
  EXPECT_EQ(ValueText(Automation(application).call("ValueToStringInternal", {byRef(value.get())})),
            shortForm);
  EXPECT_EQ(
      ValueText(Automation(application).call("ValueToStringInternal", {byValue(value.get())})),
      shortForm);
  object->answerLongForm();
  EXPECT_EQ(ValueText(Automation(application).call("ValueToStringInternal", {byRef(value.get())})),
            "{\"D\",\"0\",\"0\",\"0\",\"0\",\"0\",\"    1234562147483646ABC\"}");
  object->answerText("{\"D\",\"0\"}");
  EXPECT_EQ(ValueText(Automation(application).call("ValueToStringInternal", {byRef(value.get())})),
            "{\"D\",\"0\"}");
  Variant number = Variant::fromInt(5);
  EXPECT_NE(FailureOf([&] {
              Automation(application).call("ValueToStringInternal", {byRef(number.get())});
            }),
            "<no failure>");
  value.clear();
  application.clear();
  EXPECT_EQ(object->refCount(), 1u);
  EXPECT_EQ(host->application().refCount(), 1u);
}

TEST(HostConnectionOffers, OnlyTheInterfacesOffered) {
  const IID* iids[] = {&IID_IErrorLog, &IID_IStatusLine, &IID_IAsyncEvent, &IID_IExtWndsSupport};
  const int offers[] = {HostConnection::OffersErrorLog, HostConnection::OffersStatusLine,
                        HostConnection::OffersAsyncEvent, HostConnection::OffersExtWndsSupport};
  for (int mask : {0, 1, 6, 9, 15}) {
    ComPtr<HostConnection> host = HostConnection::create(mask);
    for (int i = 0; i < 4; ++i) {
      ComPtr<IUnknown> answer = ComPtr<IDispatch>(host.get()).query<IUnknown>(*iids[i]);
      EXPECT_EQ(static_cast<bool>(answer), (mask & offers[i]) != 0) << mask << "/" << i;
    }
    EXPECT_EQ(host->refCount(), 1u);
  }
}

TEST(HostConnectionLog, RecordsCopiesOfEveryEntry) {
  ComPtr<HostConnection> host = HostConnection::create();
  Bstr source(OLESTR("src")), description(OLESTR("text\r\n"));
  EXCEPINFO info{};
  info.wCode = 1006;
  info.scode = 1;
  info.bstrSource = source.get();
  info.bstrDescription = description.get();
  ComPtr<IErrorLog> log = ComPtr<IDispatch>(host.get()).query<IErrorLog>(IID_IErrorLog);
  ASSERT_TRUE(log);
  log->AddError(nullptr, &info);
  log->AddError(OLESTR("Prop"), &info);
  ASSERT_EQ(host->errorLog().size(), 2u);
  EXPECT_EQ(host->errorLog()[0].code, 1006);
  EXPECT_EQ(host->errorLog()[0].sourceText(), "src");
  EXPECT_EQ(host->errorLog()[0].descriptionText(), "text\r\n");
  EXPECT_FALSE(host->errorLog()[0].propertyNamed);
  EXPECT_TRUE(host->errorLog()[1].propertyNamed);
}

}  // namespace

}  // namespace qorvid
