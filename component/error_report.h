// One entry in the host's error log: code 1006, scode 1, the component's
// source name and the text as description. A text of nothing but blanks and
// control characters writes nothing, and so does a missing log.
#pragma once

#include <string>

#include "platform/bstr.h"
#include "platform/win32.h"

namespace qorvid {

void WriteErrorLogEntry(IErrorLog* log, const WideString& text);

// The message of the failure being handled (call it inside a catch): a
// component error's own, the system's text for E_OUTOFMEMORY when memory ran
// out. May itself throw std::bad_alloc.
std::string FailureMessage();

}  // namespace qorvid
