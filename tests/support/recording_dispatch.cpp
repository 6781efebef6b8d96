#include "tests/support/recording_dispatch.h"

#include <cctype>

#include "platform/bstr.h"

namespace qorvid {

namespace {
std::string Lower(const std::string& s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}
}  // namespace

RecordingDispatch::RecordingDispatch() = default;
RecordingDispatch::~RecordingDispatch() = default;

RecordingDispatch::Member& RecordingDispatch::slot(const std::string& name) {
  std::string key = Lower(name);
  auto it = members_.find(key);
  if (it != members_.end()) return it->second;
  Member& m = members_[key];
  m.name = name;
  m.dispid = nextId_++;
  return m;
}

RecordingDispatch::Member* RecordingDispatch::find(const std::string& name) {
  auto it = members_.find(Lower(name));
  return it == members_.end() ? nullptr : &it->second;
}

RecordingDispatch::Member* RecordingDispatch::byId(DISPID id) {
  for (auto& entry : members_)
    if (entry.second.dispid == id) return &entry.second;
  return nullptr;
}

DISPID RecordingDispatch::member(const std::string& name) { return slot(name).dispid; }

void RecordingDispatch::answer(const std::string& name, const Variant& value) {
  Member& m = slot(name);
  m.kind = AnswerValue;
  m.value = value;
}

void RecordingDispatch::raise(const std::string& name, const std::string& description,
                              const std::string& source) {
  Member& m = slot(name);
  m.kind = RaiseException;
  m.description = description;
  m.source = source;
}

void RecordingDispatch::fail(const std::string& name, HRESULT status) {
  Member& m = slot(name);
  m.kind = FailStatus;
  m.status = status;
}

void RecordingDispatch::unknown(const std::string& name) { slot(name).kind = UnknownName; }

void RecordingDispatch::failLookup(const std::string& name, HRESULT status) {
  Member& m = slot(name);
  m.kind = FailLookup;
  m.status = status;
}

void RecordingDispatch::onInvoke(const std::string& name, Handler handler) {
  Member& m = slot(name);
  m.kind = Compute;
  m.handler = std::move(handler);
}

std::vector<RecordingDispatch::Call> RecordingDispatch::callsOf(const std::string& name) const {
  std::vector<Call> out;
  std::string key = Lower(name);
  for (const Call& c : calls_)
    if (Lower(c.member) == key) out.push_back(c);
  return out;
}

void RecordingDispatch::clearRecord() {
  calls_.clear();
  lookups_.clear();
  lookupLocales_.clear();
}

HRESULT STDMETHODCALLTYPE RecordingDispatch::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch)) {
    *out = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE RecordingDispatch::AddRef() { return ++refs_; }

// Never deletes: the test owns the object and checks the count at the end.
ULONG STDMETHODCALLTYPE RecordingDispatch::Release() { return refs_ > 0 ? --refs_ : 0; }

HRESULT STDMETHODCALLTYPE RecordingDispatch::GetTypeInfoCount(UINT* count) {
  if (count) *count = 0;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE RecordingDispatch::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
  if (info) *info = nullptr;
  return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE RecordingDispatch::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count,
                                                           LCID lcid, DISPID* ids) {
  if (!names || !ids) return E_POINTER;
  HRESULT status = S_OK;
  for (UINT i = 0; i < count; ++i) {
    const OLECHAR* w = names[i];
    size_t len = 0;
    while (w && w[len]) ++len;
    std::string name = w ? AnsiFromWide(w, len) : std::string();
    lookups_.push_back(name);
    lookupLocales_.push_back(lcid);
    Member* m = find(name);
    if (!m && !strict_) m = &slot(name);
    ids[i] = DISPID_UNKNOWN;
    if (!m || m->kind == UnknownName) {
      status = DISP_E_UNKNOWNNAME;
    } else if (m->kind == FailLookup) {
      status = m->status;
    } else {
      ids[i] = m->dispid;
    }
  }
  return status;
}

HRESULT STDMETHODCALLTYPE RecordingDispatch::Invoke(DISPID id, REFIID, LCID lcid, WORD flags,
                                                    DISPPARAMS* params, VARIANT* result,
                                                    EXCEPINFO* exception, UINT*) {
  Member* m = byId(id);
  if (!m) return DISP_E_MEMBERNOTFOUND;

  Call call;
  call.member = m->name;
  call.dispid = id;
  call.flags = flags;
  call.lcid = lcid;
  if (params) {
    for (UINT i = params->cArgs; i-- > 0;) {
      VARIANT& arg = params->rgvarg[i];
      call.argTypes.push_back(arg.vt);
      Variant copy;
      if (arg.vt & VT_BYREF) {
        VariantCopyInd(copy.ptr(), &arg);
      } else {
        VariantCopy(copy.ptr(), &arg);
      }
      call.args.push_back(std::move(copy));
    }
    for (UINT i = 0; i < params->cNamedArgs; ++i)
      call.namedArgs.push_back(params->rgdispidNamedArgs[i]);
  }
  calls_.push_back(std::move(call));

  switch (m->kind) {
    case AnswerValue:
      if (result) VariantCopy(result, m->value.ptr());
      return S_OK;
    case RaiseException:
      if (exception) {
        exception->wCode = 0;
        exception->scode = DISP_E_EXCEPTION;
        exception->bstrSource = Bstr::fromAnsi(m->source).detach();
        exception->bstrDescription = Bstr::fromAnsi(m->description).detach();
      }
      return DISP_E_EXCEPTION;
    case FailStatus:
      return m->status;
    case Compute:
      return m->handler(params, result, exception);
    case UnknownName:
    case FailLookup:
      break;
  }
  return DISP_E_MEMBERNOTFOUND;
}

}  // namespace qorvid
