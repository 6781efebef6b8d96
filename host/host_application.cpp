#include "host/host_application.h"

#include "host/host_object.h"
#include "platform/variant.h"

namespace qorvid::host {

namespace {
enum { kEvalExpr = 1, kValueToStringInternal };

// The text a VT_BSTR (or reference to one) holds.
bool TextOf(const VARIANT* v, WideString& out) {
  if (!v) return false;
  if (v->vt == VT_BSTR) {
    out = v->bstrVal ? WideString(v->bstrVal, SysStringLen(v->bstrVal)) : WideString();
    return true;
  }
  if (v->vt == (VT_BSTR | VT_BYREF) && v->pbstrVal) {
    BSTR b = *v->pbstrVal;
    out = b ? WideString(b, SysStringLen(b)) : WideString();
    return true;
  }
  return false;
}

IDispatch* DispatchOf(const VARIANT* v) {
  if (!v) return nullptr;
  if (v->vt == VT_DISPATCH) return v->pdispVal;
  if (v->vt == (VT_DISPATCH | VT_BYREF) && v->ppdispVal) return *v->ppdispVal;
  return nullptr;
}
}  // namespace

bool ParseFromInternalStringCall(const WideString& expression, WideString& argument) {
  // The host's own function, by its Unicode name.
  WideString head = OLESTR("ЗначениеИзСтрокиВнутр");
  head += OLESTR("(\"");
  const WideString tail = OLESTR("\")");
  if (expression.size() < head.size() + tail.size() ||
      expression.compare(0, head.size(), head) != 0 ||
      expression.compare(expression.size() - tail.size(), tail.size(), tail) != 0)
    return false;
  WideString body = expression.substr(head.size(), expression.size() - head.size() - tail.size());
  argument.clear();
  for (size_t i = 0; i < body.size(); ++i) {
    if (body[i] == '"') {
      // Inside the constant a quote stands only doubled.
      if (i + 1 >= body.size() || body[i + 1] != '"') return false;
      ++i;
    }
    argument += body[i];
  }
  return true;
}

HostApplication::HostApplication() : HostDispatch({"EvalExpr", "ValueToStringInternal"}) {}

ComPtr<HostApplication> HostApplication::create() {
  return ComPtr<HostApplication>::attach(new HostApplication());
}

HRESULT HostApplication::invokeMember(DISPID id, WORD flags, DISPPARAMS& params, VARIANT* result,
                                      EXCEPINFO* exception) {
  if (!(flags & DISPATCH_METHOD)) return DISP_E_MEMBERNOTFOUND;
  if (params.cArgs != 1) return DISP_E_BADPARAMCOUNT;
  if (id == kEvalExpr) return evalExpr(params, result, exception);
  if (id == kValueToStringInternal) return valueToStringInternal(params, result, exception);
  return DISP_E_MEMBERNOTFOUND;
}

HRESULT HostApplication::evalExpr(DISPPARAMS& params, VARIANT* result, EXCEPINFO* exception) {
  ++evalExprCalls_;
  WideString expression;
  if (!TextOf(Argument(params, 0), expression))
    return Raise(exception, "EvalExpr: the expression must be a string");
  lastExpression_ = expression;
  WideString constant;
  if (!ParseFromInternalStringCall(expression, constant))
    return Raise(exception, "EvalExpr: cannot evaluate the expression " +
                                qorvid::platform::Utf8FromWide(expression));
  ComPtr<HostObject> object = ParseInternalForm(qorvid::platform::Utf8FromWide(constant));
  if (!object)
    return Raise(exception, "EvalExpr: not an internal string form of an object: " +
                                qorvid::platform::Utf8FromWide(constant));
  StoreDispatch(result, object.get());
  return S_OK;
}

HRESULT HostApplication::valueToStringInternal(DISPPARAMS& params, VARIANT* result,
                                               EXCEPINFO* exception) {
  ++valueToStringCalls_;
  HostObject* object = HostObject::from(DispatchOf(Argument(params, 0)));
  if (!object) return Raise(exception, "ValueToStringInternal: the value is not a host object");
  if (result) Variant::fromUtf8(object->internalForm()).detachTo(result);
  return S_OK;
}

}  // namespace qorvid::host
