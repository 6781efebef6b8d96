// The kinds of value a result column holds, as the engines read them, and
// the one map from a kind to the VARIANT type its values take. Each engine
// maps its own column types to a kind (SQLite from the declared type, ODBC
// from the SQL type); the Field's Type follows from the VARIANT type.
#pragma once

#include <cstdint>

#include "platform/win32.h"

namespace qorvid::ado {

enum class ColumnKind : uint8_t {
  None,  // nothing declared: the stored values decide
  Int16,
  Int32,
  Int64,
  UInt64,  // values past the signed range come as decimals
  Single,
  Double,
  Decimal,
  Money,
  Boolean,
  Date,
  Time,
  Timestamp,
  Text,
  Binary,
};

inline VARTYPE VartypeOf(ColumnKind kind) {
  static const VARTYPE kTypes[] = {
      VT_EMPTY, VT_I2,   VT_I4,      VT_I8,   VT_DECIMAL,
      VT_R4,    VT_R8,   VT_DECIMAL, VT_CY,   VT_BOOL,
      VT_DATE,  VT_DATE, VT_DATE,    VT_BSTR, VT_ARRAY | VT_UI1,
  };
  static_assert(sizeof kTypes / sizeof kTypes[0] == static_cast<size_t>(ColumnKind::Binary) + 1,
                "one VARIANT type per column kind");
  return kTypes[static_cast<size_t>(kind)];
}

}  // namespace qorvid::ado
