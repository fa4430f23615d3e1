#include "Heap.h"

#include <atomic>
#include <cstdlib>

namespace UTKTools::detail {
namespace {

void* DefaultAllocator(std::size_t n) {
    return std::calloc(n == 0 ? 1 : n, 1);
}

std::atomic<HeapAllocator> g_allocator{&DefaultAllocator};

}  // namespace

void* HeapAllocZeroed(std::size_t n) noexcept {
    return g_allocator.load()(n);
}

void HeapFree(void* block) noexcept {
    std::free(block);
}

HeapAllocator SetHeapAllocator(HeapAllocator allocator) noexcept {
    return g_allocator.exchange(allocator != nullptr ? allocator : &DefaultAllocator);
}

}  // namespace UTKTools::detail
