#pragma once
// The lines of a text panel: byte strings (code page 1250) without line ends. The data panel is a
// view over one of these; the series of the chart are always derived from its lines.
//
// The panel's text is the lines joined by CR LF; FinalLineEnd() tells whether the last line is
// followed by a CR LF as well. Appending a line always ends the text with a line end (a panel
// filled by downloads ends with CR LF); a store made from a file ends as that file ended.
//
// The lines are packed: their bytes one after another in one buffer, with the end offset of each.
// Ten million reading lines take about 40 bytes each instead of a string object and a heap block
// each (about 110 bytes), and loading them costs no allocation per line.
#include <cstddef>
#include <cstdint>
#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

class TLineStore {
  public:
    std::size_t Count() const { return ends_.size(); }
    bool Empty() const { return ends_.empty(); }
    // Line i (0 <= i < Count()); valid until the store changes.
    std::string_view operator[](std::size_t i) const {
        const std::size_t start = i == 0 ? 0 : End(i - 1);
        return std::string_view(bytes_.data() + start, End(i) - start);
    }
    // Bytes of all lines, line ends not counted.
    std::size_t ByteCount() const { return bytes_.size(); }
    // A copy of every line, for tests and small stores.
    std::vector<std::string> Lines() const;

    void Append(std::string_view line) {
        bytes_.append(line);
        PushEnd(bytes_.size());
        finalLineEnd_ = true;
    }
    // Empties the store and gives its memory back.
    void Clear() {
        std::string().swap(bytes_);
        std::vector<std::uint32_t>().swap(ends_);
        std::vector<std::size_t>().swap(wraps_);
        finalLineEnd_ = true;
    }
    void Assign(const std::vector<std::string>& lines, bool finalLineEnd = true);
    // Room for `lines` lines of `bytes` bytes in all, so that appending them allocates nothing.
    void Reserve(std::size_t lines, std::size_t bytes = 0) {
        ends_.reserve(lines);
        bytes_.reserve(bytes);
    }

    // Makes the store the lines of `text` as TTextLineSplitter (data_file.h) cuts them: up to the
    // first NUL byte, a lone CR, a lone LF and a CR LF each end a line. The lines are cut in place
    // inside `text`'s own buffer, so a file read whole costs no second copy of its bytes.
    void AdoptText(std::string&& text);

    // Whether the text ends with a line end after its last line (meaningless while empty).
    bool FinalLineEnd() const { return finalLineEnd_; }
    void SetFinalLineEnd(bool on) { finalLineEnd_ = on; }

  private:
    // The end offset of line i in bytes_: its low 32 bits, plus 2^32 for every wrap at or before i.
    std::size_t End(std::size_t i) const {
        if (wraps_.empty()) return ends_[i];
        const auto high = static_cast<std::size_t>(std::upper_bound(wraps_.begin(), wraps_.end(), i) - wraps_.begin());
        return (high << 32) | ends_[i];
    }
    void PushEnd(std::size_t end) {
        while (wraps_.size() < (end >> 32)) wraps_.push_back(ends_.size());
        ends_.push_back(static_cast<std::uint32_t>(end));
    }

    std::string bytes_;
    // End offsets of the lines in bytes_, 32 bits each (half the memory of full offsets for ten
    // million lines); wraps_ holds the first line of each further 4 GiB of bytes.
    std::vector<std::uint32_t> ends_;
    std::vector<std::size_t> wraps_;
    bool finalLineEnd_ = true;
};

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

inline void TLineStore::AdoptText(std::string&& text) {
    Clear();
    bytes_ = std::move(text);
    char* const base = bytes_.data();
    const char* const nul = static_cast<const char*>(std::memchr(base, '\0', bytes_.size()));
    const std::size_t size = nul ? static_cast<std::size_t>(nul - base) : bytes_.size();
    // Line ends counted first, so the offsets are allocated once at their final size.
    std::size_t lfs = 0, crs = 0, i = 0;
    // 64 bytes at a time into small counters, which the compiler turns into vector instructions.
    for (; i + 64 <= size; i += 64) {
        unsigned char lf = 0, cr = 0;
        for (int j = 0; j < 64; ++j) {
            lf += base[i + j] == '\n';
            cr += base[i + j] == '\r';
        }
        lfs += lf;
        crs += cr;
    }
    for (; i < size; ++i) {
        lfs += base[i] == '\n';
        crs += base[i] == '\r';
    }
    ends_.reserve(std::max(lfs, crs) + 1);
    std::size_t read = 0, write = 0;
    finalLineEnd_ = true;
    while (read < size) {
        // The line runs to the first CR or LF: an LF found by memchr, then any CR before it.
        const char* lf = static_cast<const char*>(std::memchr(base + read, '\n', size - read));
        const std::size_t lfAt = lf ? static_cast<std::size_t>(lf - base) : size;
        const char* cr = static_cast<const char*>(std::memchr(base + read, '\r', lfAt - read));
        const std::size_t end = cr ? static_cast<std::size_t>(cr - base) : lfAt;
        if (write != read) std::memmove(base + write, base + read, end - read);
        write += end - read;
        if (end == size) {
            PushEnd(write);
            finalLineEnd_ = false;
            break;
        }
        PushEnd(write);
        read = end + (base[end] == '\r' && end + 1 < size && base[end + 1] == '\n' ? 2 : 1);
    }
    bytes_.resize(write);
}
