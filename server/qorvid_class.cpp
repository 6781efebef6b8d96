#include "server/qorvid_class.h"

namespace qorvid {

const char kServerName[] = "AddIn";
const char kClassName[] = "qorvid";
const char kClassDescription[] = "V7 AddIn 2.0";

}  // namespace qorvid
