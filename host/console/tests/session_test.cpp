// The console's side of the host protocol, against a component that records
// what it was sent: the parameter array, defaults for left-out arguments,
// and how failures are recognised and shown.
#include "host/console/session.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "host/console/utf.h"
#include "protocol/host_protocol.h"

namespace qorvid::host {

namespace {

// Shared by the fake component and the fake host: the host's error log.
struct Log {
  std::vector<LoggedError> entries;
};

class FakeHost : public HostSide {
 public:
  explicit FakeHost(Log& log) : log_(log) {}
  IDispatch* connection() override { return nullptr; }
  size_t errorCount() override { return log_.entries.size(); }
  std::vector<LoggedError> errorsSince(size_t first) override {
    return std::vector<LoggedError>(log_.entries.begin() + first, log_.entries.end());
  }
  ComPtr<IDispatch> makeObject(const ObjectRef&, std::string& problem) override {
    problem = "no objects here";
    return ComPtr<IDispatch>();
  }
  bool describeObject(IDispatch*, ObjectRef&) override { return false; }

 private:
  Log& log_;
};

// Properties: 0 ErrorMsg, 1 Time (writable; Null is refused into the log).
// Methods: 0 Execute(1, default ""), 1 KeyField(2), 2 Fail(0), 3 Skip(0),
// 4 Open(1).
class FakeComponent : public IHostInit, public IScriptExtension {
 public:
  explicit FakeComponent(Log& log) : log_(log) {}

  std::vector<Variant> lastParams;
  long lastMethod = -1;
  std::string time;
  int shutdowns = 0;
  int opens = 0;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (iid == IID_IUnknown || iid == IID_IHostInit)
      *out = static_cast<IHostInit*>(this);
    else if (iid == IID_IScriptExtension)
      *out = static_cast<IScriptExtension*>(this);
    else
      return *out = nullptr, E_NOINTERFACE;
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }

  HRESULT STDMETHODCALLTYPE Initialize(IDispatch*) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE Shutdown() override { return ++shutdowns, S_OK; }
  HRESULT STDMETHODCALLTYPE GetVersionInfo(SAFEARRAY**) override { return S_OK; }

  HRESULT STDMETHODCALLTYPE GetExtensionName(BSTR* name) override {
    *name = SysAllocString(OLESTR("fake"));
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetPropertyCount(long* n) override { return *n = 2, S_OK; }
  HRESULT STDMETHODCALLTYPE FindProperty(BSTR name, long* n) override {
    return Find(name, {OLESTR("ErrorMsg"), OLESTR("Time")}, n);
  }
  HRESULT STDMETHODCALLTYPE GetPropertyName(long, long, BSTR*) override { return S_FALSE; }
  HRESULT STDMETHODCALLTYPE GetPropertyValue(long n, VARIANT* v) override {
    VariantInit(v);
    if (n == 0) Variant::fromAnsi(error_).detachTo(v);
    if (n == 1) Variant::fromAnsi(time).detachTo(v);
    return n <= 1 ? S_OK : S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE SetPropertyValue(long n, VARIANT* v) override {
    if (n != 1) return S_FALSE;
    if (v->vt == VT_NULL)
      Report("property set error");
    else if (v->vt == VT_I4)
      time = std::to_string(v->lVal);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE IsPropertyReadable(long, BOOL* f) override { return *f = TRUE, S_OK; }
  HRESULT STDMETHODCALLTYPE IsPropertyWritable(long n, BOOL* f) override {
    return *f = n == 1, S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetMethodCount(long* n) override { return *n = 5, S_OK; }
  HRESULT STDMETHODCALLTYPE FindMethod(BSTR name, long* n) override {
    return Find(
        name,
        {OLESTR("Execute"), OLESTR("KeyField"), OLESTR("Fail"), OLESTR("Skip"), OLESTR("Open")}, n);
  }
  HRESULT STDMETHODCALLTYPE GetMethodName(long, long, BSTR*) override { return S_FALSE; }
  HRESULT STDMETHODCALLTYPE GetParamCount(long n, long* count) override {
    *count = n == 0 || n == 4 ? 1 : n == 1 ? 2 : 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetParamDefault(long method, long, VARIANT* v) override {
    VariantInit(v);
    if (method == 0) Variant::fromWide(WideString()).detachTo(v);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE HasResult(long, BOOL* f) override { return *f = TRUE, S_OK; }
  HRESULT STDMETHODCALLTYPE CallAsProcedure(long, SAFEARRAY**) override { return S_FALSE; }
  HRESULT STDMETHODCALLTYPE CallAsFunction(long n, VARIANT* result, SAFEARRAY** params) override {
    Variant::fromInt(0).detachTo(result);
    error_.clear();
    lastMethod = n;
    lastParams.clear();
    LONG upper = -1;
    SafeArrayGetUBound(*params, 1, &upper);
    for (LONG i = 0; i <= upper; ++i) {
      Variant element;
      SafeArrayGetElement(*params, &i, element.put());
      lastParams.push_back(element);
    }
    if (n == 2) {
      error_ = "bad\r\nworse\r\n";
      Report(error_);
    }
    if (n == 4) ++opens;
    return n == 3 ? S_FALSE : S_OK;
  }

 private:
  static HRESULT Find(BSTR name, std::initializer_list<const OLECHAR*> names, long* n) {
    *n = -1;
    long i = 0;
    for (const OLECHAR* candidate : names) {
      if (WideString(name, SysStringLen(name)) == candidate) return *n = i, S_OK;
      ++i;
    }
    return S_FALSE;
  }
  void Report(const std::string& text) {
    LoggedError e;
    e.code = 1006;
    e.source = "src";
    e.description = text;
    log_.entries.push_back(e);
  }

  Log& log_;
  std::string error_;
};

std::string Describe(const std::vector<Variant>& params) {
  std::string out;
  for (const Variant& p : params) {
    if (!out.empty()) out += ", ";
    if (p.vt() == VT_BSTR)
      out += "text:" + Utf8FromBstr(p.get().bstrVal);
    else if (p.vt() == VT_I4)
      out += "int:" + std::to_string(p.get().lVal);
    else
      out += "vt" + std::to_string(p.vt());
  }
  return out;
}

struct Case {
  const char* line;
  bool ok;
  const char* printed;
  long method;         // the method called, -1 for none
  const char* params;  // as Describe gives them
};

TEST(Session, SendsArgumentsAsAHostDoesAndRecognisesFailures) {
  const Case cases[] = {
      {"Execute(\"a\")", true, "= 0 (integer)\n", 0, "text:a"},
      // A left-out argument is the member's default, not an omitted marker.
      {"Execute()", true, "= 0 (integer)\n", 0, "text:"},
      {"KeyField(, 5)", true, "= 0 (integer)\n", 1, "vt0, int:5"},
      {"KeyField(\"k\")", true,
       "! warning: KeyField takes 2 arguments, 1 given; the second is passed as Empty\n"
       "= 0 (integer)\n",
       1, "text:k, vt0"},
      {"KeyField(Null, True)", true, "= 0 (integer)\n", 1, "vt1, vt11"},
      {"KeyField(1, 2, 3)", false, "! KeyField takes 2 arguments, 3 given\n", -1, ""},
      // No connection open: the failure in one line, with how to connect.
      {"Fail", false,
       "= 0 (integer)\n! Fail failed (no connection is open): bad - worse (Open(...) or .open FILE "
       "connects; .help shows connection strings)\n",
       2, ""},
      {"Skip()", true,
       "= 0 (integer)\n  (status S_FALSE: the component does not carry out this method)\n", 3, ""},
      {"Time = 5", true, "", -1, ""},
      {"Time", true, "= \"5\" (text)\n", -1, ""},
      {"Time = Null", false, "! error log: 1006, src:\n!   property set error\n", -1, ""},
      {"ErrorMsg = \"x\"", false, "! ErrorMsg cannot be written (the component answered S_FALSE)\n",
       -1, ""},
      {"Time(1)", false, "! Time is a property: read it as Time, write it as Time = value\n", -1,
       ""},
      {"Skip = 1", false, "! Skip is a method: call it as Skip(...)\n", -1, ""},
      {"execute(\"a\")", false, "! unknown member execute (.members lists them)\n", -1, ""},
      // Dotted commands that never reach the component.
      {".mode csv", true, "", -1, ""},
      {".timer off", true, "", -1, ""},
      {"Execute(Object(\"O\", 1, 5, \"   \"))", false,
       "! the host cannot make that object: no objects here\n", -1, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    Log log;
    FakeHost host(log);
    FakeComponent component(log);
    ComponentLink link;
    std::string problem;
    ASSERT_TRUE(link.attach(static_cast<IHostInit*>(&component), host, problem));
    if (std::string(c.line) == "Time") component.time = "5";
    std::ostringstream out;
    Session session(link, host, out);
    EXPECT_EQ(session.run(ParseStatement(c.line)), c.ok);
    EXPECT_EQ(out.str(), c.printed);
    EXPECT_EQ(component.lastMethod, c.method);
    if (c.method >= 0) {
      EXPECT_EQ(Describe(component.lastParams), c.params);
    }
    if (std::string(c.line) == "Time = 5") {
      EXPECT_EQ(component.time, "5");
    }
    link.release();
    EXPECT_EQ(component.shutdowns, 1);
  }
}

// After a failure the connection is gone: one notice, then one line per
// failed call, until .reopen runs the last Open again.
TEST(Session, SaysOnceThatTheConnectionIsGoneAndReopensIt) {
  Log log;
  FakeHost host(log);
  FakeComponent component(log);
  ComponentLink link;
  std::string problem;
  ASSERT_TRUE(link.attach(static_cast<IHostInit*>(&component), host, problem));
  std::ostringstream out;
  Session session(link, host, out);
  session.setQuiet(true);
  const struct {
    const char* line;
    bool ok;
    const char* printed;
  } steps[] = {
      {".reopen", false, "! no Open to repeat yet: connect with Open(...) or .open FILE\n"},
      {"Open(\"Provider=SQLite;Data Source=:memory:\")", true, ""},
      {"Fail", false,
       "! ErrorMsg: bad\n!           worse\n! error log: 1006, src: the same text\n"
       "! the connection is closed now: the component closes it after a failed call; .reopen "
       "opens it again (the in-memory database is gone)\n"},
      {"Fail", false, "! Fail failed (no connection is open): bad - worse\n"},
      {".tables", false, "! .tables needs an open connection (.reopen, Open(...))\n"},
      {".reopen", true,
       "! the in-memory database of the last connection is gone; this one is new and empty\n"},
      {"Fail", false,
       "! ErrorMsg: bad\n!           worse\n! error log: 1006, src: the same text\n"
       "! the connection is closed now: the component closes it after a failed call; .reopen "
       "opens it again (the in-memory database is gone)\n"},
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(step.line);
    out.str("");
    EXPECT_EQ(session.run(ParseStatement(step.line)), step.ok);
    EXPECT_EQ(out.str(), step.printed);
  }
  EXPECT_EQ(component.opens, 2);
  link.release();
}

TEST(Session, ShowsItsSettingsAndSendsResultsWhereOutputSays) {
  Log log;
  FakeHost host(log);
  FakeComponent component(log);
  ComponentLink link;
  std::string problem;
  ASSERT_TRUE(link.attach(static_cast<IHostInit*>(&component), host, problem));
  std::ostringstream out;
  Session session(link, host, out);
  const std::string file = testing::TempDir() + "qorvid_session_output.txt";
  for (const char* line : {".mode", ".mode csv", ".mode", ".timer"})
    EXPECT_TRUE(session.run(ParseStatement(line)));
  EXPECT_TRUE(session.run(ParseStatement(".output " + file)));
  EXPECT_TRUE(session.run(ParseStatement("echo \"to the file\"")));
  EXPECT_TRUE(session.run(ParseStatement(".output")));
  EXPECT_TRUE(session.run(ParseStatement("echo \"back\"")));
  EXPECT_FALSE(session.run(ParseStatement(".output /nonexistent-directory/x.txt")));
  EXPECT_EQ(out.str(),
            "table (.mode table|csv|line)\ncsv (.mode table|csv|line)\noff (.timer on|off)\n"
            "back\n! cannot write /nonexistent-directory/x.txt; results go to the terminal\n");
  std::ifstream written(file);
  std::string text;
  std::getline(written, text);
  EXPECT_EQ(text, "to the file");
  std::remove(file.c_str());
  link.release();
}

}  // namespace

}  // namespace qorvid::host
