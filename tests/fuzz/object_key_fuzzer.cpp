// The object key codec both ways. Any text either converts or fails with a
// ComponentError; a key written from an internal form reads back to an
// internal form that writes the same key again, and an internal form read
// from a key writes a key that reads back to it.
#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>

#include "encoding/object_key.h"
#include "errors/component_error.h"
#include "platform/utf8_text.h"
#include "tests/fuzz/finding.h"

using namespace qorvid;

namespace {

// Keys carrying these cannot come from the encoder: the internal form's
// braces, quotes and commas are syntax, never part of an item.
bool HasInternalFormSyntax(const std::string& key) {
  return key.find_first_of("{}\",") != std::string::npos;
}

// The encoder refuses 2147483647, which six base-36 digits can still hold.
bool HoldsUnwritableNumber(const std::string& key) {
  // Positions count UTF-16 units, as the key's reader counts them.
  const std::basic_string<OLECHAR> units = qorvid::platform::WideFromUtf8(key);
  for (size_t at : {size_t(1), size_t(7)}) {
    if (at >= units.size()) return false;
    std::string field =
        qorvid::platform::Utf8FromWide(units.data() + at, std::min<size_t>(6, units.size() - at));
    for (char& c : field)
      if (c == '_') c = ' ';
    if (DecodeBase36(field) == 2147483647) return true;
  }
  return false;
}

void KeyFromInternalRoundTrip(const std::string& text) {
  std::string key;
  try {
    key = ObjectKeyFromInternal(text);
  } catch (const ComponentError&) {
    return;
  }
  const size_t length = qorvid::platform::WideLength(key);
  if (length != 16) Finding("key of " + std::to_string(length) + " characters", key);
  if (key.find(' ') != std::string::npos) Finding("blank left in a key", Printable(key));
  std::string internal, again;
  try {
    internal = InternalFromObjectKey(key);
    again = ObjectKeyFromInternal(internal);
  } catch (const ComponentError& e) {
    Finding("a written key does not read back", Printable(key) + ": " + e.message());
  }
  if (again != key)
    Finding("key changes on a round trip", Printable(key) + " -> " + Printable(again));
}

void InternalFromKeyRoundTrip(const std::string& text) {
  std::string internal;
  try {
    internal = InternalFromObjectKey(text);
  } catch (const ComponentError&) {
    return;
  }
  if (qorvid::platform::WideLength(text) != 16)
    Finding("a key of other than 16 characters was read", Printable(text));
  std::string key, again;
  try {
    key = ObjectKeyFromInternal(internal);
    again = InternalFromObjectKey(key);
  } catch (const ComponentError& e) {
    if (HasInternalFormSyntax(text) || HoldsUnwritableNumber(text)) return;
    Finding("the internal form of a key does not write back",
            Printable(text) + " -> " + Printable(internal) + ": " + e.message());
  }
  if (again != internal)
    Finding("internal form changes on a round trip",
            Printable(internal) + " -> " + Printable(again));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The component's texts come from UTF-16, so they are always well formed:
  // the bytes are read as the text a host could have given.
  const std::string text = qorvid::platform::Utf8FromWide(
      qorvid::platform::WideFromUtf8(std::string_view(reinterpret_cast<const char*>(data), size)));
  KeyFromInternalRoundTrip(text);
  InternalFromKeyRoundTrip(text);
  return 0;
}
