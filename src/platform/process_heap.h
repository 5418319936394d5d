// Memory that either side of the plug-in boundary may free: string blocks, item arrays and items
// of parameter lists. The host and the library have different C++ runtimes, so this memory comes
// from the process heap (Windows) or the C heap (POSIX), never from operator new.
#pragma once

#include <cstddef>

namespace platform {

/// Allocates Size bytes from the process heap; throws std::bad_alloc when the heap is exhausted.
void* HeapAllocate(std::size_t size);
/// Grows or shrinks a block from HeapAllocate; a null Block allocates a new one.
void* HeapReallocate(void* block, std::size_t size);
/// The usable size of a block from HeapAllocate (at least the size asked for; 0 for null).
std::size_t HeapBlockSize(const void* block) noexcept;
/// Frees a block from HeapAllocate; null is ignored.
void HeapRelease(void* block) noexcept;

} // namespace platform
