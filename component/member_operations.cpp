// The IScriptExtension operations that answer from the member tables.
#include "component/addin_object.h"
#include "component/member_table.h"

namespace qorvid {

namespace {
// Out-strings hold a BSTR or null; what is there is released first.
void StoreName(BSTR* out, const char* ansi) {
  Bstr previous = Bstr::attach(*out);
  *out = ansi ? Bstr::fromAnsi(ansi).detach() : nullptr;
}

// A row's name for alias 0 (English) or 1 (Russian); null for any other alias.
const char* AliasName(const char* english, const char* russian, long alias) {
  return alias == 0 ? english : alias == 1 ? russian : nullptr;
}
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
  const PropertyRow* row = PropertyRowAt(number);
  const char* text = row ? AliasName(row->english, row->russian, alias) : nullptr;
  StoreName(name, text);
  return text ? S_OK : S_FALSE;
}

HRESULT STDMETHODCALLTYPE AddInObject::GetMethodName(long number, long alias, BSTR* name) {
  if (!name) return E_POINTER;
  const MethodRow* row = MethodRowAt(number);
  const char* text = row ? AliasName(row->english, row->russian, alias) : nullptr;
  StoreName(name, text);
  return text ? S_OK : S_FALSE;
}

HRESULT STDMETHODCALLTYPE AddInObject::GetParamCount(long number, long* count) {
  if (!count) return E_POINTER;
  // Hosts ask only for numbers FindMethod gave; any other reads nothing.
  const MethodRow* row = MethodRowAt(number);
  *count = row ? row->paramCount : 0;
  return row ? S_OK : S_FALSE;
}

HRESULT STDMETHODCALLTYPE AddInObject::GetParamDefault(long method, long, VARIANT* value) {
  if (!value) return E_POINTER;
  VariantClear(value);
  const MethodRow* row = MethodRowAt(method);
  if (row && row->paramDefault == ParamDefault::EmptyText)
    Variant::fromBstr(Bstr()).detachTo(value);
  return S_OK;
}

HRESULT STDMETHODCALLTYPE AddInObject::HasResult(long number, BOOL* flag) {
  if (!flag) return E_POINTER;
  // A number outside the table answers TRUE as well.
  const MethodRow* row = MethodRowAt(number);
  *flag = !row || row->hasResult ? TRUE : FALSE;
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
  const PropertyRow* row = PropertyRowAt(LowByte(number));
  if (!row) return S_FALSE;
  if (!row->write) return row->readOnlyStatus;
  *flag = TRUE;
  return S_OK;
}

}  // namespace qorvid
