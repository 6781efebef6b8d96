// The host's parameter arrays: one-dimensional SAFEARRAYs of VARIANT. Their
// elements are read by MethodCall::param and written by PutParam.
#pragma once

#include "platform/variant.h"
#include "platform/win32.h"

namespace qorvid {

// True for a one-dimensional array of VARIANT, the only kind whose elements
// may be read into or written from a VARIANT.
bool IsVariantVector(SAFEARRAY* array);

// Writes value into element index (SafeArrayPutElement); its status.
HRESULT PutParam(SAFEARRAY* array, LONG index, const Variant& value);

}  // namespace qorvid
