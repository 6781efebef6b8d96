// The component as a host meets it: found by ProgID through the COM runtime
// (Wine's real one for the DLL, platform/'s for the shared object), created
// with CoCreateInstance, initialised with the reference host's connection
// object, and called by member name.
#include <gtest/gtest.h>

#include <ostream>

#include "host/host_connection.h"
#include "platform/bstr.h"
#include "platform/com_ptr.h"
#include "platform/variant.h"
#include "protocol/host_protocol.h"
#include "tests/server/class_identity.h"
#include "tests/server/runtime/runtime_registration.h"

namespace qorvid {
using namespace qorvid::host;

namespace {

class RuntimeEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    std::string problem = PrepareRegistration();
    ASSERT_TRUE(problem.empty()) << problem;
  }
  void TearDown() override {
    UndoRegistration();
    CoUninitialize();
  }
};
[[maybe_unused]] const auto* const kEnvironment =
    ::testing::AddGlobalTestEnvironment(new RuntimeEnvironment);

// A one-dimensional array of VARIANT parameters, as the host passes them.
class Parameters {
 public:
  explicit Parameters(ULONG count) : array_(SafeArrayCreateVector(VT_VARIANT, 0, count)) {}
  ~Parameters() {
    if (array_) SafeArrayDestroy(array_);
  }
  Parameters(const Parameters&) = delete;
  Parameters& operator=(const Parameters&) = delete;
  void put(LONG index, Variant value) { SafeArrayPutElement(array_, &index, value.ptr()); }
  SAFEARRAY** ptr() { return &array_; }

 private:
  SAFEARRAY* array_;
};

class ComRuntimeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CLSID clsid;
    ASSERT_EQ(CLSIDFromProgID(OLESTR("AddIn.qorvid"), &clsid), S_OK);
    ASSERT_TRUE(IsEqualCLSID(clsid, kQorvidClsid));
    ASSERT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, kIidHostInit,
                               reinterpret_cast<void**>(init_.put())),
              S_OK);
    ASSERT_TRUE(init_);
    connection_ = HostConnection::create();
    ASSERT_EQ(init_->Initialize(static_cast<IDispatch*>(connection_.get())), S_OK);
    extension_ = init_.query<IScriptExtension>(kIidScriptExtension);
    ASSERT_TRUE(extension_);
  }
  void TearDown() override {
    if (init_) init_->Shutdown();
    extension_.reset();
    init_.reset();
    connection_.reset();
  }

  long method(const OLECHAR* name) {
    long number = -2;
    Bstr text(name);
    extension_->FindMethod(text.get(), &number);
    return number;
  }
  std::string errorMsg() {
    Variant value;
    EXPECT_EQ(extension_->GetPropertyValue(0, value.ptr()), S_OK);
    EXPECT_EQ(value.vt(), VT_BSTR);
    return value.vt() == VT_BSTR ? Bstr(value.get().bstrVal).utf8() : std::string();
  }

  ComPtr<IHostInit> init_;
  ComPtr<IScriptExtension> extension_;
  ComPtr<HostConnection> connection_;
};

struct NameCase {
  const char* name;
  const OLECHAR* member;
  long number;  // the same whatever the ANSI code page
};

void PrintTo(const NameCase& c, std::ostream* os) { *os << c.name; }

const NameCase kNames[] = {
    {"Execute", OLESTR("Execute"), 2},
    {"DeleteRec", OLESTR("DeleteRec"), 13},
    {"FieldName", OLESTR("FieldName"), 17},
    {"RussianExecute", OLESTR("Выполнить"), 2},
    {"RussianRollbackTrans", OLESTR("ОткатитьТранзакцию"), 16},
    {"OtherCase", OLESTR("execute"), -1},
    {"LeadingBlank", OLESTR(" Execute"), -1},
    {"Unknown", OLESTR("Delete"), -1},
};

class MemberLookupTest : public ComRuntimeTest, public ::testing::WithParamInterface<NameCase> {};

TEST_P(MemberLookupTest, FindsMethodsByExactName) {
  const NameCase& c = GetParam();
  const long expected = c.number;
  long number = -2;
  Bstr name(c.member);
  EXPECT_EQ(extension_->FindMethod(name.get(), &number), expected >= 0 ? S_OK : S_FALSE);
  EXPECT_EQ(number, expected);
}

INSTANTIATE_TEST_SUITE_P(Names, MemberLookupTest, ::testing::ValuesIn(kNames),
                         [](const ::testing::TestParamInfo<NameCase>& info) {
                           return std::string(info.param.name);
                         });

// Execute without an open connection fails: the message reaches ErrorMsg and
// the host's error log, and the call still answers S_OK.
TEST_F(ComRuntimeTest, FailedCallReportsThroughErrorMsgAndErrorLog) {
  const long execute = method(OLESTR("Execute"));
  ASSERT_EQ(execute, 2);
  Parameters params(1);
  params.put(0, Variant::fromWide(OLESTR("SELECT 1")));
  Variant result;
  EXPECT_EQ(extension_->CallAsFunction(execute, result.ptr(), params.ptr()), S_OK);

  const std::string message = errorMsg();
  EXPECT_FALSE(message.empty());
  EXPECT_NE(message.find("\r\nSELECT 1"), std::string::npos) << message;
  ASSERT_EQ(connection_->errorLog().size(), 1u);
  const ErrorLogEntry& entry = connection_->errorLog()[0];
  EXPECT_EQ(entry.code, 1006);
  EXPECT_EQ(entry.scode, 1);
  EXPECT_FALSE(entry.propertyNamed);
  EXPECT_EQ(entry.sourceText(), std::string("Внешняя компонента qorvid"));
  EXPECT_EQ(entry.descriptionText(), message);
}

TEST_F(ComRuntimeTest, DeleteRecAnswersSFalseAndClearsErrorMsg) {
  // Leave a failure behind first.
  Parameters one(1);
  one.put(0, Variant::fromWide(OLESTR("SELECT 1")));
  Variant ignored;
  extension_->CallAsFunction(method(OLESTR("Execute")), ignored.ptr(), one.ptr());
  ASSERT_FALSE(errorMsg().empty());

  Parameters none(0);
  Variant result;
  EXPECT_EQ(extension_->CallAsFunction(method(OLESTR("DeleteRec")), result.ptr(), none.ptr()),
            S_FALSE);
  EXPECT_EQ(result.vt(), VT_I4);
  EXPECT_EQ(result.get().lVal, 0);
  EXPECT_EQ(errorMsg(), "");
}

}  // namespace

}  // namespace qorvid
