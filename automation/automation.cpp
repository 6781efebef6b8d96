#include "automation/automation.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>
#include <utility>
#include <vector>

#include "platform/bstr.h"
#include "platform/com_ptr.h"
#include "platform/variant_integer.h"

namespace qorvid {

namespace {

const char kNotAutomationObject[] = "Variant does not reference an automation object";
const char kInvalidConversion[] = "Invalid variant type conversion";

// The value a host value stands for: itself, or what its VT_VARIANT|VT_BYREF
// refers to, one step deep. A reference to a further reference (a ring, even
// one pointing at itself) stands for nothing: null. Every walk of references
// goes through here, so none can run on for ever.
const VARIANT* Referred(const VARIANT& v) {
  if (v.vt != (VT_VARIANT | VT_BYREF)) return &v;
  const VARIANT* inner = v.pvarVal;
  if (!inner || inner->vt == (VT_VARIANT | VT_BYREF)) return nullptr;
  return inner;
}

// The dispatch interface a value holds: VT_DISPATCH, a reference to one, or a
// reference to a VARIANT holding one. Null when it holds none.
IDispatch* DispatchOf(const VARIANT& value) {
  const VARIANT* v = Referred(value);
  if (!v) return nullptr;
  switch (v->vt) {
    case VT_DISPATCH:
      return v->pdispVal;
    case VT_DISPATCH | VT_BYREF:
      return v->ppdispVal ? *v->ppdispVal : nullptr;
    default:
      return nullptr;
  }
}

// Whether a put passes an object (put by reference), null objects included.
bool HoldsDispatch(const VARIANT& value) {
  const VARIANT* v = Referred(value);
  return v && !(v->vt & VT_ARRAY) && (v->vt & VT_TYPEMASK) == VT_DISPATCH;
}

// Trailing control characters, blanks and full stops go: providers end their
// texts with ".\r\n", which would sit badly before the CR LF of the error text.
std::string TrimDescription(std::string text) {
  while (!text.empty()) {
    unsigned char c = static_cast<unsigned char>(text.back());
    if (c < 32 || c == ' ' || c == '.' || c == 127)
      text.pop_back();
    else
      break;
  }
  return text;
}

// A member name as GetIDsOfNames takes it. The component calls ASCII names,
// widened in place; anything else is widened from UTF-8.
class MemberName {
 public:
  explicit MemberName(const char* name) {
    size_t i = 0;
    for (; i + 1 < sizeof(inline_) / sizeof(inline_[0]); ++i) {
      unsigned char c = static_cast<unsigned char>(name[i]);
      if (c == 0 || c >= 0x80) break;
      inline_[i] = static_cast<OLECHAR>(c);
    }
    if (name[i] == 0) {
      inline_[i] = 0;
      return;
    }
    converted_ = Bstr::fromUtf8(name);
  }
  LPOLESTR get() { return converted_.get() ? converted_.get() : inline_; }

 private:
  OLECHAR inline_[64];
  Bstr converted_;  // owns the name when it is not ASCII
};

std::string Utf8Of(const OLECHAR* s, size_t length) { return platform::Utf8FromWide(s, length); }
std::string Utf8Of(BSTR b) { return b ? Utf8Of(b, SysStringLen(b)) : std::string(); }

// Owns the strings Invoke may leave in the exception record.
struct ExceptionRecord {
  EXCEPINFO info{};
  ExceptionRecord() = default;
  ExceptionRecord(const ExceptionRecord&) = delete;
  ExceptionRecord& operator=(const ExceptionRecord&) = delete;
  ~ExceptionRecord() {
    Bstr::attach(info.bstrSource);
    Bstr::attach(info.bstrDescription);
    Bstr::attach(info.bstrHelpFile);
  }
};

// The message a failed Invoke gives.
std::string InvokeFailure(HRESULT status, ExceptionRecord& exception) {
  if (status != DISP_E_EXCEPTION) return StatusMessage(status);
  if (exception.info.pfnDeferredFillIn) {
    exception.info.pfnDeferredFillIn(&exception.info);
    exception.info.pfnDeferredFillIn = nullptr;
  }
  std::string message = TrimDescription(Utf8Of(exception.info.bstrDescription));
  // An exception with no description at all would leave an empty message;
  // its status code at least says something.
  if (message.empty())
    message = StatusMessage(FAILED(exception.info.scode) ? exception.info.scode : status);
  return message;
}

}  // namespace

Variant Automation::invoke(Form form, const char* member, const Arg* args, size_t count) const {
  IDispatch* raw = DispatchOf(*target_);
  if (!raw) throw ComponentError(kNotAutomationObject);
  // The call may release the target's owner (a recordset replaced from
  // inside), so hold the object for the length of the call.
  ComPtr<IDispatch> object(raw);

  const char* name = member ? member : "";
  MemberName wideName(name);
  LPOLESTR names[1] = {wideName.get()};
  DISPID id = DISPID_UNKNOWN;
  HRESULT hr = object->GetIDsOfNames(IID_NULL, names, 1, GetThreadLocale(), &id);
  if (hr == DISP_E_UNKNOWNNAME) {
    std::vector<char> buffer(std::strlen(name) + 64);
    std::snprintf(buffer.data(), buffer.size(), "Method '%s' not supported by automation object",
                  name);
    throw ComponentError(buffer.data());
  }
  if (FAILED(hr)) throw ComponentError(StatusMessage(hr));

  // owners[i] keeps what argument i passes (a BSTR made from text); the
  // VARIANTs handed to Invoke only point at it. DISPPARAMS wants the last
  // argument first.
  // Calls pass two arguments at most, so both arrays stay on the stack
  // unless a caller passes more.
  const size_t kInline = 2;
  Variant ownersInline[kInline];
  VARIANT passedInline[kInline];
  std::vector<Variant> ownersMore(count > kInline ? count : 0);
  std::vector<VARIANT> passedMore(count > kInline ? count : 0);
  Variant* owners = count > kInline ? ownersMore.data() : ownersInline;
  VARIANT* passed = count > kInline ? passedMore.data() : passedInline;
  for (size_t i = 0; i < count; ++i) {
    const Arg& a = args[i];
    VARIANT& slot = passed[count - 1 - i];
    VariantInit(&slot);
    switch (a.form()) {
      case Arg::Integer:
        slot.vt = VT_I4;
        slot.lVal = a.integer_;
        break;
      case Arg::HostValue:
        slot = *a.value_;
        break;
      case Arg::Text:
        owners[i] = Variant::fromUtf8(*a.text_);
        slot = owners[i].get();
        break;
      case Arg::TextByRef:
        owners[i] = Variant::fromUtf8(*a.textRef_);
        slot.vt = VT_BSTR | VT_BYREF;
        slot.pbstrVal = &owners[i].get().bstrVal;
        break;
      case Arg::HostValueByRef:
        slot.vt = VT_VARIANT | VT_BYREF;
        slot.pvarVal = a.valueRef_;
        break;
      case Arg::IntegerByRef:
        slot.vt = VT_I4 | VT_BYREF;
        slot.plVal = a.integerRef_;
        break;
      case Arg::Omitted:
        slot.vt = VT_ERROR;
        slot.scode = DISP_E_PARAMNOTFOUND;
        break;
    }
  }

  DISPID putId = DISPID_PROPERTYPUT;
  DISPPARAMS params{};
  params.rgvarg = count ? passed : nullptr;
  params.cArgs = static_cast<UINT>(count);
  WORD flags = DISPATCH_METHOD;
  switch (form) {
    case Form::Put: {
      params.rgdispidNamedArgs = &putId;
      params.cNamedArgs = 1;
      const Arg& a = args[0];
      bool byReference = (a.form() == Arg::HostValue && HoldsDispatch(*a.value_)) ||
                         (a.form() == Arg::HostValueByRef && HoldsDispatch(*a.valueRef_));
      flags = byReference ? DISPATCH_PROPERTYPUTREF : DISPATCH_PROPERTYPUT;
      break;
    }
    case Form::GetWith:
      flags = DISPATCH_PROPERTYGET;
      break;
    case Form::Get:
      flags = DISPATCH_METHOD | DISPATCH_PROPERTYGET;
      break;
    case Form::Method:
      flags = DISPATCH_METHOD;
      break;
  }

  Variant result;
  ExceptionRecord exception;
  UINT argError = 0;
  hr = object->Invoke(id, IID_NULL, 0, flags, &params, form == Form::Put ? nullptr : result.put(),
                      &exception.info, &argError);
  if (FAILED(hr)) throw ComponentError(InvokeFailure(hr, exception));

  for (size_t i = 0; i < count; ++i)
    if (args[i].form() == Arg::TextByRef) {
      const BSTR text = owners[i].get().bstrVal;
      platform::Utf8FromWideInto(*args[i].textRef_, text, text ? SysStringLen(text) : 0);
    }
  return result;
}

Arg byValue(LONG integer) {
  Arg a;
  a.form_ = Arg::Integer;
  a.integer_ = integer;
  return a;
}

Arg byValue(const VARIANT& value) {
  Arg a;
  a.form_ = Arg::HostValue;
  a.value_ = &value;
  return a;
}

Arg byValue(const std::string& text) {
  Arg a;
  a.form_ = Arg::Text;
  a.text_ = &text;
  return a;
}

Arg byRef(std::string& text) {
  Arg a;
  a.form_ = Arg::TextByRef;
  a.textRef_ = &text;
  return a;
}

Arg byRef(VARIANT& value) {
  Arg a;
  a.form_ = Arg::HostValueByRef;
  a.valueRef_ = &value;
  return a;
}

Arg byRef(LONG& integer) {
  Arg a;
  a.form_ = Arg::IntegerByRef;
  a.integerRef_ = &integer;
  return a;
}

Arg omitted() {
  Arg a;
  a.form_ = Arg::Omitted;
  return a;
}

void Automation::put(const char* member, const Arg& value) const {
  invoke(Form::Put, member, &value, 1);
}

Variant Automation::getWith(const char* member, const Arg& argument) const {
  return invoke(Form::GetWith, member, &argument, 1);
}

Variant Automation::get(const char* member) const { return invoke(Form::Get, member, nullptr, 0); }

Variant Automation::call(const char* member, std::initializer_list<Arg> arguments) const {
  return invoke(Form::Method, member, arguments.begin(), arguments.size());
}

namespace {
// A conversion that ran out of memory says so; any other failure is the
// value's.
[[noreturn]] void ConversionFailed(HRESULT hr) {
  if (hr == E_OUTOFMEMORY) throw std::bad_alloc();
  throw ComponentError(kInvalidConversion);
}

// A value that is no string, as a BSTR: VariantChangeTypeEx with the user's
// default locale.
Variant ConvertedToText(const VARIANT& value) {
  Variant text;
  HRESULT hr = VariantChangeTypeEx(text.ptr(), const_cast<VARIANT*>(&value), LOCALE_USER_DEFAULT, 0,
                                   VT_BSTR);
  if (FAILED(hr) || text.vt() != VT_BSTR) ConversionFailed(hr);
  return text;
}
}  // namespace

std::string ValueText(const VARIANT& value) {
  if (value.vt == VT_BSTR) return Utf8Of(value.bstrVal);
  return Utf8Of(ConvertedToText(value).get().bstrVal);
}

Variant AsText(Variant value) {
  if (value.vt() != VT_BSTR) value = ConvertedToText(value.get());
  return value;
}

namespace {
// Round half to even, as the automation conversions round; a value outside
// the 32-bit range (NaN and infinities included) cannot be converted.
LONG RoundedInteger(double d) {
  if (!(d > -2147483649.0 && d < 2147483648.0)) throw ComponentError(kInvalidConversion);
  double r = std::round(d);
  if (std::fabs(d - std::trunc(d)) == 0.5) r = 2.0 * std::round(d / 2.0);
  if (r < -2147483648.0 || r > 2147483647.0) throw ComponentError(kInvalidConversion);
  return static_cast<LONG>(r);
}

LONG CurrencyInteger(LONGLONG units) {
  LONGLONG whole = units / 10000;
  LONGLONG rest = units % 10000;  // same sign as units
  if (rest > 5000 || (rest == 5000 && (whole & 1))) ++whole;
  if (rest < -5000 || (rest == -5000 && (whole & 1))) --whole;
  if (whole < -2147483647LL - 1 || whole > 2147483647LL) throw ComponentError(kInvalidConversion);
  return static_cast<LONG>(whole);
}

LONG LowBits(ULONGLONG v) {
  ULONG low = static_cast<ULONG>(v & 0xFFFFFFFFu);
  return low > 0x7FFFFFFFu ? -static_cast<LONG>(~low) - 1 : static_cast<LONG>(low);
}
}  // namespace

LONG IntegerValue(const VARIANT& value) {
  LONGLONG wide;
  if (platform::IntegerOfVariant(value, wide)) return LowBits(static_cast<ULONGLONG>(wide));
  switch (value.vt) {
    case VT_R4:
      return RoundedInteger(value.fltVal);
    case VT_R8:
      return RoundedInteger(value.dblVal);
    case VT_CY:
      return CurrencyInteger(value.cyVal.int64);
    default:
      break;
  }
  Variant integer;
  HRESULT hr = VariantChangeTypeEx(integer.ptr(), const_cast<VARIANT*>(&value), LOCALE_USER_DEFAULT,
                                   0, VT_I4);
  if (FAILED(hr) || integer.vt() != VT_I4) ConversionFailed(hr);
  return integer.get().lVal;
}

bool BooleanValue(const VARIANT& value) {
  // EOF answers VT_BOOL at every row: no conversion to make.
  if (value.vt == VT_BOOL) return value.boolVal != VARIANT_FALSE;
  Variant flag;
  HRESULT hr = VariantChangeTypeEx(flag.ptr(), const_cast<VARIANT*>(&value), LOCALE_USER_DEFAULT, 0,
                                   VT_BOOL);
  if (FAILED(hr) || flag.vt() != VT_BOOL) ConversionFailed(hr);
  return flag.get().boolVal != VARIANT_FALSE;
}

std::string StatusMessage(HRESULT status) {
  OLECHAR buffer[1024] = {};
  DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                           static_cast<DWORD>(status), 0, buffer, sizeof buffer / sizeof buffer[0],
                           nullptr);
  std::string text = Utf8Of(buffer, n < sizeof buffer / sizeof buffer[0] ? n : 0);
  while (!text.empty() && (text.back() == '\r' || text.back() == '\n')) text.pop_back();
  if (!text.empty()) return text;
  char fallback[32];
  std::snprintf(fallback, sizeof fallback, "OLE error %.8x", static_cast<unsigned>(status));
  return fallback;
}

}  // namespace qorvid
