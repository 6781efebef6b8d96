#include "ado/results/result_set.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "ado/model/ado_error.h"

namespace qorvid::ado {

namespace {

const size_t kCellsPerChunk = 64 * 1024;
// The first chunk of cells and the first shared text chunk start this small
// and double up to full size: most results are a row or a few, and a full
// chunk for each (half a megabyte of cells, a megabyte of text) would be
// mapped, touched and given back at every statement.
const size_t kFirstCells = 64;
const size_t kFirstText = 4 * 1024;
// Text slots: chunk number, offset in it and length in bytes, in 24, 20 and
// 20 bits. Texts up to kSharedText share chunks of kTextChunk bytes; longer
// ones get a chunk of their own; from kTextChunk on they are kept as
// VARIANTs, as are all once the chunk numbers run out.
const size_t kTextChunk = size_t(1) << 20;
const size_t kSharedText = 64 * 1024;
const size_t kMaxTextChunks = size_t(1) << 24;
// A batch read from a source: rows, and text bytes it stops at.
const size_t kBatchRows = 64;
const size_t kBatchText = 64 * 1024;

bool IsAscii(const unsigned char* p, size_t n) {
  unsigned char any = 0;
  for (size_t i = 0; i < n; ++i) any |= p[i];
  return any < 0x80;
}

BSTR NewBstr(size_t units) {
  BSTR b = SysAllocStringLen(nullptr, static_cast<UINT>(units));
  if (!b) throw std::bad_alloc();
  return b;
}

Variant TextVariant(BSTR b) {
  Variant v;
  v.get().vt = VT_BSTR;
  v.get().bstrVal = b;
  return v;
}

}  // namespace

// The kinds up to kCurrency hold in their slot the bytes of the VARIANT's
// value (little-endian, as every target is), which a read copies whole.
enum ResultSet::Kind : uint8_t {
  kNull,
  kI2,
  kI4,
  kI8,
  kR4,
  kR8,
  kBool,
  kDate,
  kCurrency,
  kAscii,  // text of bytes < 0x80, one per unit
  kUtf8,   // well-formed UTF-8
  kWide,   // UTF-16 units
  kOther,  // a VARIANT in others_
};

namespace {

// The VARIANT type of each kind of cell.
const VARTYPE kKindTypes[] = {VT_NULL, VT_I2,   VT_I4, VT_I8,   VT_R4,   VT_R8,
                              VT_BOOL, VT_DATE, VT_CY, VT_BSTR, VT_BSTR, VT_BSTR};

}  // namespace

struct ResultSet::CellChunk {
  explicit CellChunk(size_t cells)
      : capacity(cells), slot(new uint64_t[cells]), kind(new uint8_t[cells]) {}
  size_t capacity;
  // Left uninitialised: pages not yet reached cost no memory.
  std::unique_ptr<uint64_t[]> slot;
  std::unique_ptr<uint8_t[]> kind;
};

ResultSet::ResultSet() = default;
ResultSet::~ResultSet() = default;

void ResultSet::push(Kind kind, uint64_t slot) {
  const size_t index = count_ / kCellsPerChunk;
  const size_t at = count_ % kCellsPerChunk;
  // Chunks are kept when the rows held are let go, and when a row is taken back.
  if (index == cells_.size())
    cells_.push_back(std::make_unique<CellChunk>(cells_.empty() ? kFirstCells : kCellsPerChunk));
  if (at == cells_[index]->capacity) {
    // Only the first chunk is ever short of room; it doubles.
    const CellChunk& full = *cells_[index];
    std::unique_ptr<CellChunk> bigger(new CellChunk(std::min(2 * full.capacity, kCellsPerChunk)));
    std::memcpy(bigger->slot.get(), full.slot.get(), at * sizeof(uint64_t));
    std::memcpy(bigger->kind.get(), full.kind.get(), at);
    cells_[index] = std::move(bigger);
  }
  CellChunk& chunk = *cells_[index];
  chunk.slot[at] = slot;
  chunk.kind[at] = kind;
  ++count_;
}

uint64_t ResultSet::storeText(const void* data, size_t bytes) {
  size_t chunk, offset;
  if (bytes > kSharedText) {
    text_.push_back(std::unique_ptr<char[]>(new char[bytes]));
    chunk = text_.size() - 1;
    offset = 0;
  } else {
    // A chunk of one long text takes no others; nor does a full chunk, whose
    // end is beyond the offsets a slot holds.
    if (!shared_ || used_ + bytes >= kTextChunk) {
      capacity_ = shared_ ? kTextChunk : kFirstText;
      text_.push_back(std::unique_ptr<char[]>(new char[capacity_]));
      current_ = text_.size() - 1;
      used_ = 0;
      shared_ = true;
    }
    if (used_ + bytes > capacity_) {
      // Only the first shared chunk is ever short of room; it doubles.
      size_t size = capacity_;
      while (size < used_ + bytes) size *= 2;
      size = std::min(size, kTextChunk);
      std::unique_ptr<char[]> bigger(new char[size]);
      std::memcpy(bigger.get(), text_[current_].get(), used_);
      text_[current_] = std::move(bigger);
      capacity_ = size;
    }
    chunk = current_;
    offset = used_;
    used_ += bytes;
  }
  if (bytes) std::memcpy(text_[chunk].get() + offset, data, bytes);
  textBytes_ += bytes;
  return (uint64_t(chunk) << 40) | (uint64_t(offset) << 20) | uint64_t(bytes);
}

const char* ResultSet::textAt(uint64_t slot, size_t* bytes) const {
  *bytes = static_cast<size_t>(slot & 0xFFFFF);
  return text_[static_cast<size_t>(slot >> 40)].get() + ((slot >> 20) & 0xFFFFF);
}

void ResultSet::appendNull() { push(kNull, 0); }

bool ResultSet::appendUtf8(const char* text, size_t bytes) {
  if (bytes >= kTextChunk || text_.size() + 1 >= kMaxTextChunks) return false;
  Kind kind = kAscii;
  if (!IsAscii(reinterpret_cast<const unsigned char*>(text), bytes)) {
    if (MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text, static_cast<int>(bytes), nullptr,
                            0) <= 0)
      return false;
    kind = kUtf8;
  }
  push(kind, storeText(text, bytes));
  return true;
}

void ResultSet::appendWide(const OLECHAR* text, size_t units) {
  const size_t bytes = units * sizeof(OLECHAR);
  if (bytes >= kTextChunk || text_.size() + 1 >= kMaxTextChunks) {
    others_.push_back(Variant::fromBstr(Bstr(text, static_cast<UINT>(units))));
    push(kOther, others_.size() - 1);
    return;
  }
  bool ascii = true;
  for (size_t i = 0; i < units && ascii; ++i) ascii = text[i] < 0x80;
  if (!ascii) {
    push(kWide, storeText(text, bytes));
    return;
  }
  // Narrowed in place at the arena's end: the slot is taken first.
  const uint64_t slot = storeText(text, units);
  size_t length;
  char* narrow = const_cast<char*>(textAt(slot, &length));
  for (size_t i = 0; i < units; ++i) narrow[i] = static_cast<char>(text[i]);
  push(kAscii, slot);
}

void ResultSet::append(const Variant& value) {
  const VARIANT& v = value.get();
  uint64_t slot = 0;
  switch (v.vt) {
    case VT_NULL:
      return appendNull();
    case VT_I2:
      return push(kI2, uint64_t(int64_t(v.iVal)));
    case VT_I4:
      return push(kI4, uint64_t(int64_t(v.lVal)));
    case VT_I8:
      return push(kI8, uint64_t(v.llVal));
    case VT_R4:
      std::memcpy(&slot, &v.fltVal, sizeof v.fltVal);
      return push(kR4, slot);
    case VT_R8:
      std::memcpy(&slot, &v.dblVal, sizeof v.dblVal);
      return push(kR8, slot);
    case VT_DATE:
      std::memcpy(&slot, &v.date, sizeof v.date);
      return push(kDate, slot);
    case VT_BOOL:
      return push(kBool, v.boolVal ? uint16_t(VARIANT_TRUE) : 0);
    case VT_CY:
      return push(kCurrency, uint64_t(v.cyVal.int64));
    case VT_BSTR:
      if (v.bstrVal) return appendWide(v.bstrVal, SysStringLen(v.bstrVal));
      break;
    default:
      break;
  }
  others_.push_back(value);
  push(kOther, others_.size() - 1);
}

VARTYPE ResultSet::typeAt(size_t index) const {
  const CellChunk& chunk = *cells_[index / kCellsPerChunk];
  const size_t at = index % kCellsPerChunk;
  const Kind kind = static_cast<Kind>(chunk.kind[at]);
  if (kind == kOther) return others_[static_cast<size_t>(chunk.slot[at])].vt();
  return kKindTypes[kind];
}

Variant ResultSet::valueAt(size_t index) const {
  const CellChunk& chunk = *cells_[index / kCellsPerChunk];
  const size_t at = index % kCellsPerChunk;
  const uint64_t slot = chunk.slot[at];
  Variant out;
  VARIANT& v = out.get();
  const Kind kind = static_cast<Kind>(chunk.kind[at]);
  if (kind <= kCurrency) {
    v.vt = kKindTypes[kind];
    std::memcpy(&v.llVal, &slot, sizeof slot);
    return out;
  }
  switch (kind) {
    case kAscii: {
      size_t bytes;
      const unsigned char* p = reinterpret_cast<const unsigned char*>(textAt(slot, &bytes));
      BSTR b = NewBstr(bytes);
      for (size_t i = 0; i < bytes; ++i) b[i] = p[i];
      return TextVariant(b);
    }
    case kUtf8: {
      size_t bytes;
      const char* p = textAt(slot, &bytes);
      const int length = static_cast<int>(bytes);
      // A text gives at most as many units as it has bytes: a short one is
      // decoded once, into the stack, and copied.
      OLECHAR buffer[512];
      if (bytes <= 512) {
        const int units = MultiByteToWideChar(CP_UTF8, 0, p, length, buffer, 512);
        BSTR b = NewBstr(static_cast<size_t>(units > 0 ? units : 0));
        std::memcpy(b, buffer, static_cast<size_t>(units > 0 ? units : 0) * sizeof(OLECHAR));
        return TextVariant(b);
      }
      const int units = MultiByteToWideChar(CP_UTF8, 0, p, length, nullptr, 0);
      BSTR b = NewBstr(static_cast<size_t>(units > 0 ? units : 0));
      if (units > 0) MultiByteToWideChar(CP_UTF8, 0, p, length, b, units);
      return TextVariant(b);
    }
    case kWide: {
      size_t bytes;
      const char* p = textAt(slot, &bytes);
      BSTR b = NewBstr(bytes / sizeof(OLECHAR));
      std::memcpy(b, p, bytes);
      return TextVariant(b);
    }
    case kOther:
      return others_[static_cast<size_t>(slot)];
    default:
      break;
  }
  return out;
}

void ResultSet::readFrom(std::unique_ptr<RowSource> source) { source_ = std::move(source); }

bool ResultSet::readTo(size_t row) {
  // Rows come from the source a batch at a time: the engine's work in one
  // stretch and then the reader's runs faster than the two taking turns at
  // every row.
  while (source_ && row >= rowCount()) readOne();
  const size_t batch = row + kBatchRows;
  try {
    while (source_ && rowCount() < batch && textBytes_ < kBatchText) readOne();
  } catch (const std::bad_alloc&) {
    // Only the rows ahead are missing: they come when asked for.
  }
  return row < rowCount();
}

void ResultSet::readAll() {
  while (source_) readOne();
}

void ResultSet::readOne() {
  const size_t mark = count_;
  try {
    if (source_->next(*this)) return;
  } catch (const AdoError& e) {
    count_ = mark;
    failed_ = true;
    failure_ = e.description();
    failureCode_ = e.scode();
  } catch (...) {
    // Out of memory part way through a row: the row is taken back, and the
    // source gives it again when asked.
    count_ = mark;
    throw;
  }
  source_.reset();
}

void ResultSet::releaseBefore(size_t row) {
  if (!source_ || count_ == 0 || row < rowCount()) return;
  first_ = rowCount();
  count_ = 0;
  textBytes_ = 0;
  // The first chunks of cells and of text are kept for the rows to come.
  cells_.resize(1);
  std::unique_ptr<char[]> kept;
  if (shared_) kept = std::move(text_[current_]);
  text_.clear();
  if (kept) {
    text_.push_back(std::move(kept));
    current_ = 0;
    used_ = 0;
  }
  others_.clear();
}

bool ResultSet::takeFailure(WideString* description, HRESULT* scode) {
  if (!failed_) return false;
  failed_ = false;
  *description = std::move(failure_);
  *scode = failureCode_;
  return true;
}

}  // namespace qorvid::ado
