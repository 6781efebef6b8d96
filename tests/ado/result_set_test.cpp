#include "ado/results/result_set.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "ado/results/cell_values.h"

namespace qorvid::ado {

namespace {

// Type and contents alike: the bits of the value, the text of a BSTR, the
// bytes of an array.
void ExpectSame(const Variant& want, const Variant& got, size_t index) {
  ASSERT_EQ(want.vt(), got.vt()) << "cell " << index;
  const VARIANT& w = want.get();
  const VARIANT& g = got.get();
  switch (want.vt()) {
    case VT_BSTR:
      ASSERT_EQ(SysStringLen(w.bstrVal), SysStringLen(g.bstrVal)) << "cell " << index;
      EXPECT_EQ(WideString(w.bstrVal, SysStringLen(w.bstrVal)),
                WideString(g.bstrVal, SysStringLen(g.bstrVal)))
          << "cell " << index;
      break;
    case VT_ARRAY | VT_UI1: {
      void *a, *b;
      SafeArrayAccessData(w.parray, &a);
      SafeArrayAccessData(g.parray, &b);
      ASSERT_EQ(w.parray->rgsabound[0].cElements, g.parray->rgsabound[0].cElements);
      EXPECT_EQ(0, memcmp(a, b, w.parray->rgsabound[0].cElements)) << "cell " << index;
      SafeArrayUnaccessData(w.parray);
      SafeArrayUnaccessData(g.parray);
      break;
    }
    case VT_DECIMAL:
      EXPECT_EQ(0, memcmp(&w.decVal, &g.decVal, sizeof w.decVal)) << "cell " << index;
      break;
    case VT_I2:
    case VT_BOOL:
      EXPECT_EQ(w.iVal, g.iVal) << "cell " << index;
      break;
    case VT_I4:
    case VT_R4:
      EXPECT_EQ(w.lVal, g.lVal) << "cell " << index;  // the bits, for the float too
      break;
    case VT_I8:
    case VT_R8:
    case VT_DATE:
    case VT_CY:
      EXPECT_EQ(w.llVal, g.llVal) << "cell " << index;
      break;
    default:
      break;  // VT_NULL and VT_EMPTY carry nothing
  }
}

Variant Text(const WideString& s) { return Variant::fromWide(s); }

TEST(ResultSet, EveryKindOfCellReadsBackAsAppended) {
  DECIMAL d;
  ASSERT_TRUE(DecimalFromText("-12345678901234567890.125", &d));
  Variant i8 = Int64Variant(-9007199254740993LL);
  const std::vector<Variant> values = {
      Variant::null(),
      Int16Variant(-32768),
      Variant::fromInt(-2147483647 - 1),
      i8,
      FloatVariant(1.5f),
      Variant::fromDouble(-0.1),
      Variant::fromDate(38051.5),
      Variant::fromBool(true),
      Variant::fromBool(false),
      CurrencyVariant(-123456789),
      Text(OLESTR("")),
      Text(OLESTR("plain")),
      Text(OLESTR("Запись номер 1")),
      Text(WideString(1, OLECHAR(0xD800)) + OLESTR("lone")),
      Text(WideString(OLESTR("nul\0inside"), 10)),
      DecimalVariant(d),
      ByteArrayVariant("\x01\x00\xFF", 3),
      Variant(),
  };
  ResultSet rows;
  rows.columns.resize(values.size());
  for (const Variant& v : values) rows.append(v);
  ASSERT_EQ(1u, rows.rowCount());
  for (size_t c = 0; c < values.size(); ++c) {
    EXPECT_EQ(values[c].vt(), rows.type(0, c)) << "cell " << c;
    ExpectSame(values[c], rows.value(0, c), c);
  }
}

TEST(ResultSet, Utf8TextIsTakenOnlyWhenWellFormed) {
  struct Case {
    std::string utf8;
    bool taken;
    WideString wide;
  };
  const Case cases[] = {
      {"", true, OLESTR("")},
      {"ascii", true, OLESTR("ascii")},
      {"\xD0\x97\xD0\xB0\xD0\xBF", true, OLESTR("Зап")},
      {"\xF0\x9F\x98\x80", true, WideString(OLESTR("\xD83D\xDE00"))},
      {"a\xFF", false, OLESTR("")},
      {"\xC0\xAF", false, OLESTR("")},      // overlong
      {"\xED\xA0\x80", false, OLESTR("")},  // a surrogate
      {"\xE2\x82", false, OLESTR("")},      // cut short
  };
  ResultSet rows;
  rows.columns.resize(1);
  for (const Case& k : cases) {
    const size_t before = rows.cellCount();
    EXPECT_EQ(k.taken, rows.appendUtf8(k.utf8.data(), k.utf8.size())) << k.utf8;
    ASSERT_EQ(before + (k.taken ? 1 : 0), rows.cellCount());
    if (k.taken) ExpectSame(Text(k.wide), rows.value(before, 0), before);
  }
}

// Many cells and texts of every size: chunk boundaries, texts sharing a
// chunk, with one of their own, and kept aside.
TEST(ResultSet, ManyRowsAndLongTextsCrossTheChunks) {
  ResultSet rows;
  rows.columns.resize(3);
  const size_t kRows = 70000;
  const size_t longSizes[] = {64 * 1024 - 1, 64 * 1024 + 1, 700 * 1024, 1024 * 1024 + 3};
  std::vector<WideString> texts;
  for (size_t r = 0; r < kRows; ++r) {
    WideString text = OLESTR("row ") + WideString(r % 50, OLECHAR(u'ж'));
    if (r % 10000 == 7) text = WideString(longSizes[(r / 10000) % 4], OLECHAR('x'));
    texts.push_back(text);
    rows.append(Variant::fromInt(static_cast<LONG>(r)));
    const std::string utf8 = "строка " + std::to_string(r);
    ASSERT_TRUE(rows.appendUtf8(utf8.data(), utf8.size()));
    rows.append(Text(text));
  }
  ASSERT_EQ(kRows, rows.rowCount());
  for (size_t r = 0; r < kRows; ++r) {
    ASSERT_EQ(static_cast<LONG>(r), rows.value(r, 0).get().lVal);
    Variant v = rows.value(r, 2);
    ASSERT_EQ(texts[r], WideString(v.get().bstrVal, SysStringLen(v.get().bstrVal))) << r;
  }
  Variant last = rows.value(kRows - 1, 1);
  EXPECT_EQ(WideString(OLESTR("строка 69999")), WideString(last.get().bstrVal));
}

// Short texts after a long one, which has a chunk to itself, and after a
// shared chunk filled to its last byte: each reads back as it went in.
TEST(ResultSet, ShortTextsAfterALongOneOrAFullChunk) {
  const std::vector<std::vector<size_t>> orders = {
      {70000, 100, 100},
      {70000, 0},
      {65536, 65536, 65536, 65536, 65536, 65536, 65536, 65536, 65536, 65536, 65536, 65536, 65536,
       65536, 65536, 65536, 0, 10},
  };
  for (const std::vector<size_t>& sizes : orders) {
    ResultSet rows;
    rows.columns.resize(1);
    std::vector<WideString> texts;
    // After the leading texts, short ones well beyond the long text's size.
    for (size_t i = 0; i < sizes.size() + 2000; ++i) {
      const size_t size = i < sizes.size() ? sizes[i] : 100;
      texts.push_back(WideString(size, static_cast<OLECHAR>('a' + i % 26)));
      rows.append(Text(texts.back()));
    }
    for (size_t i = 0; i < texts.size(); ++i) {
      Variant v = rows.value(i, 0);
      ASSERT_EQ(texts[i], WideString(v.get().bstrVal, SysStringLen(v.get().bstrVal)))
          << sizes.size() << " leading texts, cell " << i;
    }
  }
}

}  // namespace

}  // namespace qorvid::ado
