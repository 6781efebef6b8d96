// The member tables as the host sees them through IScriptExtension.
#include <gtest/gtest.h>

#include "platform/text_case.h"
#include "tests/component/component_fixture.h"

namespace qorvid {

namespace {

// Names as the host passes them: UTF-16.
Bstr HostName(const std::string& name) { return Bstr::fromUtf8(name); }

struct Member {
  long number;
  const char* english;
  std::string russian;
};

const Member kProperties[] = {
    {0, "ErrorMsg", std::string("Ошибка")},
    {1, "EOF", std::string("КонецВыборки")},
    {2, "FieldsCount", std::string("КоличествоПолей")},
    {3, "Time", std::string("Время")},
};

struct Method {
  long number;
  const char* english;
  std::string russian;
  long params;
};

const Method kMethods[] = {
    {0, "Open", std::string("Открыть"), 1},
    {1, "Close", std::string("Закрыть"), 0},
    {2, "Execute", std::string("Выполнить"), 1},
    {3, "MoveNext", std::string("СледующаяЗапись"), 0},
    {4, "GetField", std::string("ПолучитьПоле"), 1},
    {5, "GetFieldAsDateTime", std::string("ПолучитьПолеДатаВремя"), 1},
    {6, "GetFieldAsObject", std::string("ПолучитьПолеОбъект"), 1},
    {7, "PrepareQuery", std::string("ПодготовитьЗапрос"), 1},
    {8, "Bind", std::string("ПараметрЗапроса"), 1},
    {9, "OpenRec", std::string("ОткрытьЗапись"), 1},
    {10, "KeyField", std::string("КлючевоеПоле"), 2},
    {11, "DataField", std::string("ПолеДанных"), 2},
    {12, "SaveRec", std::string("СохранитьЗапись"), 0},
    {13, "DeleteRec", std::string("УдалитьЗапись"), 0},
    {14, "BeginTrans", std::string("НачатьТранзакцию"), 0},
    {15, "CommitTrans", std::string("ЗафиксироватьТранзакцию"), 0},
    {16, "RollbackTrans", std::string("ОткатитьТранзакцию"), 0},
    {17, "FieldName", std::string("ИмяПоля"), 1},
};

long Find(IScriptExtension* e, bool method, const std::string& name, HRESULT* status) {
  long number = 99;
  Bstr b = HostName(name);
  *status = method ? e->FindMethod(b.get(), &number) : e->FindProperty(b.get(), &number);
  return number;
}

// Name variants that must not be found: other letter case, blanks.
std::vector<std::string> NearMisses(const std::string& name) {
  WideString lower = platform::WideFromUtf8(name), upper = lower;
  lower[0] = platform::FoldCase(lower[0]);
  for (OLECHAR& c : upper)  // ASCII and Cyrillic small letters
    if ((c >= u'a' && c <= u'z') || (c >= 0x0430 && c <= 0x044F)) c = static_cast<OLECHAR>(c - 0x20);
  std::vector<std::string> out = {" " + name, name + " ", platform::Utf8FromWide(lower)};
  if (upper != platform::WideFromUtf8(name)) out.push_back(platform::Utf8FromWide(upper));
  return out;
}

TEST(MemberTables, EveryMemberIsFoundByBothNamesAndNothingElse) {
  TestComponent c;
  HRESULT status;
  for (const Member& m : kProperties) {
    for (const std::string& name : {std::string(m.english), m.russian}) {
      EXPECT_EQ(Find(c.extension.get(), false, name, &status), m.number) << name;
      EXPECT_EQ(status, S_OK);
      EXPECT_EQ(Find(c.extension.get(), true, name, &status), -1) << name;
      for (const std::string& miss : NearMisses(name)) {
        EXPECT_EQ(Find(c.extension.get(), false, miss, &status), -1) << miss;
        EXPECT_EQ(status, S_FALSE);
      }
    }
  }
  for (const Method& m : kMethods) {
    for (const std::string& name : {std::string(m.english), m.russian}) {
      EXPECT_EQ(Find(c.extension.get(), true, name, &status), m.number) << name;
      EXPECT_EQ(status, S_OK);
      for (const std::string& miss : NearMisses(name)) {
        EXPECT_EQ(Find(c.extension.get(), true, miss, &status), -1) << miss;
        EXPECT_EQ(status, S_FALSE);
      }
    }
  }
  long number = 5;
  EXPECT_EQ(c.extension->FindMethod(nullptr, &number), S_FALSE);
  EXPECT_EQ(number, -1);
}

TEST(MemberTables, NamesByNumberAndAlias) {
  TestComponent c;
  for (const Member& m : kProperties) {
    for (long alias : {0L, 1L}) {
      BSTR name = SysAllocString(OLESTR("stale"));  // released by the call
      EXPECT_EQ(c.extension->GetPropertyName(m.number, alias, &name), S_OK);
      EXPECT_EQ(Bstr::attach(name).utf8(), alias ? m.russian : m.english);
    }
  }
  for (const Method& m : kMethods) {
    for (long alias : {0L, 1L}) {
      BSTR name = SysAllocString(OLESTR("stale"));
      EXPECT_EQ(c.extension->GetMethodName(m.number, alias, &name), S_OK);
      EXPECT_EQ(Bstr::attach(name).utf8(), alias ? m.russian : m.english);
    }
  }
  const struct {
    long number, alias;
    bool method;
  } bad[] = {{4, 0, false}, {-1, 0, false}, {0, 2, false}, {256, 0, false}, {18, 0, true},
             {0, 2, true},  {0, -1, true},  {-1, 1, true}, {256, 0, true}};
  for (const auto& b : bad) {
    BSTR name = SysAllocString(OLESTR("stale"));
    HRESULT hr = b.method ? c.extension->GetMethodName(b.number, b.alias, &name)
                          : c.extension->GetPropertyName(b.number, b.alias, &name);
    EXPECT_EQ(hr, S_FALSE) << b.number << "/" << b.alias;
    EXPECT_EQ(name, nullptr);
  }
  BSTR ext = SysAllocString(OLESTR("stale"));
  EXPECT_EQ(c.extension->GetExtensionName(&ext), S_OK);
  EXPECT_EQ(Bstr::attach(ext).utf8(), "qorvid");
}

TEST(MemberTables, CountsParametersDefaultsAndFlags) {
  TestComponent c;
  long count = 0;
  EXPECT_EQ(c.extension->GetPropertyCount(&count), S_OK);
  EXPECT_EQ(count, 4);
  EXPECT_EQ(c.extension->GetMethodCount(&count), S_OK);
  EXPECT_EQ(count, 18);
  for (const Method& m : kMethods) {
    count = -5;
    EXPECT_EQ(c.extension->GetParamCount(m.number, &count), S_OK);
    EXPECT_EQ(count, m.params) << m.english;
    BOOL flag = FALSE;
    EXPECT_EQ(c.extension->HasResult(m.number, &flag), S_OK);
    EXPECT_TRUE(flag);
  }
  for (long outside : {-1L, 18L, 256L, 100000L}) {
    count = -5;
    EXPECT_EQ(c.extension->GetParamCount(outside, &count), S_FALSE);
    EXPECT_EQ(count, 0);
  }
  for (long method : {0L, 2L, 17L}) {
    Variant value = Variant::fromUtf8("stale");
    EXPECT_EQ(c.extension->GetParamDefault(method, 0, value.ptr()), S_OK);
    if (method == 2) {
      ASSERT_EQ(value.vt(), VT_BSTR);
      EXPECT_EQ(SysStringLen(value.get().bstrVal), 0u);
    } else {
      EXPECT_EQ(value.vt(), VT_EMPTY);
    }
  }
}

TEST(MemberTables, PropertyReadabilityAndWritability) {
  TestComponent c;
  const struct {
    long number;
    BOOL writable;
    HRESULT status;
  } cases[] = {{0, FALSE, S_OK},          {1, FALSE, S_OK},    {2, FALSE, S_FALSE},
               {3, TRUE, S_OK},           {4, FALSE, S_FALSE}, {256 + 3, TRUE, S_OK},
               {256 + 2, FALSE, S_FALSE}, {-1, FALSE, S_FALSE}};
  for (const auto& k : cases) {
    BOOL flag = 7;
    EXPECT_EQ(c.extension->IsPropertyWritable(k.number, &flag), k.status) << k.number;
    EXPECT_EQ(flag, k.writable) << k.number;
    flag = FALSE;
    EXPECT_EQ(c.extension->IsPropertyReadable(k.number, &flag), S_OK);
    EXPECT_TRUE(flag);
  }
}

}  // namespace

}  // namespace qorvid
