// The component's script vocabulary: 4 properties and 18 methods, each with
// an English and a Russian name (cp1251). The row numbers are the member
// numbers the host uses and the dispatcher switches on.
#pragma once

#include <string>

#include "platform/bstr.h"
#include "platform/win32.h"

namespace qorvid {

struct PropertyRow {
  const char* english;
  const char* russian;
};

struct MethodRow {
  const char* english;
  const char* russian;
  const char* paramCount;  // one decimal digit
};

const int kPropertyCount = 4;
const int kMethodCount = 18;
extern const PropertyRow kPropertyTable[kPropertyCount];
extern const MethodRow kMethodTable[kMethodCount];

// The row number whose English or Russian name equals name exactly (UTF-16
// code units, case and blanks significant), or -1.
long FindPropertyNumber(const OLECHAR* name, size_t length);
long FindMethodNumber(const OLECHAR* name, size_t length);

// A row's name for alias 0 (English) or 1 (Russian); null for any other
// alias or number.
const char* PropertyName(long number, long alias);
const char* MethodName(long number, long alias);

}  // namespace qorvid
