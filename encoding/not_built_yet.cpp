// Temporary stand-ins for encodings still being written; each is removed from
// here as its real implementation lands.
#include "component/component_error.h"
#include "encoding/sql_literal.h"
#include "encoding/value_text.h"

namespace {
[[noreturn]] void NotBuilt() { throw ComponentError("not implemented"); }
}  // namespace

std::string ValueToSqlLiteral(ComponentState&, const VARIANT&) { NotBuilt(); }
std::string TwoDigitText(LONG) { NotBuilt(); }
std::string DateTimeText(const std::string&, double) { NotBuilt(); }
std::string FloatText(double) { NotBuilt(); }
std::string EscapeSingleQuotes(const std::string&) { NotBuilt(); }
std::string EscapeDoubleQuotes(const std::string&) { NotBuilt(); }
char LoadTimeDecimalSeparator() { NotBuilt(); }
void SetLoadTimeDecimalSeparatorForTests(char) { NotBuilt(); }
std::string EncodeBase36(LONG) { NotBuilt(); }
LONG DecodeBase36(const std::string&) { NotBuilt(); }
std::string ObjectKeyFromInternal(const std::string&) { NotBuilt(); }
std::string InternalFromObjectKey(const std::string&) { NotBuilt(); }
