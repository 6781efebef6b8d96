#include "host/host_object.h"

#include <cstdio>
#include <vector>

#include "platform/utf8_text.h"
#include "platform/variant.h"

namespace qorvid::host {

// {5B1D0C7E-8A43-4E2F-9C61-2D7F0A9B3E18}
const IID IID_QorvidHostObject = {
    0x5B1D0C7E, 0x8A43, 0x4E2F, {0x9C, 0x61, 0x2D, 0x7F, 0x0A, 0x9B, 0x3E, 0x18}};

namespace {
enum { kTypeId = 1, kFirstNumber, kObjectNumber, kSuffix };

std::string Right10(LONG n) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%10ld", static_cast<long>(n));
  return buffer;
}

std::string Quoted(const std::vector<std::string>& items) {
  std::string out = "{";
  for (size_t i = 0; i < items.size(); ++i) {
    if (i) out += ",";
    out += "\"" + items[i] + "\"";
  }
  return out + "}";
}

// A decimal number with optional leading blanks, nothing else.
bool ParseNumber(const std::string& text, LONG& out) {
  size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  if (i == text.size()) return false;
  long long value = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    value = value * 10 + (text[i] - '0');
    if (value > 2147483647LL) return false;
  }
  out = static_cast<LONG>(value);
  return true;
}
}  // namespace

HostObject::HostObject(const std::string& typeId, LONG firstNumber, LONG objectNumber,
                       const std::string& suffix)
    : HostDispatch({"TypeId", "FirstNumber", "ObjectNumber", "Suffix"}),
      typeId_(typeId),
      firstNumber_(firstNumber),
      objectNumber_(objectNumber),
      suffix_(suffix) {}

ComPtr<HostObject> HostObject::create(const std::string& typeId, LONG firstNumber,
                                      LONG objectNumber, const std::string& suffix) {
  return ComPtr<HostObject>::attach(new HostObject(typeId, firstNumber, objectNumber, suffix));
}

HostObject* HostObject::from(IUnknown* object) {
  if (!object) return nullptr;
  void* p = nullptr;
  if (FAILED(object->QueryInterface(IID_QorvidHostObject, &p)) || !p) return nullptr;
  HostObject* host = static_cast<HostObject*>(static_cast<IDispatch*>(p));
  host->Release();  // the caller's value keeps it alive
  return host;
}

void* HostObject::extraInterface(REFIID iid) {
  return IsEqualIID(iid, IID_QorvidHostObject) ? static_cast<IDispatch*>(this) : nullptr;
}

std::string HostObject::internalForm() const {
  switch (form_) {
    case Long:
      return LongInternalForm(typeId_, firstNumber_, objectNumber_, suffix_);
    case Text:
      return text_;
    case Short:
      break;
  }
  return ShortInternalForm(typeId_, firstNumber_, objectNumber_, suffix_);
}

void HostObject::answerDefaultValue(LONG value) {
  default_ = value;
  addDefaultMember();
}

void HostObject::answerLongForm() { form_ = Long; }

void HostObject::answerText(const std::string& text) {
  form_ = Text;
  text_ = text;
}

HRESULT HostObject::invokeMember(DISPID id, WORD flags, DISPPARAMS& params, VARIANT* result,
                                 EXCEPINFO* exception) {
  if (!(flags & DISPATCH_PROPERTYGET)) return DISP_E_MEMBERNOTFOUND;
  if (params.cArgs != 0) return DISP_E_BADPARAMCOUNT;
  if (!result) return S_OK;
  switch (id) {
    case DISPID_VALUE:
      Variant::fromInt(default_).detachTo(result);
      return S_OK;
    case kTypeId:
      Variant::fromUtf8(typeId_).detachTo(result);
      return S_OK;
    case kFirstNumber:
      Variant::fromInt(firstNumber_).detachTo(result);
      return S_OK;
    case kObjectNumber:
      Variant::fromInt(objectNumber_).detachTo(result);
      return S_OK;
    case kSuffix:
      Variant::fromUtf8(suffix_).detachTo(result);
      return S_OK;
    default:
      return Raise(exception, "no such member");
  }
}

std::string ShortInternalForm(const std::string& typeId, LONG firstNumber, LONG objectNumber,
                              const std::string& suffix) {
  return Quoted({typeId, "0", "0", Right10(firstNumber), "0", "0", Right10(objectNumber) + suffix});
}

std::string LongInternalForm(const std::string& typeId, LONG firstNumber, LONG objectNumber,
                             const std::string& suffix) {
  return Quoted(
      {typeId, "0", "0", "0", "0", "0", Right10(firstNumber) + Right10(objectNumber) + suffix});
}

ComPtr<HostObject> ParseInternalForm(const std::string& text) {
  if (text.size() < 4 || text.compare(0, 2, "{\"") != 0 ||
      text.compare(text.size() - 2, 2, "\"}") != 0)
    return ComPtr<HostObject>();
  std::string inner = text.substr(2, text.size() - 4);
  std::vector<std::string> items;
  size_t start = 0;
  for (;;) {
    size_t at = inner.find("\",\"", start);
    items.push_back(inner.substr(start, at == std::string::npos ? std::string::npos : at - start));
    if (at == std::string::npos) break;
    start = at + 3;
  }
  // Lengths in characters, as the host counts them; the numbers are ASCII.
  auto length = [](const std::string& t) { return qorvid::platform::WideLength(t); };
  if (items.size() != 7 || length(items[0]) != 1) return ComPtr<HostObject>();
  std::string first = items[3];
  std::string identifier = items[6];
  if (first == "0") {  // long form: the first number leads the identifier
    if (length(identifier) != 23) return ComPtr<HostObject>();
    first = identifier.substr(0, 10);
    identifier = identifier.substr(10);
  }
  LONG firstNumber = 0, objectNumber = 0;
  if (length(identifier) != 13 || !ParseNumber(first, firstNumber) ||
      !ParseNumber(identifier.substr(0, 10), objectNumber))
    return ComPtr<HostObject>();
  return HostObject::create(items[0], firstNumber, objectNumber, identifier.substr(10));
}

}  // namespace qorvid::host
