// Conversions and VARIANT/BSTR behaviour as a real Windows answers them, one
// row of data/oleaut32-windows-expectations.tsv each: the input, the target,
// the locale and flags, and Windows' answer. The rows are compiled in from the
// file, so the same data runs natively against platform/ and, cross-built,
// against oleaut32 under Wine, where the rows Wine answers differently are
// accepted in Wine's form as well (kWineDifferences; the 32-bit and 64-bit
// Wine do not always agree).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <sstream>
#include <vector>

#include "tests/platform/conversion_support.h"

using namespace conversion_test;

namespace {

const char kData[] =
#include "oleaut32_expectations.inc"
    ;

struct Row {
  std::string group, input, expected;
};

std::vector<Row> Rows() {
  std::vector<Row> rows;
  std::istringstream in(kData);
  std::string line;
  std::getline(in, line);  // column names
  while (std::getline(in, line)) {
    if (line.empty()) continue;
    std::vector<std::string> cells;
    size_t start = 0;
    for (size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1)
      cells.push_back(line.substr(start, tab - start));
    cells.push_back(line.substr(start));
    cells.resize(4);
    rows.push_back({cells[0], cells[1], cells[2]});
  }
  return rows;
}

// Answers of Wine's oleaut32 (8.0) that differ from Windows: the row's
// input and Wine's answer, in the row's notation. Wine writes floating point
// with C's %G: ties to even, "5E-05", and a point inside E-notation.
struct WineDifference {
  const char* input;
  const char* answer;
};
const WineDifference kWineDifferences[] = {
    {"R4 654322.25 -> BSTR lcid 0409 flags 0", "\"654322.2\""},
    {"R4 4.99999987e-05 -> BSTR lcid 0409 flags 0", "\"5E-05\""},
    {"R4 4.99999987e-06 -> BSTR lcid 0409 flags 0", "\"5E-06\""},
    {"R4 4.99999987e-05 -> BSTR lcid 0419 flags 0", "\"5E-05\""},
    {"R4 4.99999987e-06 -> BSTR lcid 0419 flags 0", "\"5E-06\""},
    {"R4 1.20000004e+15 -> BSTR lcid 0419 flags 0", "\"1.2E+15\""},
    {"R4 1.23400005e+16 -> BSTR lcid 0419 flags 0", "\"1.234E+16\""},
    {"R8 5.6789000000000001e-05 -> BSTR lcid 0409 flags 0", "\"5.6789E-05\""},
    {"R8 5.6789e-06 -> BSTR lcid 0409 flags 0", "\"5.6789E-06\""},
    {"R8 5.6789000000000004e-07 -> BSTR lcid 0409 flags 0", "\"5.6789E-07\""},
    {"R8 5.6789e-08 -> BSTR lcid 0409 flags 0", "\"5.6789E-08\""},
    {"R8 5.6789000000000003e-09 -> BSTR lcid 0409 flags 0", "\"5.6789E-09\""},
    {"R8 5.6788999999999999e-10 -> BSTR lcid 0409 flags 0", "\"5.6789E-10\""},
    {"R8 5.6789000000000003e-11 -> BSTR lcid 0409 flags 0", "\"5.6789E-11\""},
    {"R8 5.0000000000000002e-05 -> BSTR lcid 0419 flags 0", "\"5E-05\""},
    {"R8 5.0000000000000004e-06 -> BSTR lcid 0419 flags 0", "\"5E-06\""},
    {"R8 1200000000000000 -> BSTR lcid 0419 flags 0", "\"1.2E+15\""},
    {"R8 12340000000000000 -> BSTR lcid 0419 flags 0", "\"1.234E+16\""},
};

const char* WineAnswer(const std::string& input) {
  for (const WineDifference& d : kWineDifferences)
    if (input == d.input) return d.answer;
  return nullptr;
}

bool StartsWith(const std::string& s, const char* prefix) {
  return s.compare(0, std::strlen(prefix), prefix) == 0;
}

struct TypeName {
  const char* name;
  VARTYPE vt;
};
const TypeName kTypes[] = {
    {"EMPTY", VT_EMPTY}, {"NULL", VT_NULL},       {"I1", VT_I1},       {"UI1", VT_UI1},
    {"I2", VT_I2},       {"UI2", VT_UI2},         {"I4", VT_I4},       {"UI4", VT_UI4},
    {"I8", VT_I8},       {"UI8", VT_UI8},         {"R4", VT_R4},       {"R8", VT_R8},
    {"CY", VT_CY},       {"DECIMAL", VT_DECIMAL}, {"DEC", VT_DECIMAL}, {"BOOL", VT_BOOL},
    {"DATE", VT_DATE},   {"BSTR", VT_BSTR},       {"ERROR", VT_ERROR},
};

bool ParseType(std::istream& in, VARTYPE* vt) {
  std::string word;
  if (!(in >> word)) return false;
  if (!word.empty() && word.back() == ':') word.pop_back();
  if (word == "vt") {
    unsigned n;
    if (!(in >> n)) return false;
    *vt = static_cast<VARTYPE>(n);
    return true;
  }
  for (const TypeName& t : kTypes)
    if (word == t.name) {
      *vt = t.vt;
      return true;
    }
  return false;
}

std::wstring Unescaped(const std::string& text) {
  std::wstring out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 5 < text.size() && text[i + 1] == 'u') {
      out += static_cast<wchar_t>(std::strtoul(text.substr(i + 2, 4).c_str(), nullptr, 16));
      i += 5;
    } else {
      out += static_cast<wchar_t>(static_cast<unsigned char>(text[i]));
    }
  }
  return out;
}

// An object whose value property is the byte 1, as the conversion of an
// object into a value reads it. Held as VT_UNKNOWN it still answers
// IDispatch, yet is not asked for its value.
class ValueObject : public IDispatch {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch)) {
      *ppv = static_cast<IDispatch*>(this);
      return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
    return DISP_E_UNKNOWNNAME;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS*, VARIANT* result,
                                   EXCEPINFO*, UINT*) override {
    if (id != DISPID_VALUE || result == nullptr) return DISP_E_MEMBERNOTFOUND;
    result->vt = VT_UI1;
    result->bVal = 1;
    return S_OK;
  }
};
ValueObject valueObject;

// The source value of a row ("R8 2.5", "BSTR \"x\"", "DEC(scale ...)").
bool ParseSource(const std::string& text, Variant* out) {
  if (StartsWith(text, "BSTR \"") && text.size() >= 7 && text.back() == '"') {
    std::wstring wide = Unescaped(text.substr(6, text.size() - 7));
    std::basic_string<OLECHAR> ole(wide.begin(), wide.end());
    *out = Variant::fromBstr(Bstr(ole.data(), static_cast<UINT>(ole.size())));
    return true;
  }
  if (StartsWith(text, "DEC(")) {
    unsigned scale, sign, hi, mid, lo;
    if (std::sscanf(text.c_str(), "DEC(scale %u sign %x hi %u mid %u lo %u)", &scale, &sign, &hi,
                    &mid, &lo) != 5)
      return false;
    DECIMAL d = {};
    d.scale = static_cast<BYTE>(scale);
    d.sign = static_cast<BYTE>(sign);
    d.Hi32 = hi;
    d.Mid32 = mid;
    d.Lo32 = lo;
    out->ptr()->decVal = d;
    out->ptr()->vt = VT_DECIMAL;
    return true;
  }
  std::istringstream in(text);
  VARTYPE vt;
  if (!ParseType(in, &vt)) return false;
  std::string value;
  in >> value;
  switch (vt) {
    case VT_ERROR:
      *out = Of(VT_ERROR, static_cast<long long>(DISP_E_PARAMNOTFOUND));
      return true;
    case VT_DISPATCH:
    case VT_UNKNOWN:
      *out = Variant::fromDispatch(&valueObject);
      out->ptr()->vt = vt;
      return true;
    case VT_R4:
      *out = R4(std::strtof(value.c_str(), nullptr));
      return true;
    case VT_R8:
      *out = R8(std::strtod(value.c_str(), nullptr));
      return true;
    case VT_DATE:
      *out = Date(std::strtod(value.c_str(), nullptr));
      return true;
    case VT_CY:
      *out = Cy(std::strtoll(value.c_str(), nullptr, 10));
      return true;
    default:
      *out = Of(vt, std::strtoll(value.c_str(), nullptr, 10));
      return true;
  }
}

// A converted value in the notation of the rows' answers.
std::string Answer(HRESULT hr, const VARIANT& v) {
  if (FAILED(hr)) return Failure(hr);
  char text[128];
  switch (v.vt) {
    case VT_I1:
    case VT_I2:
    case VT_I4:
    case VT_INT:
    case VT_I8:
    case VT_UI1:
    case VT_UI2:
    case VT_UI4:
    case VT_UINT:
    case VT_UI8:
    case VT_BOOL: {
      std::string d = Describe(v);  // "I4 -5"
      return d.substr(d.find(' ') + 1);
    }
    case VT_CY:
      std::snprintf(text, sizeof text, "CY %lld", static_cast<long long>(v.cyVal.int64));
      return text;
    case VT_DECIMAL:
      std::snprintf(text, sizeof text, "DEC(scale %u sign %02x hi %lu mid %lu lo %lu)",
                    static_cast<unsigned>(v.decVal.scale), static_cast<unsigned>(v.decVal.sign),
                    static_cast<unsigned long>(v.decVal.Hi32),
                    static_cast<unsigned long>(v.decVal.Mid32),
                    static_cast<unsigned long>(v.decVal.Lo32));
      return text;
    case VT_DATE:
      std::snprintf(text, sizeof text, "%.16g", v.date);
      return text;
    case VT_BSTR:
      return "\"" + Escaped(v.bstrVal) + "\"";
    default:
      return Describe(v);
  }
}

// The rows' dates without a year were answered in 2026: they stand for the
// same day of the year the test runs in.
const long kAnswerYear = 2026;

// Days from 1 January 1970 of a Gregorian date and back (H. Hinnant).
long DaysFromCivil(long y, long m, long d) {
  y -= m <= 2;
  const long era = (y >= 0 ? y : y - 399) / 400;
  const long yoe = y - era * 400;
  const long doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  return era * 146097 + yoe * 365 + yoe / 4 - yoe / 100 + doy - 719468;
}

void CivilFromDays(long z, long* y, long* m, long* d) {
  z += 719468;
  const long era = (z >= 0 ? z : z - 146096) / 146097;
  const long doe = z - era * 146097;
  const long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const long mp = (5 * doy + 2) / 153;
  *d = doy - (153 * mp + 2) / 5 + 1;
  *m = mp < 10 ? mp + 3 : mp - 9;
  *y = yoe + era * 400 + (*m <= 2);
}

double InCurrentYear(double date) {
  const long kDay0 = -25569;  // 30 December 1899
  long day = static_cast<long>(std::floor(date)), y, m, d;
  CivilFromDays(day + kDay0, &y, &m, &d);
  if (y != kAnswerYear) return date;
  std::time_t now = std::time(nullptr);
  long year = std::localtime(&now)->tm_year + 1900L;
  return date + static_cast<double>(DaysFromCivil(year, m, d) - DaysFromCivil(y, m, d));
}

// Compares an answer with a row's expectation: dates numerically, to well
// under a second; everything else as text.
bool Matches(const std::string& expected, const std::string& answer, VARTYPE target) {
  if (target == VT_DATE && !StartsWith(expected, "hr ") && !StartsWith(answer, "hr ")) {
    double want = InCurrentYear(std::strtod(expected.c_str(), nullptr));
    return std::fabs(want - std::strtod(answer.c_str(), nullptr)) < 1e-8;
  }
  return expected == answer;
}

// The answer of current Windows. A row may add in parentheses the answer of
// older Windows (two-digit years up to 29 only in this century), which Wine
// may still give: accepted under Wine only.
std::string ExpectedOf(const Row& row, std::string* older) {
  std::string e = row.expected;
  size_t old = e.find(" (old Windows: ");
  if (old != std::string::npos) {
    *older = e.substr(old + 15, e.size() - old - 16);
    e.erase(old);
  }
  return e;
}

// "SOURCE -> TARGET [lcid XXXX] [flags XX]"
void CheckConversion(const Row& row) {
  size_t arrow = row.input.find(" -> ");
  ASSERT_NE(arrow, std::string::npos);
  Variant source;
  ASSERT_TRUE(ParseSource(row.input.substr(0, arrow), &source));
  std::istringstream rest(row.input.substr(arrow + 4));
  VARTYPE target;
  ASSERT_TRUE(ParseType(rest, &target));
  LCID lcid = kEnglish;
  unsigned flags = 0;
  for (std::string word; rest >> word;) {
    unsigned value;
    rest >> std::hex >> value >> std::dec;
    if (word == "lcid") lcid = value;
    if (word == "flags") flags = value;
  }
  Variant result;
  HRESULT hr =
      VariantChangeTypeEx(result.ptr(), source.ptr(), lcid, static_cast<USHORT>(flags), target);
  std::string answer = Answer(hr, result.get());
  std::string older;
  std::string expected = ExpectedOf(row, &older);
  // A full HRESULT as a 64-bit pattern ("ffffffff80020005", "00000000").
  if (expected.size() == 16 && expected.find_first_not_of("0123456789abcdef") == std::string::npos)
    expected = Failure(static_cast<HRESULT>(std::strtoull(expected.c_str(), nullptr, 16)));
  if (SUCCEEDED(hr) && expected == Failure(S_OK)) answer = expected;
  // Under Wine its known answer is taken as well as Windows' (the 32-bit and
  // the 64-bit Wine differ on some rows).
  const char* wine = RunningUnderWine() ? WineAnswer(row.input) : nullptr;
  bool wineForm = wine && Matches(wine, answer, target);
  bool olderForm = RunningUnderWine() && !older.empty() && Matches(older, answer, target);
  EXPECT_TRUE(Matches(expected, answer, target) || wineForm || olderForm)
      << "expected " << expected << ", got " << answer;
}

// "range [a,b) identity: ... first: TYPE x -> TARGET: ...": every source
// value of the range keeps its bits in the target.
void CheckIdentityRange(const Row& row) {
  long from, to;
  ASSERT_EQ(std::sscanf(row.input.c_str(), "range [%ld,%ld)", &from, &to), 2);
  size_t first = row.input.find("first: ");
  ASSERT_NE(first, std::string::npos);
  std::istringstream in(row.input.substr(first + 7));
  VARTYPE sourceType, target;
  std::string value, arrow;
  ASSERT_TRUE(ParseType(in, &sourceType));
  in >> value >> arrow;
  ASSERT_TRUE(ParseType(in, &target));
  int wrong = 0;
  for (long i = from; i < to; ++i) {
    Variant source = Of(sourceType, i), result;
    HRESULT hr = VariantChangeTypeEx(result.ptr(), source.ptr(), kEnglish, 0, target);
    if (FAILED(hr) || Describe(result.get()) != Describe(Of(target, i).get())) ++wrong;
  }
  EXPECT_EQ(wrong, 0);
}

// Which type codes VariantClear (and VariantCopy onto itself) accept: the
// value types, VT_RECORD and VT_CLSID, alone, by reference or in an array
// (not EMPTY/NULL there); no VECTOR or RESERVED bit.
bool ClearableType(VARTYPE base, VARTYPE flags) {
  bool type = (base <= VT_UINT && base != 15) || base == VT_RECORD || base == VT_CLSID;
  if ((flags & (VT_BYREF | VT_ARRAY)) && base <= VT_NULL) return false;
  return type && (flags & ~(VT_BYREF | VT_ARRAY)) == 0;
}

// "flags XXXX: ...": every type code (0 to VT_CLSID + 10, and the last
// eleven) with those flag bits.
void CheckTypeCodes(const Row& row, bool copyOntoItself) {
  unsigned flags;
  ASSERT_EQ(std::sscanf(row.input.c_str(), "flags %x", &flags), 1);
  int wrong = 0;
  std::string firstWrong;
  for (unsigned base = 0; base <= VT_BSTR_BLOB; ++base) {
    if (base > VT_CLSID + 10 && base < VT_BSTR_BLOB - 10) continue;
    VARIANT v;
    std::memset(&v, 0, sizeof v);
    v.vt = static_cast<VARTYPE>(base | flags);
    HRESULT hr = copyOntoItself ? VariantCopy(&v, &v) : VariantClear(&v);
    HRESULT want = ClearableType(static_cast<VARTYPE>(base), static_cast<VARTYPE>(flags))
                       ? S_OK
                       : DISP_E_BADVARTYPE;
    // Known Wine differences: Wine's VariantCopy of a VARIANT onto itself
    // answers S_OK without looking at the type, and refuses VT_CLSID.
    if (copyOntoItself && RunningUnderWine() && (hr == S_OK || base == VT_CLSID)) continue;
    if (hr != want && wrong++ == 0) firstWrong = std::to_string(base) + ": " + Failure(hr);
  }
  EXPECT_EQ(wrong, 0) << "first: vt " << firstWrong;
}

void CheckBstrRow(const Row& row) {
  if (StartsWith(row.input, "copy of a NULL BSTR")) {
    // A null BSTR is the empty text: its copy is an empty BSTR.
    VARIANT source, copy;
    VariantInit(&source);
    VariantInit(&copy);
    source.vt = VT_BSTR;
    source.bstrVal = nullptr;
    ASSERT_EQ(VariantCopy(&copy, &source), S_OK);
    EXPECT_EQ(copy.vt, VT_BSTR);
    EXPECT_NE(copy.bstrVal, nullptr);
    EXPECT_EQ(SysStringLen(copy.bstrVal), 0u);
    VariantClear(&copy);
  } else if (StartsWith(row.input, "copy of a 3-byte BSTR")) {
    // The copy keeps the byte length, odd or not.
    VARIANT source, copy;
    VariantInit(&source);
    VariantInit(&copy);
    source.vt = VT_BSTR;
    source.bstrVal = SysAllocStringByteLen("Tes", 3);
    ASSERT_EQ(VariantCopy(&copy, &source), S_OK);
    EXPECT_EQ(SysStringByteLen(copy.bstrVal), 3u);
    VariantClear(&copy);
    VariantClear(&source);
  } else if (StartsWith(row.input, "SysReAllocStringLen(self, 1000000)")) {
    // The new text may be the old BSTR itself, longer: its old characters
    // stay at the start.
    BSTR text = SysAllocString(OLESTR("abc"));
    ASSERT_TRUE(SysReAllocStringLen(&text, text, 1000000));
    EXPECT_EQ(SysStringLen(text), 1000000u);
    EXPECT_EQ(std::memcmp(text, OLESTR("abc"), 3 * sizeof(OLECHAR)), 0);
    EXPECT_EQ(text[1000000], 0);
    SysFreeString(text);
  } else {
    ADD_FAILURE() << "row of unknown form";
  }
}

TEST(WindowsExpectations, EveryRowOfTheFile) {
  std::vector<Row> rows = Rows();
  ASSERT_EQ(rows.size(), 212u);
  for (const WineDifference& d : kWineDifferences) {
    bool listed = false;
    for (const Row& row : rows) listed = listed || row.input == d.input;
    EXPECT_TRUE(listed) << "no row " << d.input;
  }
  for (const Row& row : rows) {
    SCOPED_TRACE(row.group + ": " + row.input);
    if (row.input.find(" -> ") != std::string::npos && !StartsWith(row.input, "range ")) {
      CheckConversion(row);
    } else if (StartsWith(row.input, "range [")) {
      CheckIdentityRange(row);
    } else if (row.group.find("VariantClear") != std::string::npos) {
      CheckTypeCodes(row, false);
    } else if (row.group.find("src == dst") != std::string::npos) {
      CheckTypeCodes(row, true);
    } else {
      CheckBstrRow(row);
    }
  }
}

}  // namespace
