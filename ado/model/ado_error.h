// Failures of the ADO-compatible layer. An AdoError is what a script sees as
// the automation exception (DISP_E_EXCEPTION with its description); a
// DispatchFailure is a plain failing status of the IDispatch call itself
// (unknown member, wrong call form, missing argument).
#pragma once

#include <exception>

#include "platform/bstr.h"
#include "platform/win32.h"

namespace qorvid::ado {

class AdoError : public std::exception {
 public:
  explicit AdoError(WideString description, HRESULT scode = E_FAIL)
      : description_(std::move(description)), scode_(scode) {}
  const WideString& description() const { return description_; }
  HRESULT scode() const { return scode_; }
  const char* what() const noexcept override { return "ADO error"; }

 private:
  WideString description_;
  HRESULT scode_;
};

class DispatchFailure : public std::exception {
 public:
  explicit DispatchFailure(HRESULT hr) : hr_(hr) {}
  HRESULT status() const { return hr_; }
  const char* what() const noexcept override { return "dispatch failure"; }

 private:
  HRESULT hr_;
};

// The texts ADO gives for the situations this layer shares with it.
namespace ado_text {
inline const OLECHAR kObjectClosed[] =
    OLESTR("Operation is not allowed when the object is closed.");
inline const OLECHAR kObjectOpen[] = OLESTR("Operation is not allowed when the object is open.");
inline const OLECHAR kNoCurrentRecord[] = OLESTR(
    "Either BOF or EOF is True, or the current record has been deleted. Requested operation "
    "requires a current record.");
inline const OLECHAR kItemNotFound[] = OLESTR(
    "Item cannot be found in the collection corresponding to the requested name or ordinal.");
inline const OLECHAR kCloseInTransaction[] =
    OLESTR("Connection object cannot be explicitly closed while in a transaction.");
inline const OLECHAR kWrongArguments[] = OLESTR(
    "Arguments are of the wrong type, are out of acceptable range, or are in conflict with one "
    "another.");
inline const OLECHAR kNoTransaction[] = OLESTR("No transaction is active.");
inline const OLECHAR kNulInCommandText[] =
    OLESTR("The command text contains a NUL character (U+0000); nothing was run.");
inline const OLECHAR kNestedTransaction[] = OLESTR("Nested transactions are not supported.");
}  // namespace ado_text

}  // namespace qorvid::ado
