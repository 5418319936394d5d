#include "platform/process_heap.h"

#include <cstdlib>
#include <malloc.h>
#include <new>

namespace platform {

void* HeapAllocate(std::size_t size) {
  void* p = std::malloc(size ? size : 1);
  if (!p)
    throw std::bad_alloc();
  return p;
}

void* HeapReallocate(void* block, std::size_t size) {
  void* p = std::realloc(block, size ? size : 1);
  if (!p)
    throw std::bad_alloc();
  return p;
}

std::size_t HeapBlockSize(const void* block) noexcept {
  return block ? ::malloc_usable_size(const_cast<void*>(block)) : 0;
}

void HeapRelease(void* block) noexcept {
  std::free(block);
}

} // namespace platform
