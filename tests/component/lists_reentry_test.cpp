// A host may call back into the component while it answers the component
// (ValueToStringInternal runs script code): Shutdown or Initialize from
// there frees the lists the calling branch works on.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/component/component_fixture.h"
#include "tests/support/recording_dispatch.h"

namespace qorvid {

namespace {

const char kInternalForm[] = "{\"O\",\"0\",\"0\",\"         1\",\"0\",\"0\",\"         5   \"}";

TEST(HostReentry, ShutdownOrInitializeInsideAValueConversionLeavesNothingFreedInUse) {
  const struct {
    const char* reentry;
    const char* method;
    TextList StatementLists::*list;  // the list the method fills
    bool fails;                      // after Shutdown there are no lists to fill
  } cases[] = {
      {"Shutdown", "Bind", &StatementLists::boundValues, true},
      {"Shutdown", "KeyField", &StatementLists::keyFields, true},
      {"Shutdown", "DataField", &StatementLists::dataFields, true},
      {"Initialize", "Bind", &StatementLists::boundValues, false},
      {"Initialize", "KeyField", &StatementLists::keyFields, false},
      {"Initialize", "DataField", &StatementLists::dataFields, false},
  };
  for (const auto& k : cases) {
    RecordingDispatch hostObject, application, connection;
    connection.answer("AppDispatch", DispatchValue(&application));
    TestComponent c;
    application.onInvoke("ValueToStringInternal", [&](DISPPARAMS*, VARIANT* result, EXCEPINFO*) {
      if (std::string(k.reentry) == "Shutdown")
        c.init->Shutdown();
      else
        c.init->Initialize(&connection);
      if (result) Variant::fromUtf8(kInternalForm).detachTo(result);
      return S_OK;
    });
    ASSERT_EQ(c.init->Initialize(&connection), S_OK);
    Variant object = DispatchValue(&hostObject);
    const bool bind = std::string(k.method) == "Bind";
    c.call(k.method, bind ? std::vector<Variant>{object}
                          : std::vector<Variant>{Variant::fromUtf8("Ref"), object});
    const std::string message = c.errorMsg();
    if (k.fails) {
      EXPECT_EQ(message.substr(0, message.find('\r')), std::string("Компонента не инициализирована"))
          << k.reentry << " " << k.method;
    } else {
      EXPECT_EQ(message, "") << k.reentry << " " << k.method;
      EXPECT_EQ(((*c.state().lists).*k.list).size(), 1u) << k.reentry << " " << k.method;
    }
    c.init->Shutdown();
  }
}

}  // namespace

}  // namespace qorvid
