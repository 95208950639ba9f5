#pragma once
// The lines of a text panel: byte strings (code page 1250) without line ends. The data panel is a
// view over one of these; the series of the chart are always derived from its lines.
//
// The panel's text is the lines joined by CR LF; FinalLineEnd() tells whether the last line is
// followed by a CR LF as well. Appending a line always ends the text with a line end (a panel
// filled by downloads ends with CR LF); a store made from a file ends as that file ended.
#include <cstddef>
#include <string>
#include <vector>

class TLineStore {
  public:
    std::size_t Count() const { return lines_.size(); }
    bool Empty() const { return lines_.empty(); }
    const std::string& operator[](std::size_t i) const { return lines_[i]; }
    const std::vector<std::string>& Lines() const { return lines_; }

    void Append(std::string line) {
        lines_.push_back(std::move(line));
        finalLineEnd_ = true;
    }
    void Clear() {
        lines_.clear();
        finalLineEnd_ = true;
    }
    void Assign(std::vector<std::string> lines, bool finalLineEnd = true) {
        lines_ = std::move(lines);
        finalLineEnd_ = finalLineEnd;
    }
    void Reserve(std::size_t n) { lines_.reserve(n); }

    // Whether the text ends with a line end after its last line (meaningless while empty).
    bool FinalLineEnd() const { return finalLineEnd_; }

  private:
    std::vector<std::string> lines_;
    bool finalLineEnd_ = true;
};
