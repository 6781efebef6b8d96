// Host code that runs inside a component call may close, reopen or drop the
// very objects that call is using. Each case here crashed or read freed
// memory before the component and the ADO stand-in held what they call.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "ado/ado_registration.h"
#include "host/host_connection.h"
#include "host/host_object.h"
#include "tests/component/component_fixture.h"

namespace qorvid {
namespace {
using host::HostConnection;
using host::HostObject;

const char kMemory[] = "Provider=SQLite;Data Source=:memory:";

class HostReentry : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { AdoRegisterInProcess(); }

  void openWithTwoColumns(TestComponent& c) {
    c.call("Open", {Variant::fromUtf8(kMemory)});
    c.call("Execute", {Variant::fromUtf8("SELECT 'a' AS x, 'b' AS y")});
    ASSERT_EQ(c.errorMsg(), "");
  }
};

// GetField and its two siblings with a host object as the field selector,
// whose value (asked for while the field is looked up) runs host code that
// ends the result set. The call must fail cleanly, and the component keep
// working.
TEST_F(HostReentry, ASelectorWhoseValueEndsTheResultSetFailsTheCallCleanly) {
  const char* methods[] = {"GetField", "GetFieldAsDateTime", "GetFieldAsObject"};
  const char* reentries[] = {"Close", "Shutdown", "failing call"};
  for (const char* method : methods) {
    for (const char* reentry : reentries) {
      SCOPED_TRACE(std::string(method) + " / " + reentry);
      ComPtr<HostConnection> host = HostConnection::create();
      TestComponent c;
      ASSERT_EQ(c.init->Initialize(host.get()), S_OK);
      openWithTwoColumns(c);
      ComPtr<HostObject> selector = HostObject::create("Z", 1, 1, "ABC");
      selector->answerDefaultValue(0);
      selector->setReentry([&](const char* member) {
        if (*member) return;  // only the default value runs script code
        const std::string what = reentry;
        if (what == "Close")
          c.call("Close");
        else if (what == "Shutdown")
          c.init->Shutdown();
        else
          c.call("GetField", {Variant::fromInt(99)});
      });
      c.call(method, {Variant::fromDispatch(selector.get())});
      EXPECT_NE(c.errorMsg(), "");
      selector->setReentry(nullptr);

      // Whatever the host did, the next script can start again.
      ASSERT_EQ(c.init->Initialize(host.get()), S_OK);
      c.call("Open", {Variant::fromUtf8(kMemory)});
      c.call("Execute", {Variant::fromUtf8("SELECT 7 AS n")});
      Variant seven = c.call("GetField", {Variant::fromInt(0)});
      EXPECT_EQ(c.errorMsg(), "");
      EXPECT_EQ(seven.vt(), VT_I4);
      c.init->Shutdown();
    }
  }
}

// The host's error log is called through the component's own reference: the
// host may initialise the component with another connection from inside
// AddError, dropping the reference the component was holding, while the
// host itself keeps none.
TEST_F(HostReentry, TheErrorLogOutlivesAnInitializeFromInsideAddError) {
  TestComponent c;
  ComPtr<HostConnection> other = HostConnection::create();
  {
    ComPtr<HostConnection> first = HostConnection::create();
    first->setReentry([&](const char* member) {
      if (std::string(member) == "AddError") c.init->Initialize(other.get());
    });
    ASSERT_EQ(c.init->Initialize(first.get()), S_OK);
  }  // the component holds the first connection's last references now
  c.call("GetField", {Variant::fromInt(0)});
  EXPECT_NE(c.errorMsg(), "");
  // The component now logs to the connection it was given last.
  c.call("GetField", {Variant::fromInt(0)});
  EXPECT_EQ(other->errorLog().size(), 1u);
  c.init->Shutdown();
}

// A host that drops its last reference to the component from inside a
// callback: the component finishes the call (here Bind goes on to its lists
// after the object's key) before it goes.
TEST_F(HostReentry, TheHostsLastReferenceDroppedInsideACallback) {
  ComPtr<HostConnection> host = HostConnection::create();
  auto* c = new TestComponent;
  ASSERT_EQ(c->init->Initialize(host.get()), S_OK);
  host->application().setReentry([&](const char* member) {
    if (std::string(member) != "ValueToStringInternal" || !c) return;
    TestComponent* dropped = c;
    c = nullptr;
    delete dropped;
  });
  IScriptExtension* raw = c->extension.get();
  const long bind = c->method("Bind");
  ComPtr<HostObject> object = HostObject::create("Z", 1, 1, "ABC");
  ParamArray params{Variant::fromDispatch(object.get())};
  Variant result;
  EXPECT_EQ(raw->CallAsFunction(bind, result.ptr(), params.ptr()), S_OK);
  EXPECT_EQ(c, nullptr);
  host->application().setReentry(nullptr);
}

}  // namespace
}  // namespace qorvid
