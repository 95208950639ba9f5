#include "base/large_block.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace large_block {
namespace {

constexpr std::size_t kPage = 4096;
constexpr std::size_t kHugePage = std::size_t{2} << 20;

// A mapped block spans whole huge pages: the kernel backs only an aligned 2 MiB that lies wholly
// inside the mapping with a huge page, and the rest would fall back to small ones.
std::size_t MappedLength(std::size_t bytes) { return (bytes + kHugePage - 1) & ~(kHugePage - 1); }

bool Mapped(std::size_t bytes) { return bytes >= kLargeBlockBytes; }

void* Map(std::size_t bytes) {
    const std::size_t length = MappedLength(bytes);
    // Mapped with room to spare, then trimmed to a 2 MiB-aligned start: a huge page can only back
    // an aligned 2 MiB of the address space.
    const std::size_t spare = kHugePage - kPage;  // mmap gives at least page alignment
    void* raw = ::mmap(nullptr, length + spare, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (raw == MAP_FAILED) throw std::bad_alloc();
    const auto start = reinterpret_cast<std::uintptr_t>(raw);
    const std::uintptr_t aligned = (start + kHugePage - 1) & ~(std::uintptr_t{kHugePage} - 1);
    if (aligned > start) ::munmap(raw, aligned - start);
    const std::uintptr_t end = start + length + spare;
    if (end > aligned + length) ::munmap(reinterpret_cast<void*>(aligned + length), end - (aligned + length));
    auto* block = reinterpret_cast<void*>(aligned);
    // Only advice: a kernel without huge pages says no, and small pages serve.
    ::madvise(block, length, MADV_HUGEPAGE);
    return block;
}

}  // namespace

void* Allocate(std::size_t bytes) {
    if (bytes == 0) return nullptr;
    if (Mapped(bytes)) return Map(bytes);
    void* block = std::malloc(bytes);
    if (!block) throw std::bad_alloc();
    return block;
}

void Free(void* block, std::size_t bytes) noexcept {
    if (!block) return;
    if (Mapped(bytes)) {
        ::munmap(block, MappedLength(bytes));
    } else {
        std::free(block);
    }
}

void* Resize(void* block, std::size_t oldBytes, std::size_t newBytes) {
    if (!block) return Allocate(newBytes);
    if (newBytes == 0) {
        Free(block, oldBytes);
        return nullptr;
    }
    if (!Mapped(oldBytes) && !Mapped(newBytes)) {
        void* resized = std::realloc(block, newBytes);
        if (!resized) throw std::bad_alloc();
        return resized;
    }
    if (Mapped(oldBytes) && Mapped(newBytes) && newBytes <= oldBytes) {
        const std::size_t keep = MappedLength(newBytes), had = MappedLength(oldBytes);
        if (had > keep) ::munmap(static_cast<char*>(block) + keep, had - keep);
        return block;
    }
    if (Mapped(oldBytes) && Mapped(newBytes)) {
        // Grown in place where the address space after it is free: no copy.
        const std::size_t had = MappedLength(oldBytes), want = MappedLength(newBytes);
        if (::mremap(block, had, want, 0) != MAP_FAILED) {
            ::madvise(static_cast<char*>(block) + had, want - had, MADV_HUGEPAGE);
            return block;
        }
    }
    void* moved = Allocate(newBytes);
    std::memcpy(moved, block, std::min(oldBytes, newBytes));
    Free(block, oldBytes);
    return moved;
}

}  // namespace large_block
