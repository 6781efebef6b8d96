#include "tests/oom/failing_allocator.h"

#include <sqlite3.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

#include "component/error_text.h"
#include "platform/posix/allocator.h"

namespace qorvid::oom {

namespace {

bool g_armed = false;
bool g_tracking = false;
long g_counted = 0;
long g_failAt = 0;
bool g_persistent = false;
bool g_injected = false;
bool g_whileReporting = false;
Source g_injectedSource = CppNew;
long g_live[kSources] = {};

// Every block starts with this header: its size (SQLite asks for it) and
// whether it was made while tracking. 16 bytes keep the payload aligned.
struct alignas(16) Header {
  size_t size;
  uint8_t tracked;
  uint8_t source;
};
static_assert(sizeof(Header) == 16, "header keeps max_align_t alignment");

}  // namespace

// Where a debugger stops to see who asked (break qorvid::oom::FailingHere).
__attribute__((noinline)) void FailingHere() { asm volatile(""); }

namespace {

// Whether the allocation about to be made may proceed.
bool MayAllocate(Source source) {
  if (!g_armed) return true;
  ++g_counted;
  if (g_failAt == 0 || g_counted < g_failAt || (g_counted > g_failAt && !g_persistent)) return true;
  if (g_counted == g_failAt) {
    FailingHere();
    g_injected = true;
    g_whileReporting = !ErrorText().empty();
    g_injectedSource = source;
  }
  return false;
}

Header* HeaderOf(void* payload) { return static_cast<Header*>(payload) - 1; }

void* Finish(void* raw, size_t size, Source source) {
  if (!raw) return nullptr;
  Header* h = static_cast<Header*>(raw);
  h->size = size;
  h->tracked = g_tracking;
  h->source = static_cast<uint8_t>(source);
  if (g_tracking) ++g_live[source];
  return h + 1;
}

void* Allocate(size_t size, Source source) {
  if (!MayAllocate(source)) return nullptr;
  if (size > SIZE_MAX - sizeof(Header)) return nullptr;
  return Finish(std::malloc(sizeof(Header) + size), size, source);
}

void Release(void* payload) {
  if (!payload) return;
  Header* h = HeaderOf(payload);
  if (h->tracked) --g_live[h->source];
  std::free(h);
}

void* Reallocate(void* payload, size_t size, Source source) {
  if (!payload) return Allocate(size, source);
  if (!MayAllocate(source) || size > SIZE_MAX - sizeof(Header)) return nullptr;
  Header* h = HeaderOf(payload);
  const bool tracked = h->tracked;
  void* raw = std::realloc(h, sizeof(Header) + size);
  if (!raw) return nullptr;
  static_cast<Header*>(raw)->size = size;
  static_cast<Header*>(raw)->tracked = tracked;
  return static_cast<Header*>(raw) + 1;
}

void* PlatformAllocate(size_t size) { return Allocate(size, PlatformBlocks); }
void* PlatformReallocate(void* block, size_t size) {
  return Reallocate(block, size, PlatformBlocks);
}

void* SqliteMalloc(int size) { return size < 0 ? nullptr : Allocate(size_t(size), Sqlite); }
void* SqliteRealloc(void* block, int size) {
  return size < 0 ? nullptr : Reallocate(block, size_t(size), Sqlite);
}
int SqliteSize(void* block) { return block ? int(HeaderOf(block)->size) : 0; }
int SqliteRoundup(int size) { return (size + 7) & ~7; }
int SqliteInit(void*) { return SQLITE_OK; }
void SqliteShutdown(void*) {}

}  // namespace

void InstallAllocators() {
  static const PlatformAllocator platform = {PlatformAllocate, PlatformReallocate, Release};
  PlatformSetAllocator(&platform);
  static const sqlite3_mem_methods sqlite = {SqliteMalloc,  Release,    SqliteRealloc,  SqliteSize,
                                             SqliteRoundup, SqliteInit, SqliteShutdown, nullptr};
  sqlite3_config(SQLITE_CONFIG_MALLOC, &sqlite);
  // Keeps SQLite's memory accounting (and its mutex) out of the counts.
  sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0);
  sqlite3_initialize();
  // Made once, before any run looks at it from inside an allocation.
  ErrorText().clear();
}

void Arm(long failAt, bool persistent) {
  g_counted = 0;
  g_failAt = failAt;
  g_persistent = persistent;
  g_injected = false;
  g_whileReporting = false;
  g_armed = true;
}
void Disarm() { g_armed = false; }
long AllocationsCounted() { return g_counted; }
bool FailureInjected() { return g_injected; }
bool InjectedWhileReporting() { return g_whileReporting; }
Source InjectedSource() { return g_injectedSource; }

void StartTracking() {
  for (long& live : g_live) live = 0;
  g_tracking = true;
}
void StopTracking() { g_tracking = false; }
long LiveBlocks(Source source) { return g_live[source]; }

Paused::Paused() : wasArmed_(g_armed), wasTracking_(g_tracking) {
  g_armed = false;
  g_tracking = false;
}
Paused::~Paused() {
  g_armed = wasArmed_;
  g_tracking = wasTracking_;
}

// Entry points for the replaced operator new and delete below.
void* NewBlock(size_t size) { return Allocate(size ? size : 1, CppNew); }
void DeleteBlock(void* block) { Release(block); }

}  // namespace qorvid::oom

// The global operator new and delete of the whole process (an executable's
// definitions take the place of the C++ library's for every module).
void* operator new(size_t size) {
  void* block = qorvid::oom::NewBlock(size);
  if (!block) throw std::bad_alloc();
  return block;
}
void* operator new[](size_t size) { return operator new(size); }
void* operator new(size_t size, const std::nothrow_t&) noexcept {
  return qorvid::oom::NewBlock(size);
}
void* operator new[](size_t size, const std::nothrow_t&) noexcept {
  return qorvid::oom::NewBlock(size);
}
void operator delete(void* block) noexcept { qorvid::oom::DeleteBlock(block); }
void operator delete[](void* block) noexcept { qorvid::oom::DeleteBlock(block); }
void operator delete(void* block, size_t) noexcept { qorvid::oom::DeleteBlock(block); }
void operator delete[](void* block, size_t) noexcept { qorvid::oom::DeleteBlock(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept {
  qorvid::oom::DeleteBlock(block);
}
void operator delete[](void* block, const std::nothrow_t&) noexcept {
  qorvid::oom::DeleteBlock(block);
}
