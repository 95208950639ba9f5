#pragma once
// The lines of a text panel: byte strings (code page 1250) without line ends. The data panel is a
// view over one of these; the series of the chart are always derived from its lines.
#include <cstddef>
#include <string>
#include <vector>

class TLineStore {
public:
    std::size_t Count() const { return lines_.size(); }
    bool Empty() const { return lines_.empty(); }
    const std::string& operator[](std::size_t i) const { return lines_[i]; }
    const std::vector<std::string>& Lines() const { return lines_; }

    void Append(std::string line) { lines_.push_back(std::move(line)); }
    void Clear() { lines_.clear(); }
    void Assign(std::vector<std::string> lines) { lines_ = std::move(lines); }
    void Reserve(std::size_t n) { lines_.reserve(n); }

private:
    std::vector<std::string> lines_;
};
