// Pure text encodings of subsystem 3: date-time and number texts, the quote
// doubling helpers, and the object key codec. No state, no C library locale.
#pragma once

#include "encoding/date_time_text.h"
#include "encoding/float_text.h"
#include "encoding/object_key.h"
#include "encoding/quotes.h"

namespace qorvid {}  // namespace qorvid
