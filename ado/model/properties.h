// Connection.Properties: the dynamic properties of an open connection. Only
// "DBMS Name" is kept, the name the engine gives for itself (ADO's ODBC
// provider answers the driver's SQL_DBMS_NAME there).
#pragma once

#include "platform/bstr.h"
#include "platform/variant.h"

namespace qorvid::ado {

// The collection, holding "DBMS Name" = dbmsName, or nothing when the name
// is empty (a closed connection has no dynamic properties).
Variant PropertiesCollection(const WideString& dbmsName);

}  // namespace qorvid::ado
