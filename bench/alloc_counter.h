// Counts the heap allocations of the whole process, including those made inside the plug-in
// library: the bench executable defines malloc, calloc, realloc and the aligned allocators, so the
// dynamic linker binds every caller (libstdc++, the library, the C runtime) to them.
#pragma once

#include <cstdint>

namespace bench {

/// Allocations (malloc, calloc, realloc, aligned allocations) the calling thread has made.
uint64_t AllocationCount() noexcept;

} // namespace bench
