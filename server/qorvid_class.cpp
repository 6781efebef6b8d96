#include "server/qorvid_class.h"

namespace qorvid {

const CLSID CLSID_qorvid = {
    0x7C3E5A92, 0x1F4B, 0x4D86, {0xB2, 0xE9, 0x5A, 0x0C, 0x8D, 0x13, 0xF6, 0x47}};

const char kServerName[] = "AddIn";
const char kClassName[] = "qorvid";
const char kClassDescription[] = "V7 AddIn 2.0";

}  // namespace qorvid
