#include "platform/posix/allocator.h"

#include <cstdlib>
#include <cstring>

namespace {

void* CAllocate(size_t bytes) { return std::malloc(bytes); }
void* CReallocate(void* block, size_t bytes) { return std::realloc(block, bytes); }
void CRelease(void* block) { std::free(block); }

const PlatformAllocator kCLibrary = {CAllocate, CReallocate, CRelease};
PlatformAllocator g_allocator = kCLibrary;

}  // namespace

extern "C" void PlatformSetAllocator(const PlatformAllocator* allocator) {
  g_allocator = allocator ? *allocator : kCLibrary;
}

namespace qorvid::platform {

void* Allocate(size_t bytes) { return g_allocator.allocate(bytes); }

void* AllocateZeroed(size_t count, size_t size) {
  void* block = g_allocator.allocate(count * size);
  if (block) std::memset(block, 0, count * size);
  return block;
}

void* Reallocate(void* block, size_t bytes) { return g_allocator.reallocate(block, bytes); }

void Release(void* block) { g_allocator.release(block); }

}  // namespace qorvid::platform
