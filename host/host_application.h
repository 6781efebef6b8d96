// The host application object, the answer of the connection's
// "AppDispatch". It evaluates the one expression form the component sends
// ("EvalExpr") and gives host objects' internal string forms
// ("ValueToStringInternal").
#pragma once

#include <string>

#include "host/host_dispatch.h"
#include "platform/com_ptr.h"

namespace qorvid::host {

class HostApplication : public HostDispatch {
 public:
  static ComPtr<HostApplication> create();

  // What the component asked, for tests and the console.
  int evalExprCalls() const { return evalExprCalls_; }
  int valueToStringCalls() const { return valueToStringCalls_; }
  const WideString& lastExpression() const { return lastExpression_; }

 protected:
  HRESULT invokeMember(DISPID id, WORD flags, DISPPARAMS& params, VARIANT* result,
                       EXCEPINFO* exception) override;

 private:
  HostApplication();
  HRESULT evalExpr(DISPPARAMS& params, VARIANT* result, EXCEPINFO* exception);
  HRESULT valueToStringInternal(DISPPARAMS& params, VARIANT* result, EXCEPINFO* exception);

  int evalExprCalls_ = 0;
  int valueToStringCalls_ = 0;
  WideString lastExpression_;
};

// The string constant of `ЗначениеИзСтрокиВнутр("...")` with its "" escapes
// undone; false when expression is not exactly that form.
bool ParseFromInternalStringCall(const WideString& expression, WideString& argument);

}  // namespace qorvid::host
