#include "data/data_file.h"

#include <cstring>
#include <vector>

#include "base/atomic_file.h"

namespace readings {

TLineStore SplitTextLines(std::string_view bytes) {
    const std::size_t nul = bytes.find('\0');
    if (nul != std::string_view::npos) bytes = bytes.substr(0, nul);

    std::vector<std::string> lines;
    const char* p = bytes.data();
    const char* const end = p + bytes.size();
    bool finalLineEnd = true;
    while (p < end) {
        const char* q = p;
        while (q < end && *q != '\r' && *q != '\n') ++q;
        lines.emplace_back(p, q);
        if (q == end) {
            finalLineEnd = false;
            break;
        }
        // CR LF is one line end; a lone CR or a lone LF is one too.
        q += (*q == '\r' && q + 1 < end && q[1] == '\n') ? 2 : 1;
        p = q;
    }
    TLineStore store;
    store.Assign(std::move(lines), finalLineEnd);
    return store;
}

std::string JoinTextLines(const TLineStore& lines) {
    std::size_t total = 0;
    for (const std::string& line : lines.Lines()) total += line.size() + 2;
    std::string text;
    text.reserve(total);
    for (std::size_t i = 0; i < lines.Count(); ++i) {
        text += lines[i];
        if (i + 1 < lines.Count() || lines.FinalLineEnd()) text += "\r\n";
    }
    return text;
}

TLineStore LoadDataFile(const std::string& path) { return SplitTextLines(ReadWholeFile(path)); }

void SaveLinesFile(const std::string& path, const TLineStore& lines) { WriteFileAtomically(path, JoinTextLines(lines)); }

}  // namespace readings
