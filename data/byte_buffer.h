#pragma once
// A growable block of bytes on the C heap. Unlike a std::string it grows without zero-filling
// (a file is read straight into it) and gives back what it no longer needs: shrinking a large
// block reallocates it in place, so a file cut into lines keeps no slack of its line ends.
#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string_view>
#include <utility>

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
            std::free(data_);
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
    ~TByteBuffer() { std::free(data_); }

    char* Data() { return data_; }
    const char* Data() const { return data_; }
    std::size_t Size() const { return size_; }
    std::size_t Capacity() const { return capacity_; }

    // Room for `bytes` bytes in all. Throws std::bad_alloc; the buffer is then unchanged.
    void Reserve(std::size_t bytes) {
        if (bytes > capacity_) Reallocate(bytes);
    }
    // Makes the size `bytes`; new bytes are left as they are (uninitialised).
    void ResizeForOverwrite(std::size_t bytes) {
        Reserve(bytes);
        size_ = bytes;
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
        if (size_ == 0) {
            std::free(std::exchange(data_, nullptr));
            capacity_ = 0;
        } else if (size_ < capacity_) {
            // A failed shrink only keeps the larger block.
            if (void* shrunk = std::realloc(data_, size_)) {
                data_ = static_cast<char*>(shrunk);
                capacity_ = size_;
            }
        }
    }

  private:
    void Reallocate(std::size_t bytes) {
        void* grown = std::realloc(data_, bytes);
        if (!grown) throw std::bad_alloc();
        data_ = static_cast<char*>(grown);
        capacity_ = bytes;
    }

    char* data_ = nullptr;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;
};
