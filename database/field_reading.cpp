// Reading one field of the current row: as a host value (GetField), as
// date-time text (GetFieldAsDateTime) and as the host object its stored key
// names (GetFieldAsObject).
#include <utility>

#include "automation/automation.h"
#include "database/branches.h"
#include "database/normalized_value.h"
#include "encoding/value_text.h"
#include "errors/component_error.h"

namespace qorvid {

namespace {
const char kCrLf[] = "\r\n";

// How the messages name the field: the selector's text (a name or the digits
// of a position). Objects are not asked for a text, and a selector that has
// none names nothing.
std::string FieldIdentification(const Variant& selector) {
  VARTYPE type = selector.vt() & ~VT_BYREF;
  if (type == VT_DISPATCH || type == VT_UNKNOWN || (selector.vt() & VT_ARRAY)) return std::string();
  try {
    return ValueText(selector);
  } catch (const ComponentError&) {
    return std::string();
  }
}

// Fields(selector) of the current result set, then the field's value. ADO
// finds members regardless of case; GetField names its member "value".
Variant ReadFieldValue(ComponentState& state, Variant& selector, const char* valueMember) {
  Variant field = Automation(state.recordset).getWith("Fields", byRef(selector.get()));
  return Automation(field).get(valueMember);
}

Variant EmptyText() { return Variant::fromUtf8(std::string()); }

// The value of GetField as the script receives it, chosen on the whole type
// code: numbers a script cannot hold become text, booleans 1 or 0. The
// selector names the field only in a failure, so its text is made only then.
Variant ScriptValue(Variant value, const Variant& selector) {
  switch (value.vt()) {
    case VT_EMPTY:
    case VT_NULL:
    case VT_DISPATCH:
    case VT_UNKNOWN:
      return EmptyText();
    case VT_I2:
      return Variant::fromInt(value.get().iVal);
    case VT_I4:
    case VT_DATE:
      return value;
    case VT_R4:
    case VT_R8:
    case VT_CY:
    case VT_BSTR:
    case VT_ERROR:
    case VT_DECIMAL:
      return AsText(std::move(value));
    case VT_BOOL:
      return Variant::fromInt(value.get().boolVal == VARIANT_TRUE ? 1 : 0);
    case VT_VARIANT:
      throw ComponentError("Тип Variant не поддерживается");
    default:
      throw ComponentError(std::string("Тип не поддерживается: ") + FieldIdentification(selector));
  }
}

std::string NoApplicationMessage() {
  return "Хост-приложение не предоставило объект приложения (AppDispatch)";
}

// The host application object, checked: a missing one is named as such.
ComPtr<IDispatch> HostApplication(const ComponentState& state) {
  if (!state.hostConnection) throw ComponentError(NoApplicationMessage());
  Variant answer = FetchApplication(state);
  const VARIANT& v = answer.get();
  IDispatch* application = nullptr;
  if (v.vt == VT_DISPATCH) {
    application = v.pdispVal;
  } else if (v.vt == (VT_DISPATCH | VT_BYREF) && v.ppdispVal) {
    application = *v.ppdispVal;
  } else if (v.vt != VT_EMPTY && v.vt != VT_NULL) {
    throw ComponentError("Invalid variant type conversion");
  }
  if (!application) throw ComponentError(NoApplicationMessage());
  return ComPtr<IDispatch>(application);
}

// EvalExpr's answer as an object: an object stays that object, an empty
// value is no object, anything else is refused.
ComPtr<IDispatch> ObjectOf(Variant answer) {
  Variant value = NormalizedValue(std::move(answer));
  const VARIANT& v = value.get();
  switch (v.vt) {
    case VT_EMPTY:
      return ComPtr<IDispatch>();
    case VT_DISPATCH:
      return ComPtr<IDispatch>(v.pdispVal);
    case VT_DISPATCH | VT_BYREF:
      return ComPtr<IDispatch>(v.ppdispVal ? *v.ppdispVal : nullptr);
    case VT_UNKNOWN:
    case VT_UNKNOWN | VT_BYREF: {
      IUnknown* unknown = v.vt == VT_UNKNOWN ? v.punkVal : (v.ppunkVal ? *v.ppunkVal : nullptr);
      if (!unknown) return ComPtr<IDispatch>();
      ComPtr<IDispatch> object = ComPtr<IUnknown>(unknown).query<IDispatch>(IID_IDispatch);
      if (object) return object;
      break;
    }
    default:
      break;
  }
  throw ComponentError("Invalid variant type conversion");
}
}  // namespace

void GetFieldBranch(ComponentState& state, MethodCall& call) {
  Variant selector = call.param(0);
  Variant value;
  try {
    value = NormalizedValue(ReadFieldValue(state, selector, "value"));
  } catch (const ComponentError& failure) {
    throw ComponentError(std::string("Ошибка получения поля ") + FieldIdentification(selector) +
                         kCrLf + failure.message());
  }
  try {
    call.setResult(ScriptValue(std::move(value), selector));
  } catch (const ComponentError& failure) {
    throw ComponentError(std::string("Ошибка преобразования значения поля ") +
                         FieldIdentification(selector) + kCrLf + failure.message());
  }
}

void GetFieldAsDateTimeBranch(ComponentState& state, MethodCall& call) {
  Variant selector = call.param(0);
  try {
    Variant value = NormalizedValue(ReadFieldValue(state, selector, "Value"));
    // Only a real date gives text; a text that merely looks like one does not.
    if (value.vt() == VT_DATE)
      call.setResult(Variant::fromUtf8(DateTimeText(std::string(), value.get().date)));
    else
      call.setResult(EmptyText());
  } catch (const ComponentError& failure) {
    throw ComponentError(std::string("Ошибка получения поля ") + FieldIdentification(selector) +
                         kCrLf + failure.message());
  }
}

void GetFieldAsObjectBranch(ComponentState& state, MethodCall& call) {
  Variant selector = call.param(0);
  // A failure names the text it was working on: the stored key, then the
  // host's internal form made from it, then that form as quoted for EvalExpr.
  const std::string key = ValueText(ReadFieldValue(state, selector, "Value"));
  call.failureContext = key;
  const std::string internal = InternalFromObjectKey(key);
  call.failureContext = internal;
  ComPtr<IDispatch> application = HostApplication(state);
  const std::string quoted = EscapeDoubleQuotes(internal);
  call.failureContext = quoted;

  const std::string expression = "ЗначениеИзСтрокиВнутр(\"" + quoted + "\")";
  Variant applicationValue = Variant::fromDispatch(application.get());
  Variant answer = Automation(applicationValue).call("EvalExpr", {byValue(expression)});
  call.setResult(Variant::fromDispatch(ObjectOf(std::move(answer)).get()));
}

}  // namespace qorvid
