// For tests only: replaces the decimal separator fixed at load, so a test can
// show that FloatText writes "." whatever the regional settings say.
#pragma once

namespace qorvid {

void SetLoadTimeDecimalSeparatorForTests(char separator);

}  // namespace qorvid
