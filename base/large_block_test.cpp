#include "base/large_block.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

constexpr std::size_t kLarge = large_block::kLargeBlockBytes;

void Fill(void* block, std::size_t bytes) {
    auto* p = static_cast<unsigned char*>(block);
    for (std::size_t i = 0; i < bytes; ++i) p[i] = static_cast<unsigned char>(i * 7 + i / 4096);
}

// The index of the first byte of [0, bytes) that Fill did not put there, or bytes.
std::size_t FirstChanged(const void* block, std::size_t bytes) {
    const auto* p = static_cast<const unsigned char*>(block);
    for (std::size_t i = 0; i < bytes; ++i) {
        if (p[i] != static_cast<unsigned char>(i * 7 + i / 4096)) return i;
    }
    return bytes;
}

bool HugeAligned(const void* block) { return reinterpret_cast<std::uintptr_t>(block) % (std::size_t{2} << 20) == 0; }

struct ResizeRow {
    const char* name;
    std::size_t from, to;
};

class LargeBlockResize : public testing::TestWithParam<ResizeRow> {};

// Every resize keeps the bytes both sizes hold, whichever kind of block each size has, and the
// new size can be written to its end.
TEST_P(LargeBlockResize, KeepsTheCommonBytes) {
    const ResizeRow& row = GetParam();
    void* block = large_block::Allocate(row.from);
    ASSERT_NE(nullptr, block);
    if (row.from >= kLarge) {
        EXPECT_TRUE(HugeAligned(block));
    }
    Fill(block, row.from);
    block = large_block::Resize(block, row.from, row.to);
    ASSERT_NE(nullptr, block);
    const std::size_t kept = std::min(row.from, row.to);
    EXPECT_EQ(kept, FirstChanged(block, kept));
    if (row.to >= kLarge) {
        EXPECT_TRUE(HugeAligned(block));
    }
    Fill(block, row.to);
    EXPECT_EQ(row.to, FirstChanged(block, row.to));
    large_block::Free(block, row.to);
}

INSTANTIATE_TEST_SUITE_P(Sizes, LargeBlockResize,
                         testing::Values(ResizeRow{"SmallGrows", 1000, 50'000}, ResizeRow{"SmallShrinks", 50'000, 10},
                                         ResizeRow{"SmallToLarge", 100'000, kLarge + 12'345},
                                         ResizeRow{"LargeGrows", kLarge + 1, 3 * kLarge + 777},
                                         ResizeRow{"LargeShrinksInPlace", 5 * kLarge + 3, kLarge + 4097},
                                         ResizeRow{"LargeToSmall", 2 * kLarge, 4096}),
                         [](const testing::TestParamInfo<ResizeRow>& info) { return info.param.name; });

TEST(LargeBlock, ZeroBytesIsNoBlock) {
    EXPECT_EQ(nullptr, large_block::Allocate(0));
    large_block::Free(nullptr, 0);
    void* block = large_block::Allocate(kLarge * 2);
    EXPECT_EQ(nullptr, large_block::Resize(block, kLarge * 2, 0));
}

TEST(LargeBlock, ImpossibleSizeThrowsBadAlloc) {
    EXPECT_THROW(large_block::Allocate(static_cast<std::size_t>(-1) / 2), std::bad_alloc);
    std::vector<double, TLargeBlockAllocator<double>> v;
    EXPECT_THROW(v.reserve(v.max_size()), std::bad_alloc);
}

// A vector over the allocator crosses the threshold while it grows and keeps its values.
TEST(LargeBlock, VectorGrowsAcrossTheThreshold) {
    std::vector<double, TLargeBlockAllocator<double>> v;
    const std::size_t n = 3 * kLarge / sizeof(double);
    for (std::size_t i = 0; i < n; ++i) v.push_back(static_cast<double>(i) * 0.5);
    EXPECT_TRUE(HugeAligned(v.data()));
    for (std::size_t i = 0; i < n; i += 4099) ASSERT_EQ(static_cast<double>(i) * 0.5, v[i]);
    EXPECT_EQ(static_cast<double>(n - 1) * 0.5, v.back());
    v.resize(10);
    v.shrink_to_fit();
    EXPECT_EQ(4.5, v.back());
}

}  // namespace
