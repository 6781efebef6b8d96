// Allocation failure at every point of a representative script: for n = 1,
// 2, 3 ... the n-th allocation (operator new, platform blocks or SQLite)
// fails, until the script runs through without reaching n. Whatever n, no
// exception leaves the component, no block is left behind, the failing call
// says it ran out of memory in ErrorMsg and the host's error log (or, where
// the failure was absorbed, answers exactly what a run without one answers),
// and the component serves a fresh call once memory is back.
//
// QORVID_OOM_STRIDE=k tries every k-th point only; QORVID_OOM_ONLY=n tries
// point n alone (break on qorvid::oom::FailingHere to see who asked).
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cstdlib>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "ado/ado_registration.h"
#include "ado/model/dispatch_base.h"
#include "automation/automation.h"
#include "component/error_text.h"
#include "host/host_connection.h"
#include "host/host_object.h"
#include "tests/component/component_fixture.h"
#include "tests/oom/failing_allocator.h"

namespace qorvid {
namespace {

using host::HostConnection;
using host::HostObject;

enum class Kind { Initialize, Members, Method, Get, Set, Shutdown };

struct Step {
  Kind kind;
  std::string name;
  std::vector<Variant> args;
};

Variant Text(const std::string& s) { return Variant::fromUtf8(s); }
Variant Int(LONG i) { return Variant::fromInt(i); }

// The script: everything a host script does with the component, once.
std::vector<Step> Script(IDispatch* item) {
  const Variant object = Variant::fromDispatch(item);
  return {
      {Kind::Initialize, "Initialize", {}},
      {Kind::Members, "member descriptions", {}},
      {Kind::Method, "Open", {Text("Provider=SQLite;Data Source=:memory:")}},
      {Kind::Method,
       "Execute",
       {Text("CREATE TABLE Goods (Code INTEGER, Name VARCHAR(40), Made DATETIME, "
             "Ref VARCHAR(16), Price REAL)")}},
      {Kind::Method, "OpenRec", {Text("Goods")}},
      {Kind::Method, "KeyField", {Text("Code"), Int(15)}},
      {Kind::Method, "DataField", {Text("Name"), Text(std::string("Гайка"))}},
      {Kind::Set, "Time", {Text("09:07:03")}},
      {Kind::Method, "DataField", {Text("Made"), Variant::fromDate(38051.0)}},
      {Kind::Method, "DataField", {Text("Ref"), object}},
      {Kind::Method, "DataField", {Text("Price"), Variant::fromDouble(2.5)}},
      {Kind::Method, "SaveRec", {}},
      {Kind::Method,
       "PrepareQuery",
       {Text("SELECT Code, Name, Made, Ref, Price FROM Goods WHERE Code = ? AND Name = ?")}},
      {Kind::Method, "Bind", {Int(15)}},
      {Kind::Method, "Bind", {Text(std::string("Гайка"))}},
      {Kind::Method, "Execute", {}},
      {Kind::Get, "EOF", {}},
      {Kind::Get, "FieldsCount", {}},
      {Kind::Method, "FieldName", {Int(1)}},
      {Kind::Method, "GetField", {Text("Missing")}},  // fails by design
      {Kind::Method, "GetField", {Int(0)}},
      {Kind::Method, "GetField", {Text("Name")}},
      {Kind::Method, "GetField", {Text("Price")}},
      {Kind::Method, "GetFieldAsDateTime", {Text("Made")}},
      {Kind::Method, "GetFieldAsObject", {Text("Ref")}},
      {Kind::Method, "MoveNext", {}},
      {Kind::Method, "BeginTrans", {}},
      {Kind::Method, "Execute", {Text("UPDATE Goods SET Price = 3")}},
      {Kind::Method, "RollbackTrans", {}},
      {Kind::Method, "BeginTrans", {}},
      {Kind::Method, "OpenRec", {Text("Goods")}},
      {Kind::Method, "KeyField", {Text("Code"), Int(16)}},
      {Kind::Method, "DataField", {Text("Name"), Text("Bolt")}},
      {Kind::Method, "SaveRec", {}},
      {Kind::Method, "CommitTrans", {}},
      {Kind::Method, "Execute", {Text("SELECT COUNT(*), SUM(Price) FROM Goods")}},
      {Kind::Method, "GetField", {Int(1)}},
      {Kind::Get, "ErrorMsg", {}},
      {Kind::Method, "Close", {}},
      {Kind::Shutdown, "Shutdown", {}},
  };
}

// What one step gave.
struct Observed {
  std::string value;                    // the result, described
  std::string errorMsg;                 // ErrorMsg after the call
  std::vector<std::string> newEntries;  // error log entries it added
  bool escaped = false;                 // a C++ exception left the component
  bool outOfMemory = false;             // an operation answered E_OUTOFMEMORY
  bool injected = false;                // the failing allocation fell in this call
};

std::string Describe(const Variant& v) {
  if (v.vt() == VT_DISPATCH) {
    const HostObject* o = HostObject::from(v.get().pdispVal);
    return o ? "object " + o->typeId() + std::to_string(o->objectNumber()) : "dispatch";
  }
  try {
    return std::to_string(v.vt()) + ":" + ValueText(v);
  } catch (const ComponentError&) {
    return std::to_string(v.vt()) + "?";
  }
}

// A host, its object and one component object, made and released per run.
struct Fixture {
  ComPtr<HostConnection> host = HostConnection::create();
  ComPtr<HostObject> item = HostObject::create("O", 1, 5, "   ");
  TestComponent component;
};

// What a host asks about members before it calls them, answers in a row.
std::string AskAboutMembers(Fixture& f, bool& outOfMemory) {
  std::string answers;
  Bstr executeName, eofName;
  long execute, eof;
  std::optional<ParamArray> version;
  {
    oom::Paused paused;
    executeName = Bstr::fromUtf8("Execute");
    eofName = Bstr::fromUtf8("EOF");
    execute = f.component.method("Execute");
    eof = f.component.property("EOF");
    version.emplace(std::vector<Variant>{Variant()});
  }
  IScriptExtension* x = f.component.extension.get();
  auto note = [&](HRESULT hr, BSTR text, long number) {
    oom::Paused paused;
    outOfMemory = outOfMemory || hr == E_OUTOFMEMORY;
    answers += std::to_string(hr) + " " + (text ? Bstr::attach(text).utf8() : "") + " " +
               std::to_string(number) + ";";
  };
  // Each answer is read after its call: arguments have no order.
  BSTR text = nullptr;
  long number = -1;
  HRESULT hr = x->GetExtensionName(&text);
  note(hr, text, 0);
  text = nullptr;
  hr = x->GetMethodName(execute, 1, &text);
  note(hr, text, 0);
  text = nullptr;
  hr = x->GetPropertyName(eof, 1, &text);
  note(hr, text, 0);
  hr = x->FindMethod(executeName.get(), &number);
  note(hr, nullptr, number);
  hr = x->FindProperty(eofName.get(), &number);
  note(hr, nullptr, number);
  Variant value;
  hr = x->GetParamDefault(execute, 0, value.ptr());
  note(hr, nullptr, value.vt());
  hr = f.component.init->GetVersionInfo(version->ptr());
  {
    oom::Paused paused;
    number = version->at(0).vt();
  }
  note(hr, nullptr, number);
  oom::Paused paused;
  version.reset();
  return answers;
}

Observed Run(Fixture& f, const Step& step) {
  Observed o;
  std::optional<ParamArray> params;
  long number = -1;
  size_t logBefore;
  Variant value;
  {
    oom::Paused paused;
    logBefore = f.host->errorLog().size();
    params.emplace(step.args);
    if (step.kind == Kind::Method) number = f.component.method(step.name);
    if (step.kind == Kind::Get || step.kind == Kind::Set) number = f.component.property(step.name);
    if (step.kind == Kind::Set) value = step.args.at(0);
  }
  const bool before = oom::FailureInjected();
  try {
    switch (step.kind) {
      case Kind::Initialize:
        f.component.init->Initialize(f.host.get());
        break;
      case Kind::Members:
        o.value = AskAboutMembers(f, o.outOfMemory);
        break;
      case Kind::Method:
        f.component.extension->CallAsFunction(number, value.ptr(), params->ptr());
        break;
      case Kind::Get:
        f.component.extension->GetPropertyValue(number, value.ptr());
        break;
      case Kind::Set:
        f.component.extension->SetPropertyValue(number, value.ptr());
        break;
      case Kind::Shutdown:
        f.component.init->Shutdown();
        break;
    }
  } catch (...) {
    o.escaped = true;
  }
  o.injected = oom::FailureInjected() && !before;
  oom::Paused paused;
  if (step.kind != Kind::Set && step.kind != Kind::Members) o.value = Describe(value);
  value.clear();
  params.reset();
  o.errorMsg = ErrorText();
  for (size_t i = logBefore; i < f.host->errorLog().size(); ++i)
    o.newEntries.push_back(f.host->errorLog()[i].descriptionText());
  return o;
}

// The texts an allocation failure may give: the system's for E_OUTOFMEMORY
// (the component's own, and that of an ADO call that ran out) and SQLite's.
bool SaysOutOfMemory(const std::string& text) {
  static const std::string kTexts[] = {StatusMessage(E_OUTOFMEMORY), "out of memory"};
  for (const std::string& t : kTexts)
    if (text.find(t) != std::string::npos) return true;
  return false;
}

struct Sweep {
  std::vector<Observed> reference;
  std::vector<std::string> problems;
  bool persistent = false;  // memory stays out from the failure point on
  int failedCalls = 0, absorbed = 0;
  long perSource[oom::kSources] = {};

  void problem(long n, const std::string& step, const std::string& what) {
    oom::Paused paused;
    problems.push_back("n=" + std::to_string(n) + " " + step + ": " + what);
  }

  // A fresh call with memory back: the component answers as new (initialised
  // again when the failure hit Initialize or Shutdown).
  void recover(long n, Fixture& f, bool initialise) {
    oom::Disarm();
    oom::Paused paused;
    if (initialise) f.component.init->Initialize(f.host.get());
    f.component.call("Open", {Text("Provider=SQLite;Data Source=:memory:")});
    f.component.call("Execute", {Text("SELECT 40 + 2")});
    const std::string got = ValueText(f.component.call("GetField", {Int(0)}));
    if (got != "42" || !ErrorText().empty())
      problem(n, "recovery", "GetField gave '" + got + "', ErrorMsg '" + ErrorText() + "'");
    f.component.init->Shutdown();
  }

  // Runs the script with the n-th allocation failing (0: none); false when
  // no allocation was made as the n-th, so the script has fewer points.
  bool run(long n) {
    oom::StartTracking();
    std::string absorbedIn;
    {
      Fixture f;
      std::vector<Step> script;
      {
        oom::Paused paused;
        script = Script(f.item.get());
      }
      oom::Arm(n, persistent);
      for (size_t i = 0; i < script.size(); ++i) {
        const Step& step = script[i];
        Observed o = Run(f, step);
        oom::Paused paused;
        if (n == 0) {
          reference.push_back(o);
          continue;
        }
        const Observed& expected = reference[i];
        const std::string where = std::to_string(i) + " " + step.name;
        if (o.escaped) problem(n, where, "a C++ exception left the component");
        const bool sameAnswer = !o.escaped && o.value == expected.value &&
                                o.errorMsg == expected.errorMsg &&
                                o.newEntries == expected.newEntries;
        if (!o.injected) {
          if (!sameAnswer)
            problem(n, where,
                    (oom::FailureInjected() ? "after a failure absorbed in " + absorbedIn
                                            : std::string("before the failure point")) +
                        " answers '" + o.value + "' '" + o.errorMsg + "' instead of '" +
                        expected.value + "' '" + expected.errorMsg + "'");
          continue;
        }
        if (persistent) {
          // No message can be asked of a call that never gets memory back:
          // only that it returns, leaks nothing and leaves a working object.
          ++failedCalls;
          recover(n, f, step.kind == Kind::Initialize || step.kind == Kind::Shutdown);
          break;
        }
        if (sameAnswer) {
          ++absorbed;
          absorbedIn = where;
          continue;  // absorbed: the rest of the script must not notice
        }
        ++failedCalls;
        checkReported(n, where, step.kind, o, expected);
        recover(n, f, step.kind == Kind::Initialize || step.kind == Kind::Shutdown);
        break;
      }
      oom::Disarm();
    }
    const bool reached = oom::FailureInjected();
    if (reached) ++perSource[oom::InjectedSource()];
    std::string().swap(ErrorText());
    oom::StopTracking();
    for (int s = 0; s < oom::kSources; ++s)
      if (oom::LiveBlocks(oom::Source(s)) != 0)
        problem(n, "end",
                std::to_string(oom::LiveBlocks(oom::Source(s))) + " blocks left of allocator " +
                    std::to_string(s));
    if (ado::AdoLiveObjects() != 0) problem(n, "end", "ADO objects left");
    return reached;
  }

  // A failed call names the failure where the script and the host look.
  void checkReported(long n, const std::string& where, Kind kind, const Observed& o,
                     const Observed& expected) {
    if (kind == Kind::Method) {
      // A call that fails anyway may keep its own message, or the start of
      // it when there was no room to add what it was working on.
      const bool ownMessage =
          !o.errorMsg.empty() && expected.errorMsg.compare(0, o.errorMsg.size(), o.errorMsg) == 0;
      if (!SaysOutOfMemory(o.errorMsg) && !ownMessage)
        problem(n, where, "ErrorMsg does not say memory ran out: '" + o.errorMsg + "'");
      const bool logged = o.newEntries.size() == 1 && o.newEntries[0] == o.errorMsg;
      if (!logged && !oom::InjectedWhileReporting())
        problem(n, where, "the error log lacks ErrorMsg's text");
      return;
    }
    if (kind == Kind::Get || kind == Kind::Set) {
      if (o.newEntries.size() != 1 || !SaysOutOfMemory(o.newEntries[0]))
        problem(n, where, "no error log entry says memory ran out");
      return;
    }
    if (kind == Kind::Members && o.outOfMemory) return;
    problem(n, where, "answers otherwise: '" + o.value + "'");
  }
};

long StrideFromEnvironment() {
  const char* text = std::getenv("QORVID_OOM_STRIDE");
  const long stride = text ? std::atol(text) : 1;
  return stride > 0 ? stride : 1;
}

// The counter reaches every allocator the component's process uses: the
// first allocation fails whichever asks, and a block made while tracking is
// counted until it is freed.
TEST(AllocationFailure, EachAllocatorFailsAndCounts) {
  struct Case {
    const char* name;
    oom::Source source;
    bool (*failsFirst)();  // true when the first allocation failed
    void (*makeAndFree)();
  };
  const Case cases[] = {
      {"operator new", oom::CppNew,
       [] {
         try {
           ::operator delete(::operator new(4));
         } catch (const std::bad_alloc&) {
           return true;
         }
         return false;
       },
       [] { ::operator delete(::operator new(4)); }},
      {"operator new (nothrow)", oom::CppNew,
       [] {
         void* p = ::operator new(4, std::nothrow);
         ::operator delete(p);
         return p == nullptr;
       },
       [] { ::operator delete(::operator new(4, std::nothrow)); }},
      {"BSTR", oom::PlatformBlocks, [] { return SysAllocString(OLESTR("x")) == nullptr; },
       [] { SysFreeString(SysAllocString(OLESTR("x"))); }},
      {"SAFEARRAY", oom::PlatformBlocks,
       [] { return SafeArrayCreateVector(VT_VARIANT, 0, 2) == nullptr; },
       [] { SafeArrayDestroy(SafeArrayCreateVector(VT_VARIANT, 0, 2)); }},
      {"task memory", oom::PlatformBlocks, [] { return CoTaskMemAlloc(8) == nullptr; },
       [] { CoTaskMemFree(CoTaskMemAlloc(8)); }},
      {"SQLite", oom::Sqlite, [] { return sqlite3_malloc(8) == nullptr; },
       [] { sqlite3_free(sqlite3_malloc(8)); }},
  };
  for (const Case& c : cases) {
    oom::Arm(1);
    const bool failed = c.failsFirst();
    oom::Disarm();
    EXPECT_TRUE(failed) << c.name;
    EXPECT_TRUE(oom::FailureInjected()) << c.name;

    oom::StartTracking();
    void* kept = nullptr;
    if (c.source == oom::PlatformBlocks) kept = CoTaskMemAlloc(4);
    if (c.source == oom::Sqlite) kept = sqlite3_malloc(4);
    if (c.source == oom::CppNew) kept = ::operator new(4);
    c.makeAndFree();
    oom::StopTracking();
    EXPECT_EQ(oom::LiveBlocks(c.source), 1) << c.name;
    if (c.source == oom::PlatformBlocks) CoTaskMemFree(kept);
    if (c.source == oom::Sqlite) sqlite3_free(kept);
    if (c.source == oom::CppNew) ::operator delete(kept);
    EXPECT_EQ(oom::LiveBlocks(c.source), 0) << c.name;
  }
}

// The n-th allocation fails alone (the call reports it), or with every one
// after it (the call can report nothing, but must still return cleanly).
class AllocationFailureSweep : public ::testing::TestWithParam<bool> {};

TEST_P(AllocationFailureSweep, EveryPointOfTheScriptFailsCleanly) {
  AdoRegisterInProcess();
  Sweep sweep;
  sweep.persistent = GetParam();
  // Twice without a failure: the first fills what is made once per process
  // (member name indexes, code page tables), the second must balance.
  sweep.run(0);
  sweep.reference.clear();
  sweep.run(0);
  ASSERT_TRUE(sweep.problems.empty()) << sweep.problems.front();

  const long stride = StrideFromEnvironment();
  long points = 0, tried = 0;
  const char* only = std::getenv("QORVID_OOM_ONLY");  // one point, when looking into it
  for (long n = only ? std::atol(only) : 1;; n += only ? 1000000 : stride) {
    bool reached = false;
    try {
      reached = sweep.run(n);
    } catch (const std::exception& e) {
      FAIL() << "n=" << n << ": " << e.what() << " thrown outside a component call";
    }
    if (!reached) break;
    points = n;
    ++tried;
  }
  std::printf(
      "allocation failure points: %ld (tried %ld, stride %ld; operator new %ld, platform %ld, "
      "SQLite %ld): %d calls failed cleanly, %d failures absorbed\n",
      points, tried, stride, sweep.perSource[oom::CppNew], sweep.perSource[oom::PlatformBlocks],
      sweep.perSource[oom::Sqlite], sweep.failedCalls, sweep.absorbed);
  if (!only) {
    EXPECT_GT(points, 100);
  }
  // The first few tell the story; a fault seen at every point would drown it.
  for (size_t i = 0; i < sweep.problems.size() && i < 40; ++i) ADD_FAILURE() << sweep.problems[i];
  EXPECT_TRUE(sweep.problems.empty()) << sweep.problems.size() << " problems";
}

INSTANTIATE_TEST_SUITE_P(Failing, AllocationFailureSweep, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                           return info.param ? "FromThereOn" : "OneAllocation";
                         });

}  // namespace
}  // namespace qorvid

int main(int argc, char** argv) {
  qorvid::oom::InstallAllocators();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
