// ComPtr: owns one reference to a COM interface, in the manner of _com_ptr_t.
// Every interface pointer that qorvid keeps lives in one of these, so no
// component logic pairs AddRef and Release by hand.
#pragma once

#include "platform/win32.h"

template <class T>
class ComPtr {
 public:
  ComPtr() = default;
  // Takes a new reference to p.
  explicit ComPtr(T* p) : p_(p) {
    if (p_) p_->AddRef();
  }
  ComPtr(const ComPtr& o) : ComPtr(o.p_) {}
  ComPtr(ComPtr&& o) noexcept : p_(o.p_) { o.p_ = nullptr; }
  ~ComPtr() { reset(); }
  ComPtr& operator=(const ComPtr& o) {
    ComPtr copy(o);
    swap(copy);
    return *this;
  }
  ComPtr& operator=(ComPtr&& o) noexcept {
    ComPtr moved(static_cast<ComPtr&&>(o));
    swap(moved);
    return *this;
  }

  // Adopts a reference the caller already owns (an out-parameter's answer).
  static ComPtr attach(T* p) {
    ComPtr c;
    c.p_ = p;
    return c;
  }
  // Gives up ownership without releasing.
  T* detach() {
    T* p = p_;
    p_ = nullptr;
    return p;
  }
  void reset() {
    T* p = p_;
    p_ = nullptr;
    if (p) p->Release();
  }
  // For out-parameters: releases what is held and exposes the slot.
  T** put() {
    reset();
    return &p_;
  }
  void** putVoid() { return reinterpret_cast<void**>(put()); }
  void swap(ComPtr& o) noexcept {
    T* t = p_;
    p_ = o.p_;
    o.p_ = t;
  }

  T* get() const { return p_; }
  T* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }

  // QueryInterface into another owner; an empty owner when refused.
  template <class U>
  ComPtr<U> query(REFIID iid) const {
    ComPtr<U> out;
    if (p_) p_->QueryInterface(iid, out.putVoid());
    return out;
  }

 private:
  T* p_ = nullptr;
};
