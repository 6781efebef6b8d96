// Shared by the fuzz targets: a reader that takes the fuzz input front to
// back, and the values a host passes (every VARIANT type, by value and by
// reference, small arrays, the reference host's objects) built from it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "host/host_connection.h"
#include "host/host_object.h"
#include "platform/com_ptr.h"
#include "platform/variant.h"

namespace qorvid {
using namespace qorvid::host;

// Reads the input in order; once it runs out every read gives zeros, so any
// input is a complete program.
class InputReader {
 public:
  InputReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  bool empty() const { return pos_ >= size_; }
  uint8_t byte() { return pos_ < size_ ? data_[pos_++] : 0; }
  uint16_t u16();
  uint32_t u32();
  uint64_t u64();
  double f64();
  // Up to n bytes, fewer at the end of the input.
  std::string bytes(size_t n);
  // The rest of the input.
  std::string rest();

 private:
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
};

// The host side, made once per process: connections and host objects whose
// reference counts must be back where they started after every input.
struct HostPool {
  ComPtr<HostConnection> connection;       // offers every interface
  ComPtr<HostConnection> bareConnection;   // offers IDispatch only
  ComPtr<HostConnection> otherConnection;  // a second full host, for Initialize
  std::vector<ComPtr<IDispatch>> objects;  // host objects, one of each answer form
  std::vector<ComPtr<IUnknown>> tracked;   // everything whose count is checked
  std::vector<ULONG> startCounts;

  static HostPool& instance();
  // Aborts when some reference taken during the input was not given back.
  void checkReferenceCounts() const;
  // A dispatch value the host might pass: a host object, the connection, the
  // application object, or null.
  IDispatch* pick(uint8_t selector) const;
  // Every host object of the pool whose code can run inside a component
  // call (connections, their applications, host objects).
  std::vector<HostDispatch*> reentrant() const;
  // No host code runs any more from inside component calls.
  void clearReentry() const;
};

// A short readable form of a host value for the trace of an input
// (QORVID_FUZZ_TRACE=1): type code, then the value or what it points at.
std::string DescribeValue(const VARIANT& value, int depth = 0);

// The words a script's texts are made of: statements on the table the call
// fuzzer creates, its column names, an object key, time texts, quotes.
const std::vector<std::string>& Vocabulary();  // cp1251
// A private in-memory database, and the shared one the call fuzzer keeps.
const std::string& MemoryConnectionString();
const std::string& SharedConnectionString();

// Builds host values from the input. References point into storage the
// maker owns, so values must not outlive it.
class HostValueMaker {
 public:
  explicit HostValueMaker(InputReader& in) : in_(in) {}
  ~HostValueMaker();
  HostValueMaker(const HostValueMaker&) = delete;
  HostValueMaker& operator=(const HostValueMaker&) = delete;

  Variant value(int depth = 0);
  WideString text();
  // Texts for Open: the in-memory connection string, or text without "=",
  // which names neither a file nor a driver, so no input reaches the disk.
  void setOpenArgument(bool on) { openArgument_ = on; }

 private:
  VARIANT& store();  // a cleared VARIANT that lives as long as the maker
  Variant reference(int depth);
  Variant array(int depth);
  Variant plain(uint8_t type);

  InputReader& in_;
  std::deque<VARIANT> storage_;
  bool openArgument_ = false;
};

}  // namespace qorvid
