#pragma once
// A growable block of bytes (large_block: huge pages once it is large). Unlike a std::string it
// grows without zero-filling (a file is copied into it as read) and gives back what it no longer
// needs: shrinking a large block gives its tail back in place, so a file cut into lines keeps no
// slack of its line ends.
#include <algorithm>
#include <cstddef>
#include <cstring>
#include <new>
#include <string_view>
#include <utility>

#include "base/large_block.h"

class TByteBuffer {
  public:
    TByteBuffer() = default;
    explicit TByteBuffer(std::string_view bytes) { Append(bytes); }
    std::string_view View() const { return std::string_view(data_, size_); }
    TByteBuffer(TByteBuffer&& other) noexcept
        : data_(std::exchange(other.data_, nullptr)),
          size_(std::exchange(other.size_, 0)),
          capacity_(std::exchange(other.capacity_, 0)) {}
    TByteBuffer& operator=(TByteBuffer&& other) noexcept {
        if (this != &other) {
            large_block::Free(data_, capacity_);
            data_ = std::exchange(other.data_, nullptr);
            size_ = std::exchange(other.size_, 0);
            capacity_ = std::exchange(other.capacity_, 0);
        }
        return *this;
    }
    TByteBuffer(const TByteBuffer& other) { Append(std::string_view(other.data_, other.size_)); }
    TByteBuffer& operator=(const TByteBuffer& other) {
        if (this != &other) *this = TByteBuffer(other);
        return *this;
    }
    ~TByteBuffer() { large_block::Free(data_, capacity_); }

    char* Data() { return data_; }
    const char* Data() const { return data_; }
    std::size_t Size() const { return size_; }
    std::size_t Capacity() const { return capacity_; }

    // Room for `bytes` bytes in all. Throws std::bad_alloc; the buffer is then unchanged.
    void Reserve(std::size_t bytes) {
        if (bytes > capacity_) Reallocate(bytes);
    }
    void Append(std::string_view bytes) {
        if (bytes.empty()) return;
        if (size_ + bytes.size() > capacity_) Reallocate(std::max(size_ + bytes.size(), capacity_ * 2));
        std::memcpy(data_ + size_, bytes.data(), bytes.size());
        size_ += bytes.size();
    }
    // Cuts the size to `bytes` (no larger than Size()) and gives the rest of the block back.
    void Truncate(std::size_t bytes) {
        size_ = std::min(size_, bytes);
        if (size_ == capacity_) return;
        try {
            data_ = static_cast<char*>(large_block::Resize(data_, capacity_, size_));
            capacity_ = size_;
        } catch (const std::bad_alloc&) {
            // A failed shrink only keeps the larger block.
        }
    }

  private:
    void Reallocate(std::size_t bytes) {
        data_ = static_cast<char*>(large_block::Resize(data_, capacity_, bytes));
        capacity_ = bytes;
    }

    char* data_ = nullptr;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;
};
