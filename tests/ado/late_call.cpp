#include "tests/ado/late_call.h"

#include <gtest/gtest.h>

#include "tests/ado/ado_class.h"

namespace qorvid::ado {

Late::Late(const Variant& v) {
  if (v.vt() == VT_DISPATCH && v.get().pdispVal) object_ = ComPtr<IDispatch>(v.get().pdispVal);
}

CallResult Late::invoke(const std::string& member, WORD flags, std::vector<VARIANT> args) const {
  CallResult r;
  if (!object_) {
    r.hr = E_POINTER;
    return r;
  }
  WideString name(member.begin(), member.end());
  LPOLESTR names[] = {&name[0]};
  DISPID id = DISPID_UNKNOWN;
  r.hr = object_->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
  if (FAILED(r.hr)) return r;
  std::vector<VARIANT> reversed(args.rbegin(), args.rend());
  DISPID putId = DISPID_PROPERTYPUT;
  DISPPARAMS params = {reversed.empty() ? nullptr : reversed.data(), nullptr,
                       static_cast<UINT>(reversed.size()), 0};
  if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
    params.rgdispidNamedArgs = &putId;
    params.cNamedArgs = 1;
  }
  EXCEPINFO info = EXCEPINFO();
  UINT argErr = 0;
  r.hr = object_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, r.value.put(), &info,
                         &argErr);
  Bstr source = Bstr::attach(info.bstrSource);
  Bstr description = Bstr::attach(info.bstrDescription);
  Bstr help = Bstr::attach(info.bstrHelpFile);
  r.source = source.wide();
  r.description = description.wide();
  r.scode = info.scode;
  return r;
}

CallResult Late::put(const std::string& member, VARIANT value) const {
  WORD flags = value.vt == VT_DISPATCH ? DISPATCH_PROPERTYPUTREF : DISPATCH_PROPERTYPUT;
  return invoke(member, flags, {value});
}

CallResult Late::getWith(const std::string& member, VARIANT argument) const {
  return invoke(member, DISPATCH_PROPERTYGET, {argument});
}

CallResult Late::get(const std::string& member) const {
  return invoke(member, DISPATCH_METHOD | DISPATCH_PROPERTYGET, {});
}

CallResult Late::call(const std::string& member, std::vector<VARIANT> args) const {
  return invoke(member, DISPATCH_METHOD, std::move(args));
}

VARIANT I4(LONG v) {
  VARIANT x;
  VariantInit(&x);
  x.vt = VT_I4;
  x.lVal = v;
  return x;
}

VARIANT I4Ref(LONG* v) {
  VARIANT x;
  VariantInit(&x);
  x.vt = VT_I4 | VT_BYREF;
  x.plVal = v;
  return x;
}

VARIANT BstrRef(BSTR* b) {
  VARIANT x;
  VariantInit(&x);
  x.vt = VT_BSTR | VT_BYREF;
  x.pbstrVal = b;
  return x;
}

VARIANT VariantRef(VARIANT* v) {
  VARIANT x;
  VariantInit(&x);
  x.vt = VT_VARIANT | VT_BYREF;
  x.pvarVal = v;
  return x;
}

VARIANT Omitted() {
  VARIANT x;
  VariantInit(&x);
  x.vt = VT_ERROR;
  x.scode = DISP_E_PARAMNOTFOUND;
  return x;
}

WideString U(const char* utf8) {
  // Decodes UTF-8 (the source's encoding) to UTF-16: Cyrillic, CJK, and
  // characters beyond the BMP as surrogate pairs.
  WideString out;
  const unsigned char* p = reinterpret_cast<const unsigned char*>(utf8);
  while (*p) {
    unsigned c = *p++;
    if (c >= 0xC0 && c < 0xE0) {
      c = ((c & 0x1F) << 6) | (*p++ & 0x3F);
    } else if (c >= 0xE0 && c < 0xF0) {
      c = ((c & 0x0F) << 12) | ((p[0] & 0x3F) << 6) | (p[1] & 0x3F);
      p += 2;
    } else if (c >= 0xF0) {
      c = ((c & 0x07) << 18) | ((p[0] & 0x3F) << 12) | ((p[1] & 0x3F) << 6) | (p[2] & 0x3F);
      p += 3;
      out += static_cast<OLECHAR>(0xD800 + ((c - 0x10000) >> 10));
      c = 0xDC00 + ((c - 0x10000) & 0x3FF);
    }
    out += static_cast<OLECHAR>(c);
  }
  return out;
}

Late NewConnection() {
  PrepareAdoClass();
  CLSID clsid;
  HRESULT hr = CLSIDFromProgID(OLESTR("ADODB.Connection"), &clsid);
  EXPECT_EQ(S_OK, hr);
  ComPtr<IDispatch> object;
  hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER, IID_IDispatch,
                        object.putVoid());
  EXPECT_EQ(S_OK, hr);
  return Late(object);
}

CallResult OpenConnection(const Late& connection, const WideString& connectionString) {
  CallResult r = connection.put("CursorLocation", I4(3));
  if (FAILED(r.hr)) return r;
  Variant text = Variant::fromWide(connectionString);
  r = connection.put("ConnectionString", text.get());
  if (FAILED(r.hr)) return r;
  return connection.call("Open", {Omitted()});
}

CallResult Execute(const Late& connection, const WideString& sql) {
  Bstr text(sql);
  BSTR b = text.get();
  CallResult r = connection.call("Execute", {BstrRef(&b)});
  if (b != text.get()) Bstr::attach(b);  // a callee that swapped the text hands it back to us
  return r;
}

Late RunSql(const Late& connection, const WideString& sql) {
  CallResult r = Execute(connection, sql);
  EXPECT_EQ(S_OK, r.hr) << std::string(sql.begin(), sql.end()) << ": "
                        << std::string(r.description.begin(), r.description.end());
  EXPECT_EQ(VT_DISPATCH, r.value.vt());
  return Late(r.value);
}

CallResult FieldByName(const Late& recordset, const WideString& name) {
  Variant selector = Variant::fromWide(name);
  return recordset.getWith("Fields", VariantRef(selector.ptr()));
}

Variant FieldValue(const Late& recordset, const WideString& name) {
  CallResult field = FieldByName(recordset, name);
  EXPECT_EQ(S_OK, field.hr);
  CallResult value = Late(field.value).get("Value");
  EXPECT_EQ(S_OK, value.hr) << std::string(value.description.begin(), value.description.end());
  return std::move(value.value);
}

bool IsEof(const Late& recordset) {
  CallResult r = recordset.get("EOF");
  EXPECT_EQ(S_OK, r.hr);
  EXPECT_EQ(VT_BOOL, r.value.vt());
  return r.value.get().boolVal != VARIANT_FALSE;
}

LONG FieldCount(const Late& recordset) {
  CallResult fields = recordset.get("Fields");
  EXPECT_EQ(S_OK, fields.hr);
  CallResult count = Late(fields.value).get("Count");
  EXPECT_EQ(S_OK, count.hr);
  EXPECT_EQ(VT_I4, count.value.vt());
  return count.value.get().lVal;
}

}  // namespace qorvid::ado
