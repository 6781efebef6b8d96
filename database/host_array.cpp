#include "database/host_array.h"

namespace qorvid {

bool IsVariantVector(SAFEARRAY* array) {
  if (!array || SafeArrayGetDim(array) != 1) return false;
  VARTYPE type = VT_EMPTY;
  if (SUCCEEDED(SafeArrayGetVartype(array, &type))) return type == VT_VARIANT;
  // An array made without a recorded element type: go by the element size.
  return SafeArrayGetElemsize(array) == sizeof(VARIANT);
}

HRESULT PutParam(SAFEARRAY* array, LONG index, const Variant& value) {
  if (!IsVariantVector(array)) return E_INVALIDARG;
  LONG indices[1] = {index};
  return SafeArrayPutElement(array, indices, const_cast<VARIANT*>(value.ptr()));
}

}  // namespace qorvid
