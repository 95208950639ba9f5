#pragma once
// Reading a fuzz input as a sequence of choices. Every read succeeds: past the end of the input a
// number is 0 and a text is empty, so a target never has to check how much is left.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

class TFuzzInput {
  public:
    TFuzzInput(const uint8_t* data, std::size_t size) : data_(reinterpret_cast<const char*>(data)), size_(size) {}

    bool Empty() const { return pos_ >= size_; }
    uint8_t Byte() { return pos_ < size_ ? static_cast<uint8_t>(data_[pos_++]) : 0; }
    uint16_t Word() { return static_cast<uint16_t>(Byte() | (Byte() << 8)); }
    bool Flag() { return (Byte() & 1) != 0; }
    // A whole number in [0, limit].
    uint32_t Below(uint32_t limit) { return limit == 0 ? 0 : Word() % (limit + 1); }
    // Up to `max` bytes, the count read first.
    std::string Text(std::size_t max) {
        const std::size_t n = std::min<std::size_t>(Byte(), max);
        return Take(n);
    }
    // Whatever is left.
    std::string Rest() { return Take(size_ - std::min(pos_, size_)); }

  private:
    std::string Take(std::size_t n) {
        n = std::min(n, size_ - std::min(pos_, size_));
        std::string s(data_ + pos_, n);
        pos_ += n;
        return s;
    }

    const char* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};
