#pragma once
// The lines of a text panel: byte strings (code page 1250) without line ends. The data panel is a
// view over one of these; the series of the chart are always derived from its lines.
//
// The panel's text is the lines joined by CR LF; FinalLineEnd() tells whether the last line is
// followed by a CR LF as well. Appending a line always ends the text with a line end (a panel
// filled by downloads ends with CR LF); a store made from a file ends as that file ended.
//
// The lines are packed: their bytes one after another in one buffer, with the end offset of each.
// Ten million reading lines take about 45 bytes each instead of a string object and a heap block
// each (about 110 bytes), and loading them costs no allocation per line.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

class TLineStore {
  public:
    std::size_t Count() const { return ends_.size(); }
    bool Empty() const { return ends_.empty(); }
    // Line i (0 <= i < Count()); valid until the store changes.
    std::string_view operator[](std::size_t i) const {
        const std::size_t start = i == 0 ? 0 : ends_[i - 1];
        return std::string_view(bytes_.data() + start, ends_[i] - start);
    }
    // Bytes of all lines, line ends not counted.
    std::size_t ByteCount() const { return bytes_.size(); }
    // A copy of every line, for tests and small stores.
    std::vector<std::string> Lines() const;

    void Append(std::string_view line) {
        bytes_.append(line);
        ends_.push_back(bytes_.size());
        finalLineEnd_ = true;
    }
    // Empties the store and gives its memory back.
    void Clear() {
        std::string().swap(bytes_);
        std::vector<std::size_t>().swap(ends_);
        finalLineEnd_ = true;
    }
    void Assign(const std::vector<std::string>& lines, bool finalLineEnd = true);
    // Room for `lines` lines of `bytes` bytes in all, so that appending them allocates nothing.
    void Reserve(std::size_t lines, std::size_t bytes = 0) {
        ends_.reserve(lines);
        bytes_.reserve(bytes);
    }

    // Whether the text ends with a line end after its last line (meaningless while empty).
    bool FinalLineEnd() const { return finalLineEnd_; }
    void SetFinalLineEnd(bool on) { finalLineEnd_ = on; }

  private:
    std::string bytes_;
    std::vector<std::size_t> ends_;  // end offset of each line in bytes_
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
