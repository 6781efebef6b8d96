// The COM object base: reference counting, aggregation and the identity rules
// of IUnknown, shared by the component's creatable object. A derived class
// names its interfaces in interfaceFor() and forwards its IUnknown methods to
// the delegating trio below, which reach the outer object when aggregated
// and this object's own (non-delegating) unknown otherwise.
#pragma once

#include "platform/win32.h"

namespace qorvid {

class ComObject {
 public:
  // Starts with reference count 0; outer is the aggregating object or null.
  explicit ComObject(IUnknown* outer);
  virtual ~ComObject();
  ComObject(const ComObject&) = delete;
  ComObject& operator=(const ComObject&) = delete;

  // The non-delegating IUnknown: the object's identity, and the one the
  // class factory hands to an aggregating outer object.
  IUnknown* inner() { return &inner_; }

 protected:
  // The pointer for interface iid (IUnknown excluded), or null.
  virtual void* interfaceFor(REFIID iid) = 0;
  // Whether QueryInterface answers iid (ISupportErrorInfo's question).
  bool implements(REFIID iid);

  HRESULT delegatingQueryInterface(REFIID iid, void** out) {
    return outer_->QueryInterface(iid, out);
  }
  ULONG delegatingAddRef() { return outer_->AddRef(); }
  ULONG delegatingRelease() { return outer_->Release(); }

 private:
  class InnerUnknown : public IUnknown {
   public:
    explicit InnerUnknown(ComObject* owner) : owner_(owner) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

   private:
    ComObject* owner_;
  };

  InnerUnknown inner_;
  IUnknown* outer_;
  LONG volatile refs_ = 0;
};

}  // namespace qorvid
