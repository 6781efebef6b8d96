// A host may call back into the component while it answers the component
// (ValueToStringInternal runs script code): Shutdown or Initialize from
// there frees the lists the calling branch works on.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "automation/cp1251.h"
#include "tests/component/component_fixture.h"
#include "tests/support/recording_dispatch.h"

namespace qorvid {

namespace {

const char kInternalForm[] = "{\"O\",\"0\",\"0\",\"         1\",\"0\",\"0\",\"         5   \"}";

TEST(HostReentry, ShutdownOrInitializeInsideAValueConversionLeavesNothingFreedInUse) {
  const struct {
    const char* reentry;
    long method;  // Bind 8, KeyField 10, DataField 11
    bool fails;   // after Shutdown there are no lists to fill
  } cases[] = {
      {"Shutdown", 8, true},    {"Shutdown", 10, true},    {"Shutdown", 11, true},
      {"Initialize", 8, false}, {"Initialize", 10, false}, {"Initialize", 11, false},
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
      if (result) Variant::fromAnsi(kInternalForm).detachTo(result);
      return S_OK;
    });
    ASSERT_EQ(c.init->Initialize(&connection), S_OK);
    Variant object = DispatchValue(&hostObject);
    ParamArray bind{object};
    ParamArray field{Variant::fromAnsi("Ref"), object};
    Variant result;
    c.extension->CallAsFunction(k.method, result.ptr(), k.method == 8 ? bind.ptr() : field.ptr());
    const std::string message = c.errorMsg();
    if (k.fails) {
      EXPECT_EQ(message.substr(0, message.find('\r')), CP1251("Компонента не инициализирована"))
          << k.reentry << " " << k.method;
    } else {
      EXPECT_EQ(message, "") << k.reentry << " " << k.method;
      const TextList& list = *(k.method == 8    ? c.state().boundValues
                               : k.method == 10 ? c.state().keyFields
                                                : c.state().dataFields);
      EXPECT_EQ(list.size(), 1u) << k.reentry << " " << k.method;
    }
    c.init->Shutdown();
  }
}

}  // namespace

}  // namespace qorvid
