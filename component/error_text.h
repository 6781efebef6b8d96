// errorText: the one text behind the ErrorMsg property, shared by every
// component object of the process. Only the dispatcher writes it; it is
// emptied by each dispatched call and when the server is unloaded.
#pragma once

#include <string>

namespace qorvid {

std::string& ErrorText();

}  // namespace qorvid
