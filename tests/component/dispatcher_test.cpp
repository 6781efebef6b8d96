// The dispatcher's frame and its one failure path, with stand-in branches,
// and the branch each method number reaches.
#include <gtest/gtest.h>

#include <stdexcept>

#include "component/error_text.h"
#include "database/branches.h"
#include "host/host_connection.h"
#include "tests/component/component_fixture.h"
#include "tests/support/recording_dispatch.h"

namespace qorvid {
using namespace qorvid::host;

namespace {

void Succeeds(ComponentState&, MethodCall& call) { call.setResult(Variant::fromInt(42)); }
void FailsWithText(ComponentState&, MethodCall& call) {
  call.failureContext = "SELECT * FROM t";
  throw ComponentError(std::string("Ошибка выполнения"));
}
void FailsWithoutText(ComponentState&, MethodCall&) { throw ComponentError("plain failure"); }
void FailsAfterStoring(ComponentState&, MethodCall& call) {
  call.setResult(Variant::fromUtf8("partial"));
  throw ComponentError("late failure");
}
void ThrowsStd(ComponentState&, MethodCall&) { throw std::runtime_error("std failure"); }
void ThrowsOther(ComponentState&, MethodCall&) { throw 17; }
void EchoesFirstParam(ComponentState&, MethodCall& call) { call.setResult(call.param(0)); }

struct DispatcherTest : ::testing::Test {
  ComPtr<HostConnection> host = HostConnection::create();
  TestComponent c;
  void SetUp() override { c.init->Initialize(host.get()); }
  // The dispatcher's frame around a stand-in branch.
  HRESULT run(MethodBranch b, Variant& result, SAFEARRAY** params = nullptr) {
    return AddInObjectProbe::dispatch(*c.object, b, result.ptr(), params);
  }
};

TEST_F(DispatcherTest, SuccessResetsResultAndErrorText) {
  ErrorText() = "left over";
  Variant result = Variant::fromUtf8("stale");
  EXPECT_EQ(run(Succeeds, result), S_OK);
  EXPECT_EQ(result.get().lVal, 42);
  EXPECT_EQ(c.errorMsg(), "");
  EXPECT_TRUE(host->errorLog().empty());
}

TEST_F(DispatcherTest, NumbersWithoutBranchAnswerFalseWithZeroResult) {
  const long deleteRec = c.method("DeleteRec");
  for (long number : {deleteRec, 18L, 200L, 255L, 256L + deleteRec, -1L}) {
    ErrorText() = "left over";
    Variant result = Variant::fromUtf8("stale");
    EXPECT_EQ(c.extension->CallAsFunction(number, result.ptr(), nullptr), S_FALSE) << number;
    EXPECT_EQ(result.vt(), VT_I4);
    EXPECT_EQ(result.get().lVal, 0);
    EXPECT_EQ(ErrorText(), "") << number;
  }
  EXPECT_TRUE(host->errorLog().empty());
}

TEST_F(DispatcherTest, OnlyTheLowByteSelectsTheMethod) {
  const long close = c.method("Close");
  for (long number : {close, 256 + close, 0x7FFFFF00L + close}) {
    Variant result;
    EXPECT_EQ(c.extension->CallAsFunction(number, result.ptr(), nullptr), S_OK) << number;
    EXPECT_EQ(c.errorMsg(), "Variant does not reference an automation object\r\n") << number;
  }
}

TEST_F(DispatcherTest, FailureMessageWorkingTextAndLogEntry) {
  const struct {
    MethodBranch branch;
    std::string errorText;
  } cases[] = {
      {FailsWithText, std::string("Ошибка выполнения") + "\r\nSELECT * FROM t"},
      {FailsWithoutText, "plain failure\r\n"},
      {ThrowsStd, "std failure\r\n"},
      {ThrowsOther, "unknown failure\r\n"},
  };
  for (const auto& k : cases) {
    host->clearErrorLog();
    Variant result;
    EXPECT_EQ(run(k.branch, result), S_OK);
    EXPECT_EQ(c.errorMsg(), k.errorText);
    ASSERT_EQ(host->errorLog().size(), 1u);
    const ErrorLogEntry& e = host->errorLog()[0];
    EXPECT_EQ(e.code, 1006);
    EXPECT_EQ(e.scode, 1);
    EXPECT_EQ(e.sourceText(), std::string("Внешняя компонента qorvid"));
    EXPECT_EQ(e.descriptionText(), k.errorText);
    EXPECT_FALSE(e.propertyNamed);
    EXPECT_FALSE(e.helpFile);
    EXPECT_EQ(e.helpContext, 0u);
    EXPECT_EQ(result.get().lVal, 0);
  }
}

TEST_F(DispatcherTest, FailureClosesTheConnectionAndSwallowsCloseFailing) {
  for (bool closeFails : {false, true}) {
    RecordingDispatch ado;
    if (closeFails) ado.raise("Close", "Connection object cannot be explicitly closed.");
    c.state().adoConnection = DispatchValue(&ado);
    Variant result;
    EXPECT_EQ(run(FailsWithText, result), S_OK);
    ASSERT_EQ(ado.calls().size(), 1u);
    EXPECT_EQ(ado.calls()[0].member, "Close");
    EXPECT_EQ(ado.calls()[0].flags, DISPATCH_METHOD);
    EXPECT_TRUE(ado.calls()[0].argTypes.empty());
    EXPECT_EQ(c.errorMsg(), std::string("Ошибка выполнения") + "\r\nSELECT * FROM t");
    c.state().adoConnection.clear();
    EXPECT_EQ(ado.refCount(), 1u);
  }
}

TEST_F(DispatcherTest, ResultStoredBeforeFailureIsKept) {
  Variant result;
  EXPECT_EQ(run(FailsAfterStoring, result), S_OK);
  EXPECT_EQ(ValueText(result), "partial");
  EXPECT_EQ(c.errorMsg(), "late failure\r\n");
}

TEST_F(DispatcherTest, ParametersReadCopiesAndUnreadableOnesAreEmpty) {
  ParamArray params{Variant::fromUtf8("first")};
  Variant result;
  EXPECT_EQ(run(EchoesFirstParam, result, params.ptr()), S_OK);
  EXPECT_EQ(ValueText(result), "first");
  EXPECT_EQ(ValueText(params.at(0)), "first");
  ParamArray none{};
  EXPECT_EQ(run(EchoesFirstParam, result, none.ptr()), S_OK);
  EXPECT_EQ(result.vt(), VT_EMPTY);
  EXPECT_EQ(run(EchoesFirstParam, result, nullptr), S_OK);
  EXPECT_EQ(result.vt(), VT_EMPTY);
  SAFEARRAY* integers = SafeArrayCreateVector(VT_I4, 0, 1);
  EXPECT_EQ(run(EchoesFirstParam, result, &integers), S_OK);
  EXPECT_EQ(result.vt(), VT_EMPTY);
  SafeArrayDestroy(integers);
}

TEST_F(DispatcherTest, ErrorTextIsSharedByAllObjects) {
  TestComponent other;
  other.init->Initialize(host.get());
  Variant result;
  run(FailsWithoutText, result);
  EXPECT_EQ(other.errorMsg(), "plain failure\r\n");
  Variant ignored;
  other.extension->CallAsFunction(other.method("DeleteRec"), ignored.ptr(), nullptr);
  EXPECT_EQ(c.errorMsg(), "");
  other.init->Shutdown();
}

TEST_F(DispatcherTest, CallsAfterShutdownFailCleanly) {
  c.init->Shutdown();
  host->clearErrorLog();
  Variant result;
  EXPECT_EQ(run(Succeeds, result), S_OK);
  EXPECT_EQ(result.get().lVal, 0);
  EXPECT_EQ(c.errorMsg(), std::string("Компонента не инициализирована") + "\r\n");
  EXPECT_TRUE(host->errorLog().empty());  // the log went with Shutdown
}

TEST_F(DispatcherTest, HostWithoutErrorLogStillGetsErrorText) {
  ComPtr<HostConnection> bare = HostConnection::create(HostConnection::OffersStatusLine);
  TestComponent d;
  d.init->Initialize(bare.get());
  Variant result;
  EXPECT_EQ(AddInObjectProbe::dispatch(*d.object, FailsWithoutText, result.ptr(), nullptr), S_OK);
  EXPECT_EQ(d.errorMsg(), "plain failure\r\n");
  EXPECT_TRUE(bare->errorLog().empty());
  d.init->Shutdown();
}

TEST_F(DispatcherTest, HostDrivenCallBeforeOpenFailsThroughThePath) {
  long number = -1;
  Bstr name = Bstr::fromUtf8("Выполнить");
  ASSERT_EQ(c.extension->FindMethod(name.get(), &number), S_OK);
  ParamArray params{Variant::fromUtf8("SELECT 1")};
  Variant result;
  EXPECT_EQ(c.extension->CallAsFunction(number, result.ptr(), params.ptr()), S_OK);
  EXPECT_EQ(c.errorMsg(), std::string("Ошибка запроса ") +
                              "SELECT 1\r\nVariant does not reference an automation object\r\n"
                              "SELECT 1");
  ASSERT_EQ(host->errorLog().size(), 1u);
  EXPECT_EQ(host->errorLog()[0].descriptionText(), c.errorMsg());
}

TEST(Dispatcher, EveryMethodNameReachesItsBranch) {
  const struct {
    const char* name;
    MethodBranch branch;
  } cases[] = {
      {"Open", OpenBranch},
      {"Close", CloseBranch},
      {"Execute", ExecuteBranch},
      {"MoveNext", MoveNextBranch},
      {"GetField", GetFieldBranch},
      {"GetFieldAsDateTime", GetFieldAsDateTimeBranch},
      {"GetFieldAsObject", GetFieldAsObjectBranch},
      {"PrepareQuery", PrepareQueryBranch},
      {"Bind", BindBranch},
      {"OpenRec", OpenRecBranch},
      {"KeyField", KeyFieldBranch},
      {"DataField", DataFieldBranch},
      {"SaveRec", SaveRecBranch},
      {"DeleteRec", nullptr},
      {"BeginTrans", BeginTransBranch},
      {"CommitTrans", CommitTransBranch},
      {"RollbackTrans", RollbackTransBranch},
      {"FieldName", FieldNameBranch},
  };
  static_assert(sizeof cases / sizeof cases[0] == kMethodCount, "every method");
  TestComponent c;
  for (const auto& k : cases) {
    const MethodRow* row = MethodRowAt(c.method(k.name));
    ASSERT_NE(row, nullptr) << k.name;
    EXPECT_EQ(row->branch, k.branch) << k.name;
  }
}

TEST(Dispatcher, ProceduresAreNotCalled) {
  TestComponent c;
  for (long n : {0L, 2L, 13L, 17L, 18L})
    EXPECT_EQ(c.extension->CallAsProcedure(n, nullptr), S_FALSE);
}

TEST(ErrorLogEntry, BlankTextsWriteNothingOthersAreKeptWhole) {
  ComPtr<HostConnection> host = HostConnection::create();
  TestComponent c;
  c.init->Initialize(host.get());
  for (const char* blank : {"", " ", "\r\n", " \t\r\n "})
    AddInObjectProbe::reportError(*c.object, qorvid::platform::WideFromUtf8(blank));
  EXPECT_TRUE(host->errorLog().empty());
  AddInObjectProbe::reportError(*c.object, qorvid::platform::WideFromUtf8(" x\r\n"));
  ASSERT_EQ(host->errorLog().size(), 1u);
  EXPECT_EQ(host->errorLog()[0].descriptionText(), " x\r\n");
  c.init->Shutdown();
  AddInObjectProbe::reportError(*c.object, qorvid::platform::WideFromUtf8("after shutdown"));
  EXPECT_EQ(host->errorLog().size(), 1u);
}

}  // namespace

}  // namespace qorvid
