// The Windows DLL's four exports.
#include "ado/class_factory.h"
#include "platform/com_object.h"

QORVID_COM_MODULE_EXPORTS(qorvid::ado::AdoModule())
