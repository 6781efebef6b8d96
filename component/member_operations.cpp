// The IScriptExtension operations that answer from the member tables.
#include "component/addin_object.h"
#include "component/member_tables.h"

namespace qorvid {

namespace {
// Out-strings hold a BSTR or null; what is there is released first.
void StoreName(BSTR* out, const char* ansi) {
  Bstr previous = Bstr::attach(*out);
  *out = ansi ? Bstr::fromAnsi(ansi).detach() : nullptr;
}

long LowByte(long number) { return number & 0xFF; }
}  // namespace

HRESULT STDMETHODCALLTYPE AddInObject::GetExtensionName(BSTR* name) {
  if (!name) return E_POINTER;
  StoreName(name, "qorvid");
  return S_OK;
}

HRESULT STDMETHODCALLTYPE AddInObject::GetPropertyCount(long* count) {
  if (!count) return E_POINTER;
  *count = kPropertyCount;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE AddInObject::GetMethodCount(long* count) {
  if (!count) return E_POINTER;
  *count = kMethodCount;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE AddInObject::FindProperty(BSTR name, long* number) {
  if (!number) return E_POINTER;
  *number = FindPropertyNumber(name, name ? SysStringLen(name) : 0);
  return *number >= 0 ? S_OK : S_FALSE;
}

HRESULT STDMETHODCALLTYPE AddInObject::FindMethod(BSTR name, long* number) {
  if (!number) return E_POINTER;
  *number = FindMethodNumber(name, name ? SysStringLen(name) : 0);
  return *number >= 0 ? S_OK : S_FALSE;
}

HRESULT STDMETHODCALLTYPE AddInObject::GetPropertyName(long number, long alias, BSTR* name) {
  if (!name) return E_POINTER;
  const char* text = PropertyName(number, alias);
  StoreName(name, text);
  return text ? S_OK : S_FALSE;
}

HRESULT STDMETHODCALLTYPE AddInObject::GetMethodName(long number, long alias, BSTR* name) {
  if (!name) return E_POINTER;
  const char* text = MethodName(number, alias);
  StoreName(name, text);
  return text ? S_OK : S_FALSE;
}

HRESULT STDMETHODCALLTYPE AddInObject::GetParamCount(long number, long* count) {
  if (!count) return E_POINTER;
  // Hosts ask only for numbers FindMethod gave; any other reads nothing.
  if (number < 0 || number >= kMethodCount) {
    *count = 0;
    return S_FALSE;
  }
  *count = kMethodTable[number].paramCount[0] - '0';
  return S_OK;
}

HRESULT STDMETHODCALLTYPE AddInObject::GetParamDefault(long method, long, VARIANT* value) {
  if (!value) return E_POINTER;
  VariantClear(value);
  // Execute's text may be left out: the prepared query runs then.
  if (method == 2) Variant::fromBstr(Bstr()).detachTo(value);
  return S_OK;
}

HRESULT STDMETHODCALLTYPE AddInObject::HasResult(long, BOOL* flag) {
  if (!flag) return E_POINTER;
  *flag = TRUE;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE AddInObject::IsPropertyReadable(long, BOOL* flag) {
  if (!flag) return E_POINTER;
  *flag = TRUE;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE AddInObject::IsPropertyWritable(long number, BOOL* flag) {
  if (!flag) return E_POINTER;
  *flag = FALSE;
  switch (LowByte(number)) {
    case 0:
    case 1:
      return S_OK;
    case 3:
      *flag = TRUE;
      return S_OK;
    default:
      return S_FALSE;
  }
}

}  // namespace qorvid
