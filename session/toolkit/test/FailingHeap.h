// Makes every allocation of the toolkit's heap fail while it lives.
#pragma once

#include <cstddef>

#include "Heap.h"

class FailingHeap {
public:
    FailingHeap() : previous_(UTKTools::detail::SetHeapAllocator(&Fail)) {}
    ~FailingHeap() { UTKTools::detail::SetHeapAllocator(previous_); }
    FailingHeap(const FailingHeap&) = delete;
    FailingHeap& operator=(const FailingHeap&) = delete;

private:
    static void* Fail(std::size_t) { return nullptr; }
    UTKTools::detail::HeapAllocator previous_;
};
