// SAFEARRAY: a descriptor (with one bound per dimension, stored last
// dimension first as Windows does) and a separate block of elements; a
// vector made by SafeArrayCreateVector has its elements in the descriptor's
// own block (FADF_CREATEVECTOR), as on Windows: one allocation for the array
// of every host call. The element VARTYPE sits in a hidden word just before
// the descriptor, where SafeArrayGetVartype finds it.
#include <cstring>

#include "platform/posix/allocator.h"
#include "platform/posix/vartype.h"
#include "platform/win32.h"

namespace {

// Room before the descriptor, as on Windows (an IID fits there too).
const size_t kHidden = 16;

ULONG ElementSize(VARTYPE vt) { return static_cast<ULONG>(qorvid::platform::ValueWidth(vt)); }

VARTYPE& HiddenVartype(SAFEARRAY* psa) {
  return *reinterpret_cast<VARTYPE*>(reinterpret_cast<char*>(psa) - sizeof(DWORD));
}

// `extra` bytes after the descriptor hold a vector's elements.
SAFEARRAY* AllocDescriptor(UINT cDims, size_t extra = 0) {
  size_t size = kHidden + sizeof(SAFEARRAY) + (cDims - 1) * sizeof(SAFEARRAYBOUND);
  if (extra > SIZE_MAX - size) return nullptr;
  char* raw = static_cast<char*>(qorvid::platform::AllocateZeroed(1, size + extra));
  if (!raw) return nullptr;
  SAFEARRAY* psa = reinterpret_cast<SAFEARRAY*>(raw + kHidden);
  if (extra) {
    psa->fFeatures = FADF_CREATEVECTOR;
    psa->pvData = raw + size;
  }
  return psa;
}

void FreeDescriptor(SAFEARRAY* psa) {
  qorvid::platform::Release(reinterpret_cast<char*>(psa) - kHidden);
}

// Number of elements over all dimensions; false when it overflows.
bool CellCount(const SAFEARRAY* psa, size_t* count) {
  size_t n = 1;
  for (USHORT i = 0; i < psa->cDims; ++i) {
    size_t c = psa->rgsabound[i].cElements;
    if (c && n > SIZE_MAX / c) return false;
    n *= c;
  }
  *count = n;
  return true;
}

void SetFeatures(SAFEARRAY* psa, VARTYPE vt) {
  switch (vt) {
    case VT_BSTR:
      psa->fFeatures |= FADF_BSTR | FADF_HAVEVARTYPE;
      break;
    case VT_UNKNOWN:
      psa->fFeatures |= FADF_UNKNOWN | FADF_HAVEIID;
      break;
    case VT_DISPATCH:
      psa->fFeatures |= FADF_DISPATCH | FADF_HAVEIID;
      break;
    case VT_VARIANT:
      psa->fFeatures |= FADF_VARIANT | FADF_HAVEVARTYPE;
      break;
    default:
      psa->fFeatures |= FADF_HAVEVARTYPE;
      break;
  }
  HiddenVartype(psa) = vt;
}

// Creates an array whose bounds are given in the caller's order (first
// dimension first); a vector (one dimension) may have its elements in the
// descriptor's block.
SAFEARRAY* Create(VARTYPE vt, UINT cDims, const SAFEARRAYBOUND* bounds, bool vector = false) {
  ULONG size = ElementSize(vt);
  if (!size || cDims == 0 || cDims > 0xFFFF || !bounds || (vector && cDims != 1)) return nullptr;
  const size_t vectorCells = vector ? (bounds[0].cElements ? bounds[0].cElements : 1) : 0;
  if (vectorCells > SIZE_MAX / size) return nullptr;
  SAFEARRAY* psa = AllocDescriptor(cDims, vectorCells * size);
  if (!psa) return nullptr;
  psa->cDims = static_cast<USHORT>(cDims);
  psa->cbElements = size;
  for (UINT i = 0; i < cDims; ++i) psa->rgsabound[cDims - 1 - i] = bounds[i];
  SetFeatures(psa, vt);
  if (vector) return psa;
  size_t cells;
  if (!CellCount(psa, &cells) || cells > SIZE_MAX / size) {
    FreeDescriptor(psa);
    return nullptr;
  }
  psa->pvData = qorvid::platform::AllocateZeroed(cells ? cells : 1, size);
  if (!psa->pvData) {
    FreeDescriptor(psa);
    return nullptr;
  }
  return psa;
}

// Byte offset of the element at `idx` (first index varies fastest).
bool CellOffset(const SAFEARRAY* psa, const LONG* idx, size_t* offset) {
  size_t cell = 0, stride = 1;
  for (USHORT d = 0; d < psa->cDims; ++d) {
    const SAFEARRAYBOUND& b = psa->rgsabound[psa->cDims - 1 - d];
    long long rel = static_cast<long long>(idx[d]) - b.lLbound;
    if (rel < 0 || rel >= static_cast<long long>(b.cElements)) return false;
    cell += static_cast<size_t>(rel) * stride;
    stride *= b.cElements;
  }
  *offset = cell * psa->cbElements;
  return true;
}

// Releases what the elements own and zeroes them.
void ClearElements(SAFEARRAY* psa) {
  size_t cells;
  if (!psa->pvData || !CellCount(psa, &cells)) return;
  char* data = static_cast<char*>(psa->pvData);
  for (size_t i = 0; i < cells; ++i) {
    void* cell = data + i * psa->cbElements;
    if (psa->fFeatures & FADF_VARIANT) {
      VariantClear(static_cast<VARIANT*>(cell));
    } else if (psa->fFeatures & FADF_BSTR) {
      SysFreeString(*static_cast<BSTR*>(cell));
    } else if (psa->fFeatures & (FADF_UNKNOWN | FADF_DISPATCH)) {
      IUnknown* unk = *static_cast<IUnknown**>(cell);
      if (unk) unk->Release();
    }
  }
  std::memset(data, 0, cells * psa->cbElements);
}

// Copies element `from` into the zeroed element `to` of an array of the
// same kind, duplicating what it owns.
HRESULT CopyElement(const SAFEARRAY* psa, const void* from, void* to) {
  if (psa->fFeatures & FADF_VARIANT) {
    VariantInit(static_cast<VARIANT*>(to));
    return VariantCopy(static_cast<VARIANT*>(to),
                       const_cast<VARIANT*>(static_cast<const VARIANT*>(from)));
  }
  if (psa->fFeatures & FADF_BSTR) {
    BSTR s = *static_cast<const BSTR*>(from);
    BSTR copy = s ? SysAllocStringLen(s, SysStringLen(s)) : nullptr;
    if (s && !copy) return E_OUTOFMEMORY;
    *static_cast<BSTR*>(to) = copy;
    return S_OK;
  }
  if (psa->fFeatures & (FADF_UNKNOWN | FADF_DISPATCH)) {
    IUnknown* unk = *static_cast<IUnknown* const*>(from);
    if (unk) unk->AddRef();
    *static_cast<IUnknown**>(to) = unk;
    return S_OK;
  }
  std::memcpy(to, from, psa->cbElements);
  return S_OK;
}

}  // namespace

extern "C" {

SAFEARRAY* SafeArrayCreate(VARTYPE vt, UINT cDims, SAFEARRAYBOUND* rgsabound) {
  return Create(vt, cDims, rgsabound);
}

SAFEARRAY* SafeArrayCreateVector(VARTYPE vt, LONG lLbound, ULONG cElements) {
  SAFEARRAYBOUND bound = {cElements, lLbound};
  return Create(vt, 1, &bound, true);
}

HRESULT SafeArrayDestroy(SAFEARRAY* psa) {
  if (!psa) return S_OK;
  if (psa->cLocks > 0) return DISP_E_ARRAYISLOCKED;
  ClearElements(psa);
  if (!(psa->fFeatures & FADF_CREATEVECTOR)) qorvid::platform::Release(psa->pvData);
  FreeDescriptor(psa);
  return S_OK;
}

HRESULT SafeArrayGetElement(SAFEARRAY* psa, LONG* rgIndices, void* pv) {
  if (!psa || !rgIndices || !pv) return E_INVALIDARG;
  size_t offset;
  if (!CellOffset(psa, rgIndices, &offset)) return DISP_E_BADINDEX;
  return CopyElement(psa, static_cast<char*>(psa->pvData) + offset, pv);
}

HRESULT SafeArrayPutElement(SAFEARRAY* psa, LONG* rgIndices, void* pv) {
  if (!psa || !rgIndices) return E_INVALIDARG;
  size_t offset;
  if (!CellOffset(psa, rgIndices, &offset)) return DISP_E_BADINDEX;
  void* cell = static_cast<char*>(psa->pvData) + offset;
  if (psa->fFeatures & FADF_VARIANT) {
    if (!pv) return E_INVALIDARG;
    return VariantCopy(static_cast<VARIANT*>(cell), static_cast<VARIANT*>(pv));
  }
  // BSTR and interface elements are passed as the value itself, not a
  // pointer to it, as on Windows.
  if (psa->fFeatures & FADF_BSTR) {
    BSTR s = static_cast<BSTR>(pv);
    BSTR copy = s ? SysAllocStringLen(s, SysStringLen(s)) : nullptr;
    if (s && !copy) return E_OUTOFMEMORY;
    SysFreeString(*static_cast<BSTR*>(cell));
    *static_cast<BSTR*>(cell) = copy;
    return S_OK;
  }
  if (psa->fFeatures & (FADF_UNKNOWN | FADF_DISPATCH)) {
    IUnknown* unk = static_cast<IUnknown*>(pv);
    if (unk) unk->AddRef();
    IUnknown* old = *static_cast<IUnknown**>(cell);
    *static_cast<IUnknown**>(cell) = unk;
    if (old) old->Release();
    return S_OK;
  }
  if (!pv) return E_INVALIDARG;
  std::memcpy(cell, pv, psa->cbElements);
  return S_OK;
}

HRESULT SafeArrayGetLBound(SAFEARRAY* psa, UINT nDim, LONG* plLbound) {
  if (!psa || !plLbound) return E_INVALIDARG;
  if (nDim == 0 || nDim > psa->cDims) return DISP_E_BADINDEX;
  *plLbound = psa->rgsabound[psa->cDims - nDim].lLbound;
  return S_OK;
}

HRESULT SafeArrayGetUBound(SAFEARRAY* psa, UINT nDim, LONG* plUbound) {
  if (!psa || !plUbound) return E_INVALIDARG;
  if (nDim == 0 || nDim > psa->cDims) return DISP_E_BADINDEX;
  const SAFEARRAYBOUND& b = psa->rgsabound[psa->cDims - nDim];
  *plUbound = static_cast<LONG>(b.lLbound + static_cast<long long>(b.cElements) - 1);
  return S_OK;
}

UINT SafeArrayGetDim(SAFEARRAY* psa) { return psa ? psa->cDims : 0; }

UINT SafeArrayGetElemsize(SAFEARRAY* psa) { return psa ? psa->cbElements : 0; }

HRESULT SafeArrayGetVartype(SAFEARRAY* psa, VARTYPE* pvt) {
  if (!psa || !pvt) return E_INVALIDARG;
  if (psa->fFeatures & FADF_HAVEVARTYPE)
    *pvt = HiddenVartype(psa);
  else if (psa->fFeatures & FADF_DISPATCH)
    *pvt = VT_DISPATCH;
  else if (psa->fFeatures & FADF_UNKNOWN)
    *pvt = VT_UNKNOWN;
  else if (psa->fFeatures & FADF_BSTR)
    *pvt = VT_BSTR;
  else if (psa->fFeatures & FADF_VARIANT)
    *pvt = VT_VARIANT;
  else
    return E_INVALIDARG;
  return S_OK;
}

HRESULT SafeArrayAccessData(SAFEARRAY* psa, void** ppvData) {
  if (!psa || !ppvData) return E_INVALIDARG;
  HRESULT hr = SafeArrayLock(psa);
  if (FAILED(hr)) return hr;
  *ppvData = psa->pvData;
  return S_OK;
}

HRESULT SafeArrayUnaccessData(SAFEARRAY* psa) { return SafeArrayUnlock(psa); }

HRESULT SafeArrayLock(SAFEARRAY* psa) {
  if (!psa) return E_INVALIDARG;
  if (psa->cLocks >= 0xFFFF) return E_UNEXPECTED;
  ++psa->cLocks;
  return S_OK;
}

HRESULT SafeArrayUnlock(SAFEARRAY* psa) {
  if (!psa) return E_INVALIDARG;
  if (psa->cLocks == 0) return E_UNEXPECTED;
  --psa->cLocks;
  return S_OK;
}

HRESULT SafeArrayCopy(SAFEARRAY* psa, SAFEARRAY** ppsaOut) {
  if (!ppsaOut) return E_INVALIDARG;
  *ppsaOut = nullptr;
  if (!psa) return S_OK;
  SAFEARRAY* out = AllocDescriptor(psa->cDims ? psa->cDims : 1);
  if (!out) return E_OUTOFMEMORY;
  out->cDims = psa->cDims;
  out->cbElements = psa->cbElements;
  // The copy owns its descriptor and data whatever the original's storage.
  out->fFeatures = psa->fFeatures &
                   ~(FADF_AUTO | FADF_STATIC | FADF_EMBEDDED | FADF_FIXEDSIZE | FADF_CREATEVECTOR);
  std::memcpy(reinterpret_cast<char*>(out) - kHidden, reinterpret_cast<char*>(psa) - kHidden,
              kHidden);
  for (USHORT i = 0; i < psa->cDims; ++i) out->rgsabound[i] = psa->rgsabound[i];
  size_t cells;
  if (!CellCount(psa, &cells) || !psa->cbElements) {
    FreeDescriptor(out);
    return E_INVALIDARG;
  }
  out->pvData = qorvid::platform::AllocateZeroed(cells ? cells : 1, psa->cbElements);
  if (!out->pvData) {
    FreeDescriptor(out);
    return E_OUTOFMEMORY;
  }
  if (psa->pvData) {
    for (size_t i = 0; i < cells; ++i) {
      size_t off = i * psa->cbElements;
      HRESULT hr = CopyElement(psa, static_cast<char*>(psa->pvData) + off,
                               static_cast<char*>(out->pvData) + off);
      if (FAILED(hr)) {
        SafeArrayDestroy(out);
        return hr;
      }
    }
  }
  *ppsaOut = out;
  return S_OK;
}

}  // extern "C"
