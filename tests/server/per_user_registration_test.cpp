// Registration for the current user only (DllInstall, regsvr32 /n /i:user):
// the same five entries under HKEY_CURRENT_USER\Software\Classes, kept apart
// from the machine's registration in HKEY_CLASSES_ROOT both ways.
#include "tests/server/registration_entries.h"
#include "tests/server/registry_readback.h"
#include "tests/server/server_fixture.h"

namespace qorvid {

namespace {

class PerUserRegistrationTest : public ServerTest {
 protected:
  void SetUp() override {
    ServerTest::SetUp();
    clear();
  }
  void TearDown() override {
    if (module_ && module_->install) clear();
    ServerTest::TearDown();
  }
  void clear() {
    module_->install(FALSE, OLESTR("user"));
    module_->unregisterServer();
  }

  // Whether the five entries are there, with the module's own path.
  void expectRegistered(Classes where, bool registered) {
    for (const RegistryEntry& e : ExpectedEntries(module_->fileName())) {
      SCOPED_TRACE((where == Classes::User ? "user: " : "machine: ") + e.key);
      StoredValue v = ReadValue(e.key, nullptr, where);
      EXPECT_EQ(v.found, registered);
      if (!registered || !v.found) continue;
      EXPECT_EQ(v.type, static_cast<DWORD>(REG_SZ));
      EXPECT_EQ(v.text, e.value);
      EXPECT_EQ(v.size, e.value.size() + 1) << "stored with its terminating NUL";
    }
  }
};

TEST_F(PerUserRegistrationTest, CommandLineChoosesWhereTheEntriesGo) {
  struct Case {
    const OLECHAR* commandLine;
    HRESULT status;
    bool user, machine;
  };
  const Case cases[] = {
      {OLESTR("user"), S_OK, true, false},
      {OLESTR(" User\t"), S_OK, true, false},
      {OLESTR("USER"), S_OK, true, false},
      {OLESTR(""), S_OK, false, true},
      {nullptr, S_OK, false, true},
      {OLESTR("machine"), S_OK, false, true},
      {OLESTR("users"), E_INVALIDARG, false, false},
      {OLESTR("us er"), E_INVALIDARG, false, false},
      {OLESTR("all"), E_INVALIDARG, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "case " << (&c - cases));
    EXPECT_EQ(module_->install(TRUE, c.commandLine), c.status);
    expectRegistered(Classes::User, c.user);
    expectRegistered(Classes::Machine, c.machine);
    // Undoing takes the same command line.
    EXPECT_EQ(module_->install(FALSE, c.commandLine), c.status);
    expectRegistered(Classes::User, false);
    expectRegistered(Classes::Machine, false);
    clear();
  }
}

TEST_F(PerUserRegistrationTest, EachUnregistrationLeavesTheOtherRegistration) {
  ASSERT_EQ(module_->install(TRUE, OLESTR("user")), S_OK);
  ASSERT_EQ(module_->registerServer(), S_OK);

  EXPECT_EQ(module_->install(FALSE, OLESTR("user")), S_OK);
  expectRegistered(Classes::User, false);
  expectRegistered(Classes::Machine, true);

  ASSERT_EQ(module_->install(TRUE, OLESTR("user")), S_OK);
  EXPECT_EQ(module_->unregisterServer(), S_OK);
  expectRegistered(Classes::User, true);
  expectRegistered(Classes::Machine, false);
}

TEST_F(PerUserRegistrationTest, UnregisteringWithoutRegistrationSucceeds) {
  EXPECT_EQ(module_->install(FALSE, OLESTR("user")), S_OK);
  EXPECT_EQ(module_->install(FALSE, OLESTR("user")), S_OK);
  expectRegistered(Classes::User, false);
}

}  // namespace

}  // namespace qorvid
