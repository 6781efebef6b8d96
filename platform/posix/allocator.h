// The allocator behind the platform's own blocks: BSTR texts, SAFEARRAY
// descriptors and elements, and CoTaskMemAlloc. It is the C library's unless
// a program replaces it, as a test does that counts allocations or makes the
// n-th one fail (SQLite's SQLITE_CONFIG_MALLOC is the model). Windows has no
// such seam: there oleaut32 and ole32 allocate.
#pragma once

#include <cstddef>

extern "C" {

typedef struct PlatformAllocator {
  void* (*allocate)(size_t bytes);                 // null when out of memory
  void* (*reallocate)(void* block, size_t bytes);  // null (block kept) when out of memory
  void (*release)(void* block);                    // block may be null
} PlatformAllocator;

// Replaces the allocator (copied); null restores the C library's. Call it
// once, before the first BSTR, SAFEARRAY or task-memory block is made and
// while no other thread runs: a block goes back to the allocator that made it.
void PlatformSetAllocator(const PlatformAllocator* allocator);

}  // extern "C"

namespace qorvid::platform {

// What the platform's sources allocate with.
void* Allocate(size_t bytes);
void* AllocateZeroed(size_t count, size_t size);  // count * size checked by the caller
void* Reallocate(void* block, size_t bytes);
void Release(void* block);

}  // namespace qorvid::platform
