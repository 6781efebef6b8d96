// Texts for reaching SQLite through its ODBC driver: the connection string
// that opens a Data Source with the CDate extension, and the driver's
// messages brought back to the engine's own words. Kept free of ODBC so the
// rules are tested on every build.
#pragma once

#include "platform/bstr.h"

namespace qorvid::ado {

// False when the Data Source or the extension path holds a character that
// would end the attribute (';', '{', '}'); the driver has no quoting.
bool SqliteOdbcConnectionString(const WideString& dataSource, const WideString& extension,
                                WideString* out);
// The path of `name` in the folder of the Windows path `modulePath`; a path
// on Wine's drive Z: (the root of the native file system) in native form.
WideString NativeSiblingPath(const WideString& modulePath, const WideString& name);
// The driver's message without its trailing " (code)".
WideString EngineMessage(const WideString& driverMessage);
// The same for a failed connect: the driver says only "connect failed"
// where SQLite's own open says "unable to open database file".
WideString ConnectMessage(const WideString& driverMessage);

}  // namespace qorvid::ado
