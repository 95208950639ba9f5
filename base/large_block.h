#pragma once
// Memory for large arrays: a file read whole, the columns of a series. A block of at least
// kLargeBlockBytes is mapped from the system on its own, aligned to 2 MiB and offered to the
// kernel for transparent huge pages. Filling it then costs one page fault per 2 MiB rather than
// one per 4 KiB; with ten million readings those faults, not the parse, were most of a load (on a
// virtual machine each costs microseconds). Where huge pages are off, the block works all the same
// with small pages. Smaller blocks come from the C heap.
#include <cstddef>
#include <new>

namespace large_block {

inline constexpr std::size_t kLargeBlockBytes = std::size_t{1} << 20;

// `bytes` uninitialised bytes (null for 0). Throws std::bad_alloc.
void* Allocate(std::size_t bytes);
// Gives back a block from Allocate; `bytes` is the size it was allocated or last resized with.
void Free(void* block, std::size_t bytes) noexcept;
// The block resized from `oldBytes` to `newBytes`, keeping its first min(oldBytes, newBytes)
// bytes; it may move. Shrinking a mapped block gives its tail back in place. Throws
// std::bad_alloc, and the block is then unchanged.
void* Resize(void* block, std::size_t oldBytes, std::size_t newBytes);

}  // namespace large_block

// An allocator for standard containers over large_block: a vector of ten million doubles gets
// huge pages, a small one the usual heap.
template <class T>
struct TLargeBlockAllocator {
    using value_type = T;
    TLargeBlockAllocator() = default;
    template <class U>
    TLargeBlockAllocator(const TLargeBlockAllocator<U>&) noexcept {}
    T* allocate(std::size_t n) {
        if (n > static_cast<std::size_t>(-1) / sizeof(T)) throw std::bad_array_new_length();
        return static_cast<T*>(large_block::Allocate(n * sizeof(T)));
    }
    void deallocate(T* p, std::size_t n) noexcept { large_block::Free(p, n * sizeof(T)); }
    template <class U>
    bool operator==(const TLargeBlockAllocator<U>&) const noexcept {
        return true;
    }
};
