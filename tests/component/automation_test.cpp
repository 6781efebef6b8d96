// The late-bound call layer against a recording fake: forms, flags,
// argument types, name lookup, failure messages; and the value conversions.
#include "automation/automation.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "tests/support/recording_dispatch.h"

namespace qorvid {

namespace {

std::string FailureOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const ComponentError& e) {
    return e.message();
  }
  return "<no failure>";
}

TEST(LateBoundCall, EachFormSendsItsFlagsAndArguments) {
  RecordingDispatch fake;
  Variant target = DispatchValue(&fake);
  Automation object(target);

  object.put("CursorLocation", byValue(3));
  object.getWith("Fields", byValue(std::string("id")));
  object.get("EOF");
  object.call("MoveNext");

  const auto& calls = fake.calls();
  ASSERT_EQ(calls.size(), 4u);
  EXPECT_EQ(calls[0].flags, DISPATCH_PROPERTYPUT);
  EXPECT_EQ(calls[0].namedArgs, std::vector<DISPID>{DISPID_PROPERTYPUT});
  EXPECT_EQ(calls[0].argTypes, std::vector<VARTYPE>{VT_I4});
  EXPECT_EQ(calls[1].flags, DISPATCH_PROPERTYGET);
  EXPECT_TRUE(calls[1].namedArgs.empty());
  EXPECT_EQ(calls[1].argTypes, std::vector<VARTYPE>{VT_BSTR});
  EXPECT_EQ(calls[2].flags, DISPATCH_METHOD | DISPATCH_PROPERTYGET);
  EXPECT_TRUE(calls[2].argTypes.empty());
  EXPECT_EQ(calls[3].flags, DISPATCH_METHOD);
  for (const auto& c : calls) EXPECT_EQ(c.lcid, 0u) << c.member;
  // Looked up at every call, with the thread's locale.
  EXPECT_EQ(fake.lookups(),
            (std::vector<std::string>{"CursorLocation", "Fields", "EOF", "MoveNext"}));
  for (LCID l : fake.lookupLocales()) EXPECT_EQ(l, GetThreadLocale());
  EXPECT_EQ(fake.refCount(), 2u);  // the test's and target's, no more
}

TEST(LateBoundCall, PutOfAnObjectIsPutRef) {
  RecordingDispatch fake, value;
  Variant target = DispatchValue(&fake);
  Variant object = DispatchValue(&value);
  Automation(target).put("ActiveConnection", byValue(object.get()));
  Automation(target).put("ActiveConnection", byRef(object.get()));
  Automation(target).put("ConnectionString", byValue(std::string("x")));
  ASSERT_EQ(fake.calls().size(), 3u);
  EXPECT_EQ(fake.calls()[0].flags, DISPATCH_PROPERTYPUTREF);
  EXPECT_EQ(fake.calls()[1].flags, DISPATCH_PROPERTYPUTREF);
  EXPECT_EQ(fake.calls()[2].flags, DISPATCH_PROPERTYPUT);
  fake.clearRecord();
  EXPECT_EQ(value.refCount(), 2u);
}

// A host value that refers to itself, directly or in a ring, must not send
// the reference walk round for ever: it holds no object, so it is put.
TEST(LateBoundCall, ReferenceRingsArePutWithoutEndlessWalking) {
  RecordingDispatch fake;
  Variant target = DispatchValue(&fake);
  VARIANT self, a, b;
  self.vt = a.vt = b.vt = VT_VARIANT | VT_BYREF;
  self.pvarVal = &self;
  a.pvarVal = &b;
  b.pvarVal = &a;
  Automation(target).put("ConnectionString", byValue(self));
  Automation(target).put("ConnectionString", byRef(a));
  ASSERT_EQ(fake.calls().size(), 2u);
  EXPECT_EQ(fake.calls()[0].flags, DISPATCH_PROPERTYPUT);
  EXPECT_EQ(fake.calls()[1].flags, DISPATCH_PROPERTYPUT);
}

TEST(LateBoundCall, SevenArgumentFormsInCallerOrder) {
  RecordingDispatch fake;
  Variant target = DispatchValue(&fake);
  Variant host = Variant::fromDouble(2.5);
  Variant hostRef = Variant::fromUtf8("ref");
  std::string text = "plain", textRef = "in";
  LONG integer = 41;
  Automation(target).call("Many", {byValue(7), byValue(host.get()), byValue(text), byRef(textRef),
                                   byRef(hostRef.get()), byRef(integer), omitted()});
  ASSERT_EQ(fake.calls().size(), 1u);
  const auto& c = fake.calls()[0];
  EXPECT_EQ(c.argTypes, (std::vector<VARTYPE>{VT_I4, VT_R8, VT_BSTR, VT_BSTR | VT_BYREF,
                                              VT_VARIANT | VT_BYREF, VT_I4 | VT_BYREF, VT_ERROR}));
  EXPECT_EQ(c.args[0].get().lVal, 7);
  EXPECT_EQ(c.args[1].get().dblVal, 2.5);
  EXPECT_EQ(ValueText(c.args[2]), "plain");
  EXPECT_EQ(ValueText(c.args[3]), "in");
  EXPECT_EQ(ValueText(c.args[4]), "ref");
  EXPECT_EQ(c.args[5].get().lVal, 41);
  EXPECT_EQ(c.args[6].get().scode, DISP_E_PARAMNOTFOUND);
}

TEST(LateBoundCall, TextByReferenceComesBackAfterSuccessOnly) {
  RecordingDispatch fake;
  fake.onInvoke("Execute", [](DISPPARAMS* p, VARIANT*, EXCEPINFO*) {
    BSTR* slot = p->rgvarg[0].pbstrVal;
    Bstr::attach(*slot);  // the callee replaces the string it was given
    *slot = Bstr(OLESTR("rewritten")).detach();
    return S_OK;
  });
  fake.raise("Fail", "no");
  Variant target = DispatchValue(&fake);
  std::string text = "SELECT 1";
  Automation(target).call("Execute", {byRef(text)});
  EXPECT_EQ(text, "rewritten");
  std::string kept = "kept";
  EXPECT_EQ(FailureOf([&] { Automation(target).call("Fail", {byRef(kept)}); }), "no");
  EXPECT_EQ(kept, "kept");
}

TEST(LateBoundCall, AnswersAreReturned) {
  RecordingDispatch fake;
  fake.answer("Count", Variant::fromInt(5));
  Variant target = DispatchValue(&fake);
  EXPECT_EQ(Automation(target).get("Count").get().lVal, 5);
  // A reference to a dispatch value is a target too.
  IDispatch* raw = &fake;
  VARIANT ref;
  ref.vt = VT_DISPATCH | VT_BYREF;
  ref.ppdispVal = &raw;
  EXPECT_EQ(Automation(ref).get("count").get().lVal, 5);
}

TEST(LateBoundCall, TargetsWithoutAnObjectFailBeforeAnythingIsSent) {
  IDispatch* none = nullptr;
  VARIANT nullRef;
  nullRef.vt = VT_DISPATCH | VT_BYREF;
  nullRef.ppdispVal = &none;
  const Variant targets[] = {Variant(), Variant::fromInt(1), Variant::fromUtf8(""),
                             Variant::fromDispatch(nullptr), Variant(nullRef)};
  for (const Variant& t : targets) {
    EXPECT_EQ(FailureOf([&] { Automation(t).call("Close"); }),
              "Variant does not reference an automation object")
        << t.vt();
  }
}

TEST(LateBoundCall, FailureMessages) {
  RecordingDispatch fake;
  fake.unknown("Frobnicate");
  fake.fail("Busy", static_cast<HRESULT>(0x8ABC1234));
  fake.failLookup("Locked", static_cast<HRESULT>(0x8ABC1235));
  Variant target = DispatchValue(&fake);
  EXPECT_EQ(FailureOf([&] { Automation(target).call("Frobnicate"); }),
            "Method 'Frobnicate' not supported by automation object");
  EXPECT_EQ(FailureOf([&] { Automation(target).get("Busy"); }), StatusMessage(0x8ABC1234));
  EXPECT_EQ(FailureOf([&] { Automation(target).get("Locked"); }), StatusMessage(0x8ABC1235));
  EXPECT_TRUE(fake.callsOf("Frobnicate").empty());
}

TEST(LateBoundCall, ExceptionDescriptionsLoseTrailingDotsBlanksAndControls) {
  const struct {
    const char* description;
    const char* message;
  } cases[] = {
      {"Syntax error.", "Syntax error"},
      {"Table 'x' not found.\r\n", "Table 'x' not found"},
      {"ends . . .  ", "ends"},
      {"tab\t\n", "tab"},
      {"a.b", "a.b"},
      {"  leading kept", "  leading kept"},
  };
  for (const auto& c : cases) {
    RecordingDispatch fake;
    fake.raise("Execute", c.description);
    Variant target = DispatchValue(&fake);
    EXPECT_EQ(FailureOf([&] { Automation(target).call("Execute"); }), c.message) << c.description;
  }
}

TEST(StatusMessage, SystemTextWithoutLineEndOrOleErrorNumber) {
  std::string unknown = StatusMessage(static_cast<HRESULT>(0x8BADF00D));
  EXPECT_EQ(unknown, "OLE error 8badf00d");
  for (HRESULT h : {E_FAIL, E_NOINTERFACE, DISP_E_TYPEMISMATCH}) {
    std::string text = StatusMessage(h);
    ASSERT_FALSE(text.empty());
    EXPECT_NE(text.back(), '\n');
    EXPECT_NE(text.back(), '\r');
  }
}

TEST(ValueConversions, IntegerValue) {
  CY cy;
  cy.int64 = 25000;  // 2.5
  Variant currency;
  currency.get().vt = VT_CY;
  currency.get().cyVal = cy;
  Variant unsigned32;
  unsigned32.get().vt = VT_UI4;
  unsigned32.get().ulVal = 0xFFFFFFFFu;
  Variant wide;
  wide.get().vt = VT_I8;
  wide.get().llVal = 0x100000005LL;
  const struct {
    Variant value;
    LONG expected;
  } cases[] = {
      {Variant::fromInt(-7), -7},
      {Variant::fromDouble(2.5), 2},
      {Variant::fromDouble(3.5), 4},
      {Variant::fromDouble(-2.5), -2},
      {Variant::fromDouble(2.6), 3},
      {currency, 2},
      {unsigned32, -1},
      {wide, 5},
      {Variant::fromUtf8("123"), 123},
      {Variant::fromBool(true), -1},
  };
  for (const auto& c : cases) EXPECT_EQ(IntegerValue(c.value), c.expected) << c.value.vt();
}

TEST(ValueConversions, IntegerValueFailures) {
  const Variant cases[] = {Variant::fromUtf8("abc"), Variant::fromDouble(1e10),
                           Variant::fromDouble(std::numeric_limits<double>::quiet_NaN()),
                           Variant::fromDouble(-std::numeric_limits<double>::infinity())};
  for (const Variant& v : cases)
    EXPECT_EQ(FailureOf([&] { IntegerValue(v); }), "Invalid variant type conversion");
}

TEST(ValueConversions, ValueTextAndBooleanValue) {
  EXPECT_EQ(ValueText(Variant()), "");
  EXPECT_EQ(ValueText(Variant::fromInt(42)), "42");
  EXPECT_EQ(ValueText(Variant::fromUtf8("as is ")), "as is ");
  SAFEARRAY* array = SafeArrayCreateVector(VT_VARIANT, 0, 1);
  Variant list;
  list.get().vt = VT_ARRAY | VT_VARIANT;
  list.get().parray = array;
  EXPECT_EQ(FailureOf([&] { ValueText(list); }), "Invalid variant type conversion");
  EXPECT_TRUE(BooleanValue(Variant::fromBool(true)));
  EXPECT_FALSE(BooleanValue(Variant::fromInt(0)));
  EXPECT_EQ(FailureOf([&] { BooleanValue(list); }), "Invalid variant type conversion");
}

}  // namespace

}  // namespace qorvid
