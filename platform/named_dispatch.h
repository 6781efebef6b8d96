// NamedDispatch: the IDispatch base of every late-bound object qorvid makes
// itself (the ADO stand-in's objects, the reference host's, the tests'
// scripted fakes). Its IUnknown is the COM object kit's, with IDispatch as
// its identity; it finds member names in a table without regard to case (the one
// case fold), and hands Invoke of a DISPID from that table to the class.
// Header-only, as the Windows build has no platform library of its own.
#pragma once

#include <cstddef>

#include "platform/com_object.h"
#include "platform/text_case.h"
#include "platform/win32.h"

namespace qorvid::platform {

struct DispatchName {
  const OLECHAR* name;
  DISPID id;
};

class NamedDispatch : public ComObject<Implements<IDispatch, IID_IDispatch>> {
 public:
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
    if (info) *info = nullptr;
    return E_NOTIMPL;
  }

  // The first name is the member's; no member takes named arguments, so any
  // further name is unknown.
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID lcid,
                                          DISPID* ids) override {
    if (!names || !ids) return E_POINTER;
    if (count == 0) return E_INVALIDARG;
    HRESULT status = findMember(names[0], lcid, &ids[0]);
    for (UINT i = 1; i < count; ++i) {
      ids[i] = DISPID_UNKNOWN;
      status = DISP_E_UNKNOWNNAME;
    }
    return status;
  }

  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID lcid, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO* exception, UINT* argError) override {
    if (!hasMember(id)) return DISP_E_MEMBERNOTFOUND;
    return dispatchMember(id, lcid, flags, params, result, exception, argError);
  }

 protected:
  // Starts with one reference, the creator's.
  NamedDispatch() = default;
  NamedDispatch(const DispatchName* names, size_t count) : names_(names), count_(count) {}
  ~NamedDispatch() override = default;

  // The table; it must outlive its use (a class whose table grows sets it
  // again after each change).
  void setNames(const DispatchName* names, size_t count) {
    names_ = names;
    count_ = count;
  }

  // The DISPID of a name in the table, DISPID_UNKNOWN if none.
  DISPID memberId(const OLECHAR* name) const {
    for (size_t i = 0; name && i < count_; ++i)
      if (SameName(name, names_[i].name)) return names_[i].id;
    return DISPID_UNKNOWN;
  }

  bool hasMember(DISPID id) const {
    for (size_t i = 0; i < count_; ++i)
      if (names_[i].id == id) return true;
    return false;
  }

  // GetIDsOfNames for the member's name: S_OK with its DISPID, or
  // DISP_E_UNKNOWNNAME with DISPID_UNKNOWN.
  virtual HRESULT findMember(const OLECHAR* name, LCID, DISPID* id) {
    *id = memberId(name);
    return *id == DISPID_UNKNOWN ? DISP_E_UNKNOWNNAME : S_OK;
  }

  // Invoke of a member in the table, with the caller's arguments as given.
  virtual HRESULT dispatchMember(DISPID id, LCID lcid, WORD flags, DISPPARAMS* params,
                                 VARIANT* result, EXCEPINFO* exception, UINT* argError) = 0;

 private:
  // EqualsIgnoringCase, folding only where the units differ: callers mostly
  // write a name as the table does, and are called for every member call.
  static bool SameName(const OLECHAR* a, const OLECHAR* b) {
    if (!b) return false;
    for (; *a && *b; ++a, ++b)
      if (*a != *b && FoldCase(*a) != FoldCase(*b)) return false;
    return *a == *b;
  }

  const DispatchName* names_ = nullptr;
  size_t count_ = 0;
};

}  // namespace qorvid::platform
