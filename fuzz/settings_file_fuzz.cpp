// The settings file: load arbitrary bytes, write a key, reload. The value reads back, and every
// line the write does not change keeps its bytes: the new file is the old one with one line
// replaced by the entry (keeping its line end) or with the entry, or a new section and the
// entry, put in at one place; a last line without an LF may gain one in front of them.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/atomic_file.h"
#include "base/profile_file.h"
#include "fuzz/fuzz_file.h"
#include "fuzz/fuzz_input.h"

namespace {

// A name or value the profile functions can give back as it was: no line break, none of
// `forbidden`, no blanks at either end, not empty; a key does not begin with "[" (it would make
// its line a section header).
std::string Clean(const std::string& s, std::string_view forbidden, bool key = false) {
    std::string out;
    for (char c : s)
        if (c != '\r' && c != '\n' && forbidden.find(c) == std::string_view::npos) out += c;
    auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!out.empty() && (blank(out.front()) || (key && out.front() == '['))) out.erase(0, 1);
    while (!out.empty() && blank(out.back())) out.pop_back();
    return out.empty() ? std::string("k") : out;
}

// Lines with their line ends (each up to and with its LF; the last may have none).
std::vector<std::string> RawLines(const std::string& bytes) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < bytes.size()) {
        const std::size_t lf = bytes.find('\n', start);
        const std::size_t end = lf == std::string::npos ? bytes.size() : lf + 1;
        lines.push_back(bytes.substr(start, end - start));
        start = end;
    }
    return lines;
}

bool StartsWith(const std::string& s, const std::string& prefix) { return s.compare(0, prefix.size(), prefix) == 0; }

void CheckOnlyTheEntryChanged(const std::string& before, const std::string& after, const std::string& entry,
                              const std::string& header) {
    const std::vector<std::string> o = RawLines(before), n = RawLines(after);
    std::size_t head = 0;
    while (head < o.size() && head < n.size() && o[head] == n[head]) ++head;
    std::size_t tail = 0;
    while (tail < o.size() - head && tail < n.size() - head && o[o.size() - 1 - tail] == n[n.size() - 1 - tail]) ++tail;
    std::vector<std::string> oldMid(o.begin() + head, o.end() - tail), newMid(n.begin() + head, n.end() - tail);
    if (oldMid.empty() && newMid.empty()) return;  // the line held the entry already

    if (oldMid.size() == 1 && newMid.size() == 1 && StartsWith(newMid[0], entry)) {
        // Replaced: the entry with the old line's end.
        const std::string& line = oldMid[0];
        std::size_t endAt = line.size();
        if (endAt > 0 && line[endAt - 1] == '\n') --endAt;
        if (endAt > 0 && line[endAt - 1] == '\r') --endAt;
        if (newMid[0] != entry + line.substr(endAt)) std::abort();
        return;
    }
    // Inserted, after the old last line (which may have gained an LF) or between lines.
    if (oldMid.size() == 1) {
        if (!(o.size() == head + 1 && !newMid.empty() && StartsWith(newMid[0], oldMid[0]) &&
              oldMid[0].find('\n') == std::string::npos))
            std::abort();
        const std::string added = newMid[0].substr(oldMid[0].size());
        if (added != "\n" && added != "\r\n") std::abort();
        newMid.erase(newMid.begin());
    } else if (!oldMid.empty()) {
        std::abort();
    }
    auto isLine = [](const std::string& got, const std::string& text) {
        return got == text + "\n" || got == text + "\r\n";
    };
    if (newMid.size() == 1 && isLine(newMid[0], entry)) return;
    if (newMid.size() == 2 && isLine(newMid[0], header) && isLine(newMid[1], entry)) return;
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    TFuzzInput in(data, size);
    const std::string section = Clean(in.Text(16), "]");
    const std::string key = Clean(in.Text(16), "=", true);
    std::string value = Clean(in.Text(40), "");
    // Enclosing quotes are not part of a value, nor are blanks before the closing one.
    while ((value.front() == '"' || value.front() == '\'') && value.size() >= 2 && value.back() == value.front())
        value = Clean(value.substr(0, value.size() - 1), "");
    const std::string before = in.Rest();

    const std::string path = FuzzFilePath("prog.INI");
    WriteFileAtomically(path, before);
    TProfileFile ini(path);
    ini.WriteString(section, key, value);
    if (ini.ReadString(section, key, "\x01") != value) std::abort();
    CheckOnlyTheEntryChanged(before, ReadWholeFile(path), key + "=" + value, "[" + section + "]");
    return 0;
}
