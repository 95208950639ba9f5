#pragma once
// The lines of a text panel: byte strings (code page 1250) without line ends. The data panel is a
// view over one of these; the series of the chart are always derived from its lines.
//
// The panel's text is the lines joined by CR LF; FinalLineEnd() tells whether the last line is
// followed by a CR LF as well. Appending a line always ends the text with a line end (a panel
// filled by downloads ends with CR LF); a store made from a file ends as that file ended.
//
// The lines are packed: their bytes one after another in one buffer. While every line has the
// same length, as reading lines do, nothing else is kept; from the first line of another length
// on, the end offset of each line is kept too (4 bytes a line). Ten million reading lines thus
// take their 35 bytes each, and loading them costs no allocation per line.
#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "data/byte_buffer.h"

class TLineStore {
  public:
    std::size_t Count() const { return count_; }
    bool Empty() const { return count_ == 0; }
    // Line i (0 <= i < Count()); valid until the store changes.
    std::string_view operator[](std::size_t i) const {
        const std::size_t start = i == 0 ? 0 : End(i - 1);
        return std::string_view(bytes_.Data() + start, End(i) - start);
    }
    // Bytes of all lines, line ends not counted.
    std::size_t ByteCount() const { return bytes_.Size(); }
    // A copy of every line, for tests and small stores.
    std::vector<std::string> Lines() const;

    void Append(std::string_view line) {
        bytes_.Append(line);
        PushEnd(bytes_.Size());
        finalLineEnd_ = true;
    }
    // Empties the store and gives its memory back.
    void Clear() { *this = TLineStore(); }
    void Assign(const std::vector<std::string>& lines, bool finalLineEnd = true);
    // Room for `lines` lines of `bytes` bytes in all, so that appending them allocates nothing.
    void Reserve(std::size_t lines, std::size_t bytes = 0) {
        reservedLines_ = std::max(reservedLines_, lines);
        if (mixed_) ends_.reserve(lines);
        bytes_.Reserve(bytes);
    }

    // Makes the store the lines of `text` as TTextLineSplitter (data_file.h) cuts them: up to the
    // first NUL byte, a lone CR, a lone LF and a CR LF each end a line. The lines are cut in place
    // inside `text`'s own block, so a file read whole costs no second copy of its bytes, and the
    // block is shrunk to the lines' bytes.
    void AdoptText(TByteBuffer&& text);

    // Whether the text ends with a line end after its last line (meaningless while empty).
    bool FinalLineEnd() const { return finalLineEnd_; }
    void SetFinalLineEnd(bool on) { finalLineEnd_ = on; }

    // Whether every line has one length, so that no offsets are kept (for tests).
    bool Uniform() const { return !mixed_; }

  private:
    // The end offset of line i in bytes_: (i + 1) lines of the one length, or its low 32 bits plus
    // 2^32 for every wrap at or before i.
    std::size_t End(std::size_t i) const {
        if (!mixed_) return (i + 1) * length_;
        if (wraps_.empty()) return ends_[i];
        const auto high = static_cast<std::size_t>(std::upper_bound(wraps_.begin(), wraps_.end(), i) - wraps_.begin());
        return (high << 32) | ends_[i];
    }
    // Whether a line ending at `end` keeps every line at one length.
    bool KeepsUniform(std::size_t end) const { return !mixed_ && (count_ == 0 || end == (count_ + 1) * length_); }
    void PushEnd(std::size_t end) {
        if (!mixed_) {
            if (count_ == 0) length_ = end;
            if (KeepsUniform(end)) {
                ++count_;
                return;
            }
            KeepOffsets();
        }
        while (wraps_.size() < (end >> 32)) wraps_.push_back(ends_.size());
        ends_.push_back(static_cast<std::uint32_t>(end));
        ++count_;
    }
    // Leaves the one-length form: the end of every line so far is written out.
    void KeepOffsets() {
        const std::size_t n = count_;
        ends_.reserve(std::max(reservedLines_, n + 1));
        count_ = 0;
        mixed_ = true;
        for (std::size_t i = 0; i < n; ++i) PushEnd((i + 1) * length_);
    }

    TByteBuffer bytes_;
    std::size_t count_ = 0;
    // While !mixed_, every line is length_ bytes long and ends_ is empty.
    bool mixed_ = false;
    std::size_t length_ = 0;
    std::size_t reservedLines_ = 0;
    // End offsets of the lines in bytes_, 32 bits each (half the memory of full offsets for ten
    // million lines); wraps_ holds the first line of each further 4 GiB of bytes.
    std::vector<std::uint32_t> ends_;
    std::vector<std::size_t> wraps_;
    bool finalLineEnd_ = true;
};

namespace line_store_detail {

// The first CR or LF in [p, end), or end. Eight bytes at a time: a byte equal to CR or LF shows
// as the high bit of its lane in the mask, and the lowest set lane is the first such byte.
inline const char* FindLineEnd(const char* p, const char* end) {
    if constexpr (std::endian::native == std::endian::little) {
        constexpr std::uint64_t kOnes = 0x0101010101010101u, kHigh = 0x8080808080808080u;
        for (; end - p >= 8; p += 8) {
            std::uint64_t word;
            std::memcpy(&word, p, 8);
            const std::uint64_t cr = word ^ (kOnes * '\r'), lf = word ^ (kOnes * '\n');
            const std::uint64_t mask = (((cr - kOnes) & ~cr) | ((lf - kOnes) & ~lf)) & kHigh;
            if (mask != 0) return p + std::countr_zero(mask) / 8;
        }
    }
    while (p < end && *p != '\r' && *p != '\n') ++p;
    return p;
}

inline std::size_t CountLineEnds(const char* p, const char* end) {
    std::size_t lfs = 0, crs = 0;
    for (; p < end; ++p) {
        lfs += *p == '\n';
        crs += *p == '\r';
    }
    return std::max(lfs, crs);
}

}  // namespace line_store_detail

inline std::vector<std::string> TLineStore::Lines() const {
    std::vector<std::string> lines;
    lines.reserve(Count());
    for (std::size_t i = 0; i < Count(); ++i) lines.emplace_back((*this)[i]);
    return lines;
}

inline void TLineStore::Assign(const std::vector<std::string>& lines, bool finalLineEnd) {
    Clear();
    std::size_t bytes = 0;
    for (const std::string& line : lines) bytes += line.size();
    Reserve(lines.size(), bytes);
    for (const std::string& line : lines) Append(line);
    finalLineEnd_ = finalLineEnd;
}

inline void TLineStore::AdoptText(TByteBuffer&& text) {
    using line_store_detail::CountLineEnds;
    using line_store_detail::FindLineEnd;
    Clear();
    bytes_ = std::move(text);
    char* const base = bytes_.Data();
    const char* const nul =
        bytes_.Size() == 0 ? nullptr : static_cast<const char*>(std::memchr(base, '\0', bytes_.Size()));
    const std::size_t size = nul ? static_cast<std::size_t>(nul - base) : bytes_.Size();
    std::size_t read = 0, write = 0;
    finalLineEnd_ = true;
    while (read < size) {
        const std::size_t end = static_cast<std::size_t>(FindLineEnd(base + read, base + size) - base);
        if (write != read) std::memmove(base + write, base + read, end - read);
        write += end - read;
        // Offsets are kept only from the first line of another length on; they are then allocated
        // once for all the lines left.
        if (!mixed_ && !KeepsUniform(write)) reservedLines_ = count_ + 1 + CountLineEnds(base + end, base + size);
        PushEnd(write);
        if (end == size) {
            finalLineEnd_ = false;
            break;
        }
        read = end + (base[end] == '\r' && end + 1 < size && base[end + 1] == '\n' ? 2 : 1);
    }
    bytes_.Truncate(write);
}
