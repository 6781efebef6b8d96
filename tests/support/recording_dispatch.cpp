#include "tests/support/recording_dispatch.h"

#include "platform/text_case.h"

namespace qorvid {

RecordingDispatch::RecordingDispatch() = default;
RecordingDispatch::~RecordingDispatch() = default;

RecordingDispatch::Member& RecordingDispatch::slot(const std::string& name) {
  if (Member* known = find(name)) return *known;
  members_.emplace_back();
  Member& m = members_.back();
  m.name = name;
  m.wideName = qorvid::platform::WideFromUtf8(name);
  m.dispid = nextId_++;
  table_.push_back({m.wideName.c_str(), m.dispid});
  setNames(table_.data(), table_.size());
  return m;
}

RecordingDispatch::Member* RecordingDispatch::find(const std::string& name) {
  const DISPID id = memberId(qorvid::platform::WideFromUtf8(name).c_str());
  return id == DISPID_UNKNOWN ? nullptr : byId(id);
}

RecordingDispatch::Member* RecordingDispatch::byId(DISPID id) {
  for (Member& m : members_)
    if (m.dispid == id) return &m;
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
  const WideString wanted = qorvid::platform::WideFromUtf8(name);
  for (const Call& c : calls_)
    if (platform::EqualsIgnoringCase(qorvid::platform::WideFromUtf8(c.member), wanted)) out.push_back(c);
  return out;
}

void RecordingDispatch::clearRecord() {
  calls_.clear();
  lookups_.clear();
  lookupLocales_.clear();
}

HRESULT RecordingDispatch::findMember(const OLECHAR* w, LCID lcid, DISPID* id) {
  size_t len = 0;
  while (w && w[len]) ++len;
  std::string name = w ? qorvid::platform::Utf8FromWide(w, len) : std::string();
  lookups_.push_back(name);
  lookupLocales_.push_back(lcid);
  Member* m = find(name);
  if (!m && !strict_) m = &slot(name);
  *id = DISPID_UNKNOWN;
  if (!m || m->kind == UnknownName) return DISP_E_UNKNOWNNAME;
  if (m->kind == FailLookup) return m->status;
  *id = m->dispid;
  return S_OK;
}

HRESULT RecordingDispatch::dispatchMember(DISPID id, LCID lcid, WORD flags, DISPPARAMS* params,
                                          VARIANT* result, EXCEPINFO* exception, UINT*) {
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
        exception->bstrSource = Bstr::fromUtf8(m->source).detach();
        exception->bstrDescription = Bstr::fromUtf8(m->description).detach();
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
