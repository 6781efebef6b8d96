#include "host/console/value_display.h"

#include <gtest/gtest.h>

#include "platform/variant.h"

namespace qorvid::host {

namespace {

// A host that knows exactly one object.
class OneObjectHost : public HostSide {
 public:
  explicit OneObjectHost(IDispatch* known) : known_(known) {}
  IDispatch* connection() override { return nullptr; }
  size_t errorCount() override { return 0; }
  std::vector<LoggedError> errorsSince(size_t) override { return {}; }
  ComPtr<IDispatch> makeObject(const ObjectRef&, std::string&) override {
    return ComPtr<IDispatch>();
  }
  bool describeObject(IDispatch* object, ObjectRef& ref) override {
    if (object != known_) return false;
    ref.typeId = "O";
    ref.firstNumber = 1;
    ref.objectNumber = 5;
    ref.suffix = "   ";
    return true;
  }

 private:
  IDispatch* known_;
};

// An object only ever compared by address.
struct Inert : IDispatch {
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                   UINT*) override {
    return E_NOTIMPL;
  }
};

Variant Typed(VARTYPE vt) {
  Variant v;
  v.get().vt = vt;
  return v;
}

TEST(ValueDisplay, ShowsEachKindAsTheScriptWouldWriteIt) {
  Inert known, stranger;
  OneObjectHost host(&known);
  Variant i8 = Typed(VT_I8);
  i8.get().llVal = 5000000000LL;
  Variant i2 = Typed(VT_I2);
  i2.get().iVal = -3;
  Variant cy = Typed(VT_CY);
  cy.get().cyVal.int64 = 25000;
  Variant err = Typed(VT_ERROR);
  err.get().scode = DISP_E_PARAMNOTFOUND;

  struct Case {
    Variant value;
    const char* shown;
  } cases[] = {
      {Variant::fromInt(42), "42 (integer)"},
      {Variant::fromInt(-7), "-7 (integer)"},
      {i2, "-3 (integer)"},
      {i8, "5000000000 (integer)"},
      {Variant::fromDouble(2.5), "2.5 (decimal)"},
      {Variant::fromDouble(1e-5), "1e-05 (decimal)"},
      {cy, "2.5 (currency)"},
      {Variant::fromAnsi("Bolt"), "\"Bolt\" (text)"},
      {Variant::fromWide(WideString()), "\"\" (empty text)"},
      {Variant::fromWide(u"a\"b\r\nc\td\x01"), "\"a\"\"b\\r\\nc\\td\\x01\" (text)"},
      {Variant::fromWide(u"Болт"), "\"Болт\" (text)"},
      {Variant::fromDate(38051.0 + (9 * 3600 + 7 * 60 + 3) / 86400.0),
       "2004-03-05 09:07:03 (date)"},
      {Variant(), "Empty (empty)"},
      {Variant::null(), "Null (null)"},
      {Variant::fromBool(true), "True (boolean)"},
      {Variant::fromBool(false), "False (boolean)"},
      {err, "Error 0x80020004 (error value)"},
      {Variant::fromDispatch(nullptr), "Nothing (no object)"},
      {Variant::fromDispatch(&known), "Object(\"O\", 1, 5, \"   \") (object)"},
      {Variant::fromDispatch(&stranger), "Object (automation object)"},
  };
  for (Case& c : cases) {
    SCOPED_TRACE(c.shown);
    EXPECT_EQ(DisplayValue(c.value.get(), host), c.shown);
  }
}

TEST(ValueDisplay, NamesTheTypeOfValuesItCannotShow) {
  OneObjectHost host(nullptr);
  // Plain VARIANTs: only the type word is looked at, nothing is owned.
  VARIANT bytes;
  bytes.vt = VT_ARRAY | VT_UI1;
  bytes.parray = nullptr;
  EXPECT_EQ(DisplayValue(bytes, host), "(array, type 0x2011)");
  VARIANT ref;
  ref.vt = VT_BYREF | VT_I4;
  ref.plVal = nullptr;
  EXPECT_EQ(DisplayValue(ref, host), "(reference, type 0x4003)");
  VARIANT odd;
  odd.vt = VT_RECORD;
  EXPECT_EQ(DisplayValue(odd, host), "(value of type 0x0024)");
}

TEST(ValueDisplay, TableCellsAreUnquotedAndStayOnOneLine) {
  OneObjectHost host(nullptr);
  EXPECT_EQ(CellText(Variant::fromAnsi("Bolt").get(), host), "Bolt");
  EXPECT_EQ(CellText(Variant::fromWide(u"say \"hi\"").get(), host), "say \"hi\"");
  EXPECT_EQ(CellText(Variant::fromWide(u"two\r\nlines").get(), host), "two\\r\\nlines");
  EXPECT_EQ(CellText(Variant::fromInt(15).get(), host), "15");
  EXPECT_EQ(CellText(Variant::fromWide(WideString()).get(), host), "");
  EXPECT_EQ(CellText(Variant::fromDate(38051.5).get(), host), "2004-03-05 12:00:00");
}

}  // namespace

}  // namespace qorvid::host
