// The IScriptExtension operations that answer from the member tables.
#include <new>

#include "component/addin_object.h"
#include "component/member_table.h"

namespace qorvid {

namespace {
// Out-strings hold a BSTR or null: what is there is released first. A row
// (null: none) gives its English name for alias 0 and its Russian for 1;
// anything else stores null and answers S_FALSE.
template <typename Row>
HRESULT StoreName(BSTR* out, const Row* row, long alias) {
  const OLECHAR* text = !row         ? nullptr
                        : alias == 0 ? row->english
                        : alias == 1 ? row->russian
                                     : nullptr;
  Bstr previous = Bstr::attach(*out);
  *out = nullptr;
  if (!text) return S_FALSE;
  try {
    *out = Bstr(text).detach();
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
  return S_OK;
}

// A name's member number, or -1 and S_FALSE when no member has it. The first
// lookup builds the name index, which may run out of memory.
HRESULT StoreNumber(long* number, long (*find)(const OLECHAR*, size_t), BSTR name) {
  if (!number) return E_POINTER;
  *number = -1;
  try {
    *number = find(name, name ? SysStringLen(name) : 0);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
  return *number >= 0 ? S_OK : S_FALSE;
}
}  // namespace

HRESULT STDMETHODCALLTYPE AddInObject::GetExtensionName(BSTR* name) {
  if (!name) return E_POINTER;
  Bstr previous = Bstr::attach(*name);
  *name = nullptr;
  try {
    *name = Bstr(OLESTR("qorvid")).detach();
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
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
  return StoreNumber(number, FindPropertyNumber, name);
}

HRESULT STDMETHODCALLTYPE AddInObject::FindMethod(BSTR name, long* number) {
  return StoreNumber(number, FindMethodNumber, name);
}

HRESULT STDMETHODCALLTYPE AddInObject::GetPropertyName(long number, long alias, BSTR* name) {
  if (!name) return E_POINTER;
  return StoreName(name, PropertyRowAt(number), alias);
}

HRESULT STDMETHODCALLTYPE AddInObject::GetMethodName(long number, long alias, BSTR* name) {
  if (!name) return E_POINTER;
  return StoreName(name, MethodRowAt(number), alias);
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
