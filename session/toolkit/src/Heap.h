// The toolkit's process heap: zeroed blocks that may fail to come (the callers handle a
// null block themselves), and a hook so that tests can make allocations fail.
#pragma once

#include <cstddef>

namespace UTKTools::detail {

// A zeroed block of n bytes, or null.
void* HeapAllocZeroed(std::size_t n) noexcept;
// Gives a block back; null is ignored.
void HeapFree(void* block) noexcept;

// Replaces the allocator (null restores the default) and returns the one before.
using HeapAllocator = void* (*)(std::size_t n);
HeapAllocator SetHeapAllocator(HeapAllocator allocator) noexcept;

}  // namespace UTKTools::detail
