// The allocator hooks behind AllocationCount. They forward to the C runtime's own entry points, so
// nothing but the counting changes. A realloc that only frees (size 0) is not counted. The count
// is kept per thread, without a locked instruction, so that counting does not weigh on the code
// that allocates most: each benchmark runs on one thread and reads its own count.
#include "alloc_counter.h"

#include <cerrno>
#include <cstddef>

extern "C" {
void* __libc_malloc(std::size_t size);
void* __libc_calloc(std::size_t count, std::size_t size);
void* __libc_realloc(void* block, std::size_t size);
void* __libc_memalign(std::size_t alignment, std::size_t size);
void __libc_free(void* block);
}

namespace {
thread_local uint64_t tAllocations = 0;

inline void Count() noexcept {
  ++tAllocations;
}
} // namespace

namespace bench {
uint64_t AllocationCount() noexcept {
  return tAllocations;
}
} // namespace bench

extern "C" {

void* malloc(std::size_t size) {
  Count();
  return __libc_malloc(size);
}

void* calloc(std::size_t count, std::size_t size) {
  Count();
  return __libc_calloc(count, size);
}

void* realloc(void* block, std::size_t size) {
  if (size != 0 || !block)
    Count();
  return __libc_realloc(block, size);
}

void free(void* block) {
  __libc_free(block);
}

void* memalign(std::size_t alignment, std::size_t size) {
  Count();
  return __libc_memalign(alignment, size);
}

void* aligned_alloc(std::size_t alignment, std::size_t size) {
  Count();
  return __libc_memalign(alignment, size);
}

int posix_memalign(void** out, std::size_t alignment, std::size_t size) {
  if (alignment < sizeof(void*) || (alignment & (alignment - 1)) != 0)
    return EINVAL;
  Count();
  void* p = __libc_memalign(alignment, size);
  if (!p)
    return ENOMEM;
  *out = p;
  return 0;
}

} // extern "C"
