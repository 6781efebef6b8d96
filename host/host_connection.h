// The host's connection object, the one the host hands to the component's
// Initialize: an IDispatch answering "AppDispatch" with the application
// object, an IErrorLog that records every entry, and the three interfaces
// the component takes and never calls. A connection can be made offering
// only some of them.
#pragma once

#include <string>
#include <vector>

#include "host/host_application.h"
#include "host/host_dispatch.h"
#include "platform/com_object.h"
#include "platform/com_ptr.h"
#include "platform/utf8_text.h"

namespace qorvid::host {

// One entry written through IErrorLog::AddError, copied.
struct ErrorLogEntry {
  bool propertyNamed = false;  // a non-null property name was passed
  WideString propertyName;
  WORD code = 0;
  WORD reserved = 0;
  SCODE scode = 0;
  WideString source;
  WideString description;
  bool helpFile = false;  // a non-null help file was passed
  DWORD helpContext = 0;

  std::string sourceText() const { return qorvid::platform::Utf8FromWide(source); }
  std::string descriptionText() const { return qorvid::platform::Utf8FromWide(description); }
};

class HostConnection : public platform::Extends<HostDispatch, IErrorLog> {
 public:
  enum Offer {
    OffersErrorLog = 1,
    OffersStatusLine = 2,
    OffersAsyncEvent = 4,
    OffersExtWndsSupport = 8,
    OffersAll = 15,
  };
  static ComPtr<HostConnection> create(int offers = OffersAll);

  HostApplication& application() { return *application_.get(); }
  const std::vector<ErrorLogEntry>& errorLog() const { return entries_; }
  void clearErrorLog() { entries_.clear(); }
  int appDispatchCalls() const { return appDispatchCalls_; }
  // Reference counts of the three small interface objects (1 when nobody
  // but the connection holds one; 0 when not offered).
  ULONG statusLineRefs() const;
  ULONG asyncEventRefs() const;
  ULONG extWndsSupportRefs() const;

  HRESULT STDMETHODCALLTYPE AddError(LPCOLESTR propertyName, EXCEPINFO* entry) override;

  class Marker;

 protected:
  HRESULT invokeMember(DISPID id, WORD flags, DISPPARAMS& params, VARIANT* result,
                       EXCEPINFO* exception) override;
  void* extraInterface(REFIID iid) override;

 private:
  explicit HostConnection(int offers);
  ~HostConnection() override;

  int offers_;
  ComPtr<HostApplication> application_;
  ComPtr<IUnknown> statusLine_;
  ComPtr<IUnknown> asyncEvent_;
  ComPtr<IUnknown> extWndsSupport_;
  std::vector<ErrorLogEntry> entries_;
  int appDispatchCalls_ = 0;
};

}  // namespace qorvid::host
