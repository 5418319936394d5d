#include "platform/process_heap.h"
#include "platform/win32/windows_include.h"

#include <new>

namespace platform {

void* HeapAllocate(std::size_t size) {
  void* p = ::HeapAlloc(::GetProcessHeap(), 0, size ? size : 1);
  if (!p)
    throw std::bad_alloc();
  return p;
}

void* HeapReallocate(void* block, std::size_t size) {
  if (!block)
    return HeapAllocate(size);
  void* p = ::HeapReAlloc(::GetProcessHeap(), 0, block, size ? size : 1);
  if (!p)
    throw std::bad_alloc();
  return p;
}

std::size_t HeapBlockSize(const void* block) noexcept {
  if (!block)
    return 0;
  const SIZE_T size = ::HeapSize(::GetProcessHeap(), 0, block);
  return size == static_cast<SIZE_T>(-1) ? 0 : size;
}

void HeapRelease(void* block) noexcept {
  if (block)
    ::HeapFree(::GetProcessHeap(), 0, block);
}

} // namespace platform
