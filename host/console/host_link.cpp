// The console's view of the reference host of host/: its connection object
// with the recording error log, and its host objects.
#include "host/console/host_side.h"
#include "host/console/utf.h"
#include "host/host_connection.h"
#include "host/host_object.h"

namespace qorvid::host {

namespace {

class ReferenceHost : public HostSide {
 public:
  ReferenceHost() : connection_(HostConnection::create()) {}

  IDispatch* connection() override { return static_cast<HostDispatch*>(connection_.get()); }

  size_t errorCount() override { return connection_->errorLog().size(); }

  std::vector<LoggedError> errorsSince(size_t first) override {
    std::vector<LoggedError> out;
    const std::vector<ErrorLogEntry>& log = connection_->errorLog();
    for (size_t i = first; i < log.size(); ++i) {
      LoggedError e;
      e.code = log[i].code;
      e.source = Utf8FromWide(log[i].source);
      e.description = Utf8FromWide(log[i].description);
      out.push_back(e);
    }
    return out;
  }

  ComPtr<IDispatch> makeObject(const ObjectRef& ref, std::string& problem) override {
    // The host keeps its texts in UTF-8, as typed.
    WideString typeId, suffix;
    if (!WideFromUtf8(ref.typeId, typeId) || !WideFromUtf8(ref.suffix, suffix)) {
      problem = "the texts are not valid UTF-8";
      return ComPtr<IDispatch>();
    }
    ComPtr<HostObject> object =
        HostObject::create(ref.typeId, ref.firstNumber, ref.objectNumber, ref.suffix);
    if (!object) {
      problem = "the reference host refused it";
      return ComPtr<IDispatch>();
    }
    return ComPtr<IDispatch>(static_cast<HostDispatch*>(object.get()));
  }

  bool describeObject(IDispatch* object, ObjectRef& ref) override {
    HostObject* host = HostObject::from(object);
    if (!host) return false;
    ref.typeId = host->typeId();
    ref.firstNumber = host->firstNumber();
    ref.objectNumber = host->objectNumber();
    ref.suffix = host->suffix();
    return true;
  }

 private:
  ComPtr<HostConnection> connection_;
};

}  // namespace

std::unique_ptr<HostSide> CreateReferenceHost() { return std::make_unique<ReferenceHost>(); }

}  // namespace qorvid::host
