// The COM object kit: IUnknown written once. An object names the interfaces
// it implements (Implements<IFoo, IID_IFoo>...) and gets QueryInterface over
// that list, an interlocked reference count and its deletion at the last
// Release; an aggregatable variant delegates to its outer object; one class
// factory serves every creatable class; a module (a DLL or its POSIX shared
// object) counts what keeps it loaded in ComModule. Header-only, as the
// Windows build has no platform library of its own.
#pragma once

#include <tuple>

#include "platform/win32.h"

namespace qorvid::platform {

// A reference count moved by interlocked steps. A release too many leaves
// it at 0 rather than below.
class RefCount {
 public:
  explicit RefCount(LONG start = 0) : count_(start) {}
  RefCount(const RefCount&) = delete;
  RefCount& operator=(const RefCount&) = delete;

  LONG add() { return InterlockedIncrement(&count_); }
  // The count left: 0 when the last reference went, -1 for a release too many.
  LONG drop() {
    const LONG left = InterlockedDecrement(&count_);
    if (left >= 0) return left;
    InterlockedIncrement(&count_);
    return -1;
  }
  LONG count() const { return count_; }

 private:
  LONG volatile count_;
};

// One entry of an object's interface list.
template <class Interface, const IID& Id>
struct Implements {
  using type = Interface;
  static const IID& iid() { return Id; }
};

// The listed interface iid names in object, or null. IUnknown is the
// caller's business: its answer is the object's identity.
template <class... Listed, class Object>
void* FindListed(Object* object, REFIID iid) {
  void* found = nullptr;
  ((found = found                            ? found
            : IsEqualIID(iid, Listed::iid()) ? static_cast<typename Listed::type*>(object)
                                             : nullptr),
   ...);
  return found;
}

// An object's identity: its first listed interface as IUnknown.
template <class First, class... Rest, class Object>
IUnknown* IdentityOf(Object* object) {
  return static_cast<typename First::type*>(object);
}

// A COM object implementing the listed interfaces. The count starts at the
// creator's one reference (or at the count given); the last Release calls
// lastReleased(), which deletes a heap object. An object counted in a shared
// count (a module's class factories, which live as long as the module) is
// never deleted by Release.
template <class... Listed>
class ComObject : public Listed::type... {
  static_assert(sizeof...(Listed) > 0, "an object implements at least one interface");

 public:
  ComObject(const ComObject&) = delete;
  ComObject& operator=(const ComObject&) = delete;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    void* p = find(iid);
    *out = p;
    if (!p) return E_NOINTERFACE;
    // Through the pointer handed out: an extra interface may be another object's.
    static_cast<IUnknown*>(p)->AddRef();
    return S_OK;
  }

  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(refs_->add()); }

  ULONG STDMETHODCALLTYPE Release() override {
    const LONG left = refs_->drop();
    if (left == 0 && refs_ == &own_) lastReleased();
    return static_cast<ULONG>(left < 0 ? 0 : left);
  }

  ULONG refCount() const { return static_cast<ULONG>(refs_->count()); }

 protected:
  explicit ComObject(LONG references = 1) : own_(references) {}
  explicit ComObject(RefCount& shared) : refs_(&shared) {}
  virtual ~ComObject() = default;

  IUnknown* identity() { return IdentityOf<Listed...>(this); }

  // Whether QueryInterface answers iid.
  bool implements(REFIID iid) { return find(iid) != nullptr; }

  // Interfaces beyond the list, decided at run time (AddRef'd by
  // QueryInterface); null if none.
  virtual void* extraInterface(REFIID) { return nullptr; }

  // At the last Release: heap objects delete themselves.
  virtual void lastReleased() { delete this; }

 private:
  void* find(REFIID iid) {
    if (IsEqualIID(iid, IID_IUnknown)) return identity();
    void* p = FindListed<Listed...>(this, iid);
    return p ? p : extraInterface(iid);
  }

  RefCount own_{0};
  RefCount* refs_ = &own_;
};

// More interfaces on top of an object base that already answers IUnknown
// (a NamedDispatch): their IUnknown methods are the base's. The derived
// class hands them out from extraInterface().
template <class Base, class... More>
class Extends : public Base, public More... {
 public:
  using Base::Base;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    return Base::QueryInterface(iid, out);
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return Base::AddRef(); }
  ULONG STDMETHODCALLTYPE Release() override { return Base::Release(); }
};

// An object that can be aggregated. Its interfaces' IUnknown methods go to
// the outer object when aggregated and to its own non-delegating unknown
// otherwise; inner() is that unknown, the one a class factory hands to an
// aggregating outer object. The count starts at 0.
template <class... Listed>
class AggregatableObject : public Listed::type... {
 public:
  AggregatableObject(const AggregatableObject&) = delete;
  AggregatableObject& operator=(const AggregatableObject&) = delete;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    return outer_->QueryInterface(iid, out);
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return outer_->AddRef(); }
  ULONG STDMETHODCALLTYPE Release() override { return outer_->Release(); }

  IUnknown* inner() { return &inner_; }

 protected:
  explicit AggregatableObject(IUnknown* outer) : inner_(this), outer_(outer ? outer : &inner_) {}
  virtual ~AggregatableObject() = default;

  bool implements(REFIID iid) {
    return IsEqualIID(iid, IID_IUnknown) || FindListed<Listed...>(this, iid) != nullptr;
  }

 private:
  class InnerUnknown : public IUnknown {
   public:
    explicit InnerUnknown(AggregatableObject* owner) : owner_(owner) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
      if (!out) return E_POINTER;
      void* p = IsEqualIID(iid, IID_IUnknown) ? static_cast<IUnknown*>(this)
                                              : FindListed<Listed...>(owner_, iid);
      *out = p;
      if (!p) return E_NOINTERFACE;
      // Through the interface itself, so an aggregated object counts on the outer.
      static_cast<IUnknown*>(p)->AddRef();
      return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(owner_->refs_.add()); }
    ULONG STDMETHODCALLTYPE Release() override {
      const LONG left = owner_->refs_.drop();
      if (left == 0) delete owner_;
      return static_cast<ULONG>(left < 0 ? 0 : left);
    }

   private:
    AggregatableObject* owner_;
  };

  InnerUnknown inner_;
  IUnknown* outer_;
  RefCount refs_{0};
};

// What keeps a module loaded: references to its class factories, server
// locks and its live objects (which the module counts its own way).
class ComModule {
 public:
  ComModule() = default;
  ComModule(const ComModule&) = delete;
  ComModule& operator=(const ComModule&) = delete;

  RefCount& factoryReferences() { return factoryReferences_; }

  // Every factory's LockServer.
  virtual HRESULT lockServer(IClassFactory*, BOOL lock) {
    if (lock)
      locks_.add();
    else
      locks_.drop();
    return S_OK;
  }

  // The exports' answers (ComModuleExports below).
  virtual HRESULT getClassObject(REFCLSID clsid, REFIID iid, void** out) = 0;
  virtual HRESULT registerServer() = 0;
  virtual HRESULT unregisterServer() = 0;
  virtual LONG liveObjects() const = 0;

  // No live object, no server lock, no factory reference held.
  bool canUnload() const {
    return liveObjects() == 0 && locks_.count() == 0 && factoryReferences_.count() == 0;
  }

 protected:
  ~ComModule() = default;

 private:
  RefCount factoryReferences_;
  RefCount locks_;
};

// The class factory of one creatable class. Make(outer, iid, out) creates
// the object and answers iid; out is valid and null when it runs. The
// factory lives as long as its module and counts its references there.
template <HRESULT (*Make)(IUnknown* outer, REFIID iid, void** out)>
class ClassFactory final : public ComObject<Implements<IClassFactory, IID_IClassFactory>> {
 public:
  explicit ClassFactory(ComModule& module)
      : ComObject(module.factoryReferences()), module_(module) {}
  ~ClassFactory() override = default;

  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    return Make(outer, iid, out);
  }

  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
    return module_.lockServer(this, lock);
  }

 protected:
  // The module's count reaching 0 ends nothing: the factory is the module's.
  void lastReleased() override {}

 private:
  ComModule& module_;
};

// The shape every module's exports share: the module (null before load and
// after unload) answers, and no exception leaves them, as their callers
// (the COM runtime, a registration tool) are written in C.
namespace module_exports {

inline HRESULT GetClassObject(ComModule* module, REFCLSID clsid, REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (!module) return CLASS_E_CLASSNOTAVAILABLE;
  try {
    return module->getClassObject(clsid, iid, out);
  } catch (...) {
    return E_UNEXPECTED;
  }
}

inline HRESULT CanUnloadNow(const ComModule* module) {
  return !module || module->canUnload() ? S_OK : S_FALSE;
}

// Registration and its undoing: E_UNEXPECTED without a module, E_FAIL when
// a step raises.
template <class Change>
HRESULT ChangeRegistration(ComModule* module, Change change) {
  if (!module) return E_UNEXPECTED;
  try {
    return change(*module);
  } catch (...) {
    return E_FAIL;
  }
}

}  // namespace module_exports

}  // namespace qorvid::platform

// Defines DllGetClassObject, DllCanUnloadNow, DllRegisterServer and
// DllUnregisterServer over the ComModule* that `module` yields.
#define QORVID_COM_MODULE_EXPORTS(module)                                                 \
  STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, LPVOID* out) {                     \
    return ::qorvid::platform::module_exports::GetClassObject((module), clsid, iid, out); \
  }                                                                                       \
  STDAPI DllCanUnloadNow(void) {                                                          \
    return ::qorvid::platform::module_exports::CanUnloadNow((module));                    \
  }                                                                                       \
  STDAPI DllRegisterServer(void) {                                                        \
    return ::qorvid::platform::module_exports::ChangeRegistration(                        \
        (module), [](::qorvid::platform::ComModule& m) { return m.registerServer(); });   \
  }                                                                                       \
  STDAPI DllUnregisterServer(void) {                                                      \
    return ::qorvid::platform::module_exports::ChangeRegistration(                        \
        (module), [](::qorvid::platform::ComModule& m) { return m.unregisterServer(); }); \
  }
