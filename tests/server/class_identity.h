// The identity the registry and the runtime know the class by, and the
// component's host-protocol interfaces: written out here, once for all the
// server tests, rather than taken from the server's sources.
#pragma once

#include "platform/win32.h"

namespace qorvid {

inline const CLSID kQorvidClsid = {
    0x7C3E5A92, 0x1F4B, 0x4D86, {0xB2, 0xE9, 0x5A, 0x0C, 0x8D, 0x13, 0xF6, 0x47}};
inline const char kClsidText[] = "{7C3E5A92-1F4B-4D86-B2E9-5A0C8D13F647}";
inline const char kProgId[] = "AddIn.qorvid";
inline const char kDescription[] = "V7 AddIn 2.0";
inline const IID kIidHostInit = {
    0xAB634001, 0xF13D, 0x11D0, {0xA4, 0x59, 0x00, 0x40, 0x95, 0xE1, 0xDA, 0xEA}};
inline const IID kIidScriptExtension = {
    0xAB634003, 0xF13D, 0x11D0, {0xA4, 0x59, 0x00, 0x40, 0x95, 0xE1, 0xDA, 0xEA}};

}  // namespace qorvid
