#include "host/host_connection.h"

#include <new>
#include <utility>

#include "platform/com_object.h"
#include "protocol/host_protocol.h"

namespace qorvid::host {

// A small object standing for one host interface that has no operations the
// component calls; it answers its own IID and IUnknown.
class HostConnection::Marker
    : public platform::ComObject<platform::Implements<IUnknown, IID_IUnknown>> {
 public:
  explicit Marker(const IID& iid) : iid_(iid) {}

 private:
  ~Marker() override = default;
  void* extraInterface(REFIID iid) override { return IsEqualIID(iid, iid_) ? identity() : nullptr; }
  IID iid_;
};

namespace {
enum { kAppDispatch = 1 };

ULONG RefsOf(const ComPtr<IUnknown>& marker) {
  return marker ? static_cast<HostConnection::Marker*>(marker.get())->refCount() : 0;
}

WideString Copy(const OLECHAR* s, bool isBstr) {
  if (!s) return WideString();
  if (isBstr) return WideString(s, SysStringLen(const_cast<BSTR>(s)));
  size_t n = 0;
  while (s[n]) ++n;
  return WideString(s, n);
}
}  // namespace

HostConnection::HostConnection(int offers)
    : Extends({"AppDispatch"}), offers_(offers), application_(HostApplication::create()) {
  if (offers & OffersStatusLine)
    statusLine_ = ComPtr<IUnknown>::attach(new Marker(IID_IStatusLine));
  if (offers & OffersAsyncEvent)
    asyncEvent_ = ComPtr<IUnknown>::attach(new Marker(IID_IAsyncEvent));
  if (offers & OffersExtWndsSupport)
    extWndsSupport_ = ComPtr<IUnknown>::attach(new Marker(IID_IExtWndsSupport));
}

HostConnection::~HostConnection() = default;

ComPtr<HostConnection> HostConnection::create(int offers) {
  return ComPtr<HostConnection>::attach(new HostConnection(offers));
}

ULONG HostConnection::statusLineRefs() const { return RefsOf(statusLine_); }
ULONG HostConnection::asyncEventRefs() const { return RefsOf(asyncEvent_); }
ULONG HostConnection::extWndsSupportRefs() const { return RefsOf(extWndsSupport_); }

void* HostConnection::extraInterface(REFIID iid) {
  if (IsEqualIID(iid, IID_IErrorLog))
    return (offers_ & OffersErrorLog) ? static_cast<IErrorLog*>(this) : nullptr;
  if (IsEqualIID(iid, IID_IStatusLine)) return statusLine_.get();
  if (IsEqualIID(iid, IID_IAsyncEvent)) return asyncEvent_.get();
  if (IsEqualIID(iid, IID_IExtWndsSupport)) return extWndsSupport_.get();
  return nullptr;
}

HRESULT STDMETHODCALLTYPE HostConnection::AddError(LPCOLESTR propertyName, EXCEPINFO* entry) try {
  if (!entry) return E_POINTER;
  reenter("AddError");
  // The strings stay the caller's: keep copies.
  ErrorLogEntry e;
  e.propertyNamed = propertyName != nullptr;
  e.propertyName = Copy(propertyName, false);
  e.code = entry->wCode;
  e.reserved = entry->wReserved;
  e.scode = entry->scode;
  e.source = Copy(entry->bstrSource, true);
  e.description = Copy(entry->bstrDescription, true);
  e.helpFile = entry->bstrHelpFile != nullptr;
  e.helpContext = entry->dwHelpContext;
  entries_.push_back(std::move(e));
  return S_OK;
} catch (const std::bad_alloc&) {
  // No C++ exception crosses back into the component.
  return E_OUTOFMEMORY;
}

HRESULT HostConnection::invokeMember(DISPID id, WORD flags, DISPPARAMS& params, VARIANT* result,
                                     EXCEPINFO*) {
  if (id != kAppDispatch) return DISP_E_MEMBERNOTFOUND;
  if (!(flags & (DISPATCH_METHOD | DISPATCH_PROPERTYGET))) return DISP_E_MEMBERNOTFOUND;
  if (params.cArgs != 0) return DISP_E_BADPARAMCOUNT;
  ++appDispatchCalls_;
  StoreDispatch(result, application_.get());
  return S_OK;
}

}  // namespace qorvid::host
