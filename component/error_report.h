// One entry in the host's error log: code 1006, scode 1, the component's
// source name and the text as description. A text of nothing but blanks and
// control characters writes nothing, and so does a missing log.
#pragma once

#include "platform/bstr.h"
#include "platform/win32.h"

namespace qorvid {

void WriteErrorLogEntry(IErrorLog* log, const WideString& text);

}  // namespace qorvid
