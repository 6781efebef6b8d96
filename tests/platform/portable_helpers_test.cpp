// The header-only helpers every module shares: the case fold, the calendar of
// automation dates and the name-table IDispatch base.
#include <gtest/gtest.h>

#include <string>

#include "platform/named_dispatch.h"
#include "platform/ole_date.h"
#include "platform/text_case.h"

namespace qorvid::platform {
namespace {

TEST(TextCase, FoldsAsciiAndTheCyrillicOfCp1251Only) {
  const struct {
    unsigned in, out;
  } cases[] = {
      {'A', 'a'},       {'Z', 'z'},       {'a', 'a'},
      {'@', '@'},       {'[', '['},       {0x0410, 0x0430},  // А
      {0x042F, 0x044F},                                      // Я
      {0x0401, 0x0451},                                      // Ё
      {0x040E, 0x045E},                                      // Ў
      {0x0490, 0x0491},                                      // Ґ
      {0x0451, 0x0451}, {0x00C9, 0x00C9},                    // É stays: not a cp1251 letter
      {0x0460, 0x0460}, {0x0100, 0x0100},
  };
  for (const auto& c : cases)
    EXPECT_EQ(static_cast<unsigned>(FoldCase(static_cast<OLECHAR>(c.in))), c.out) << c.in;

  EXPECT_TRUE(EqualsIgnoringCase(OLESTR("CursorLocation"), OLESTR("cursorlocation")));
  EXPECT_TRUE(EqualsIgnoringCase(OLESTR("Ёлка Код"), OLESTR("ёЛКА кОД")));
  EXPECT_FALSE(EqualsIgnoringCase(OLESTR("Open"), OLESTR("Opens")));
  EXPECT_FALSE(EqualsIgnoringCase(OLESTR("Opens"), OLESTR("Open")));
  EXPECT_FALSE(EqualsIgnoringCase(OLESTR("Open"), nullptr));
  const std::basic_string<OLECHAR> nul(OLESTR("a\0b"), 3), nulUpper(OLESTR("A\0B"), 3);
  EXPECT_TRUE(EqualsIgnoringCase(nul, nulUpper));
  EXPECT_FALSE(EqualsIgnoringCase(nul, std::basic_string<OLECHAR>(OLESTR("a"))));
}

TEST(OleDateArithmetic, CountsDaysFromTheEndOf1899) {
  const struct {
    long long year;
    int month, day;
    long long number;
  } cases[] = {
      {1899, 12, 30, 0},    {1899, 12, 29, -1},  {1900, 1, 1, 2},      {1900, 3, 1, 61},
      {2000, 2, 29, 36585}, {2004, 3, 5, 38051}, {100, 1, 1, -657434}, {9999, 12, 31, 2958465},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(OleDayFromCivil(c.year, c.month, c.day), c.number) << c.year;
    const CivilDate back = CivilFromOleDay(c.number);
    EXPECT_EQ(back.year, c.year);
    EXPECT_EQ(back.month, c.month);
    EXPECT_EQ(back.day, c.day);
  }
  // Every day of the supported years goes there and back.
  long long wrong = 0;
  for (long long n = -657434; n <= 2958465; ++n) {
    const CivilDate d = CivilFromOleDay(n);
    if (OleDayFromCivil(d.year, d.month, d.day) != n || d.day > DaysInMonth(d.year, d.month))
      ++wrong;
  }
  EXPECT_EQ(wrong, 0);
}

TEST(OleDateArithmetic, TimeCountsForwardFromMidnightAlsoBeforeDayZero) {
  EXPECT_EQ(OleDateFromDayAndTime(-1, 0.25), -1.25);
  EXPECT_EQ(OleDateFromDayAndTime(0, 0.25), 0.25);
  EXPECT_EQ(OleDateFromDayAndTime(2, 0.5), 2.5);
  EXPECT_EQ(DaysInMonth(1900, 2), 28);
  EXPECT_EQ(DaysInMonth(2000, 2), 29);

  char text[40];
  DateTimeParts p;
  FormatDateTimeText(p, text, sizeof text);
  EXPECT_STREQ(text, "1899-12-30 00:00:00");
  p.year = 999;
  p.millisecond = 5;
  FormatDateTimeText(p, text, sizeof text);
  EXPECT_STREQ(text, "0999-12-30 00:00:00.005");
}

// Two members, one Russian; Invoke answers the DISPID it was given.
class Probe : public NamedDispatch {
 public:
  Probe() : NamedDispatch(kNames, 2) {}
  bool* released = nullptr;

 private:
  static constexpr DispatchName kNames[] = {{OLESTR("Open"), 7},
                                            {OLESTR("Выполнить"), DISPID_VALUE}};
  HRESULT dispatchMember(DISPID id, LCID, WORD, DISPPARAMS*, VARIANT* result, EXCEPINFO*,
                         UINT*) override {
    if (result) {
      result->vt = VT_I4;
      result->lVal = id;
    }
    return S_OK;
  }
  void lastReleased() override { *released = true; }
};

TEST(NamedDispatch, FindsNamesWithoutCaseAndRoutesTheirDispids) {
  Probe probe;
  bool released = false;
  probe.released = &released;
  const struct {
    const OLECHAR* name;
    HRESULT status;
    DISPID id;
  } lookups[] = {
      {OLESTR("open"), S_OK, 7},
      {OLESTR("OPEN"), S_OK, 7},
      {OLESTR("ВЫПОЛНИТЬ"), S_OK, DISPID_VALUE},
      {OLESTR("Opened"), DISP_E_UNKNOWNNAME, DISPID_UNKNOWN},
      {nullptr, DISP_E_UNKNOWNNAME, DISPID_UNKNOWN},
  };
  for (const auto& l : lookups) {
    LPOLESTR names[] = {const_cast<LPOLESTR>(l.name)};
    DISPID id = 12345;
    EXPECT_EQ(probe.GetIDsOfNames(IID_NULL, names, 1, 0, &id), l.status);
    EXPECT_EQ(id, l.id);
  }
  LPOLESTR two[] = {const_cast<LPOLESTR>(OLESTR("Open")), const_cast<LPOLESTR>(OLESTR("x"))};
  DISPID ids[2] = {0, 0};
  EXPECT_EQ(probe.GetIDsOfNames(IID_NULL, two, 2, 0, ids), DISP_E_UNKNOWNNAME);
  EXPECT_EQ(ids[0], 7);
  EXPECT_EQ(ids[1], DISPID_UNKNOWN);
  EXPECT_EQ(probe.GetIDsOfNames(IID_NULL, two, 0, 0, ids), E_INVALIDARG);

  VARIANT result;
  VariantInit(&result);
  DISPPARAMS none = {nullptr, nullptr, 0, 0};
  EXPECT_EQ(probe.Invoke(7, IID_NULL, 0, DISPATCH_METHOD, &none, &result, nullptr, nullptr), S_OK);
  EXPECT_EQ(result.lVal, 7);
  EXPECT_EQ(probe.Invoke(8, IID_NULL, 0, DISPATCH_METHOD, &none, &result, nullptr, nullptr),
            DISP_E_MEMBERNOTFOUND);

  IUnknown* other = nullptr;
  EXPECT_EQ(probe.QueryInterface(IID_IClassFactory, reinterpret_cast<void**>(&other)),
            E_NOINTERFACE);
  EXPECT_EQ(other, nullptr);
  EXPECT_EQ(probe.QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&other)), S_OK);
  EXPECT_EQ(probe.refCount(), 2u);
  EXPECT_EQ(other->Release(), 1u);
  EXPECT_FALSE(released);
  EXPECT_EQ(probe.Release(), 0u);
  EXPECT_TRUE(released);
  EXPECT_EQ(probe.Release(), 0u);  // one too many stays at 0
  EXPECT_EQ(probe.refCount(), 0u);
}

}  // namespace
}  // namespace qorvid::platform
