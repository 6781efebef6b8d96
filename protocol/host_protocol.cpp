#include "protocol/host_protocol.h"

namespace qorvid {

const CLSID CLSID_qorvid = {
    0x7C3E5A92, 0x1F4B, 0x4D86, {0xB2, 0xE9, 0x5A, 0x0C, 0x8D, 0x13, 0xF6, 0x47}};

namespace {
// The host protocol's own interfaces differ only in the first field.
constexpr IID HostProtocolIid(DWORD first) {
  return {first, 0xF13D, 0x11D0, {0xA4, 0x59, 0x00, 0x40, 0x95, 0xE1, 0xDA, 0xEA}};
}
}  // namespace

const IID IID_IHostInit = HostProtocolIid(0xAB634001);
const IID IID_IScriptExtension = HostProtocolIid(0xAB634003);
const IID IID_IAsyncEvent = HostProtocolIid(0xAB634004);
const IID IID_IStatusLine = HostProtocolIid(0xAB634005);
const IID IID_IExtWndsSupport = {
    0xEFE19EA0, 0x09E4, 0x11D2, {0xA6, 0x01, 0x00, 0x80, 0x48, 0xDA, 0x00, 0xDE}};

}  // namespace qorvid
