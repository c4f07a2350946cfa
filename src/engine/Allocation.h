#pragma once
// Allocation that reports failure with a null pointer instead of throwing,
// with a switch that lets tests make the next allocations fail.

#include <atomic>
#include <cstddef>
#include <new>

namespace tine {

namespace detail {
inline std::atomic<int>& failingAllocations() {
    static std::atomic<int> count{0};
    return count;
}
inline bool allocationShouldFail() {
    std::atomic<int>& count = failingAllocations();
    int left = count.load(std::memory_order_relaxed);
    while (left > 0) {
        if (count.compare_exchange_weak(left, left - 1, std::memory_order_relaxed))
            return true;
    }
    return false;
}
}  // namespace detail

// Makes the next `count` engine allocations fail (tests only).
inline void failNextAllocations(int count) {
    detail::failingAllocations().store(count);
}

template <typename T>
T* allocateObject() {
    if (detail::allocationShouldFail())
        return nullptr;
    return new (std::nothrow) T();
}

// Value-initialised: zeroed for plain types.
template <typename T>
T* allocateArray(std::size_t count) {
    if (detail::allocationShouldFail())
        return nullptr;
    return new (std::nothrow) T[count]();
}

}  // namespace tine
