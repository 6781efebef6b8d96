#include "encoding/object_key.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "encoding/integer_text.h"
#include "encoding/text_trim.h"
#include "errors/component_error.h"
#include "platform/utf8_text.h"

namespace qorvid {

namespace {

const char kAlphabet[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
const std::string::size_type kFieldWidth = 6;
const std::string::size_type kKeyLength = 16;
const std::string::size_type kObjectIdLength = 13;
const std::string::size_type kLongIdLength = 23;
const std::string::size_type kNumberWidth = 10;
const std::string::size_type kItemCount = 7;

// Lengths and positions count characters as the host does (UTF-16 units),
// not the bytes of their UTF-8 form.
std::string::size_type Length(const std::string& text) { return platform::WideLength(text); }

std::string Slice(const std::string& text, std::string::size_type first,
                  std::string::size_type count = std::string::npos) {
  const std::basic_string<OLECHAR> units = platform::WideFromUtf8(text);
  if (first >= units.size()) return std::string();
  return platform::Utf8FromWide(units.data() + first, std::min(count, units.size() - first));
}

int DigitOf(char c) {
  for (int i = 0; i < 36; ++i)
    if (kAlphabet[i] == c) return i;
  return -1;
}

// Braces and double quotes go wherever they stand, then every comma splits;
// quotes protect nothing.
std::vector<std::string> SplitItems(const std::string& internal) {
  std::vector<std::string> items(1);
  for (char c : internal) {
    if (c == '{' || c == '}' || c == '"') continue;
    if (c == ',')
      items.emplace_back();
    else
      items.back() += c;
  }
  return items;
}

std::string RightAligned(LONG n, std::string::size_type width) {
  std::string digits = std::to_string(n);
  if (digits.size() < width) digits.insert(0, width - digits.size(), ' ');
  return digits;
}

void Replace(std::string& text, char from, char to) {
  for (char& c : text)
    if (c == from) c = to;
}

}  // namespace

std::string EncodeBase36(LONG n) {
  if (n >= 2147483647) throw ComponentError("Ожидается число < 2147483647");
  if (n < 0) throw ComponentError("Ожидается значение >=0");
  std::string text;
  do {
    text.insert(text.begin(), kAlphabet[n % 36]);
    n /= 36;
  } while (n != 0);
  if (text.size() < kFieldWidth) text.insert(0, kFieldWidth - text.size(), ' ');
  return text;
}

LONG DecodeBase36(const std::string& text) {
  const std::string trimmed = TrimControlAndBlanks(text);
  if (Length(trimmed) > kFieldWidth)
    throw ComponentError(std::string("Ожидается строка не длиннее 6 символов: ") + trimmed);
  uint32_t value = 0;
  for (char c : trimmed) {
    int digit = DigitOf(c);
    if (digit < 0) throw ComponentError("Ожидается символ 0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ");
    value = value * 36u + static_cast<uint32_t>(digit);
  }
  if (value >= 2147483648u)
    throw ComponentError(std::string("На входе слишком большое значение: ") + trimmed);
  return static_cast<LONG>(value);
}

std::string ObjectKeyFromInternal(const std::string& internal) {
  const std::vector<std::string> items = SplitItems(internal);
  if (items.size() != kItemCount) throw ComponentError("Неправильный размер списка, ожидается 7");
  const std::string& type = items[0];
  std::string firstText = items[3];
  std::string identifier = items[6];
  if (Length(type) != 1)
    throw ComponentError("Неправильный размер идентификатора типа, ожидается 1");
  if (firstText == "0") {
    if (Length(identifier) != kLongIdLength)
      throw ComponentError("Неправильный размер идентификатора, ожидается 23");
    firstText = Slice(identifier, 0, kNumberWidth);
    identifier = Slice(identifier, kNumberWidth);
  }
  if (Length(identifier) != kObjectIdLength)
    throw ComponentError("Неправильный размер идентификатора объекта, ожидается 13");
  const std::string suffix = Slice(identifier, kNumberWidth);
  const std::string objectText = Slice(identifier, 0, kNumberWidth);

  const std::string firstField = EncodeBase36(IntegerFromText(firstText));
  const std::string objectField = EncodeBase36(IntegerFromText(objectText));

  std::string key = type + firstField + objectField + suffix;
  Replace(key, ' ', '_');
  return key;
}

std::string InternalFromObjectKey(const std::string& key) {
  if (Length(key) != kKeyLength) throw ComponentError("Ожидается строка длиной 16");
  std::string text = key;
  Replace(text, '_', ' ');
  const std::string type = Slice(text, 0, 1);
  const LONG first = DecodeBase36(Slice(text, 1, kFieldWidth));
  const LONG object = DecodeBase36(Slice(text, 1 + kFieldWidth, kFieldWidth));
  const std::string suffix = Slice(text, 1 + 2 * kFieldWidth);
  return "{\"" + type + "\",\"0\",\"0\",\"" + RightAligned(first, kNumberWidth) +
         "\",\"0\",\"0\",\"" + RightAligned(object, kNumberWidth) + suffix + "\"}";
}

}  // namespace qorvid
