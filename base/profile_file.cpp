#include "base/profile_file.h"

#include <cerrno>
#include <climits>
#include <cstdint>
#include <vector>

#include "base/atomic_file.h"
#include "base/errors.h"

namespace {

constexpr std::size_t kMaxValueLength = 2047;

std::string_view Trim(std::string_view s) {
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!s.empty() && blank(s.front())) s.remove_prefix(1);
    while (!s.empty() && blank(s.back())) s.remove_suffix(1);
    return s;
}

bool SameText(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

// One line of the file: its text without the line end, and the line end exactly as it stood
// ("\n", "\r\n", "\r" or nothing for a last line that has no LF), so that a write gives every
// line it does not change back byte for byte.
struct Line {
    std::string text;
    std::string end;
};

struct Lines {
    std::vector<Line> lines;
    std::string eol = "\n";  // the line end of lines the write adds: that of the file's first line
};

// Lines end at LF; one CR before the LF (or at the very end of the file) belongs to the line end.
Lines Split(const std::string& data) {
    Lines out;
    const auto firstLf = data.find('\n');
    if (firstLf != std::string::npos && firstLf > 0 && data[firstLf - 1] == '\r') out.eol = "\r\n";
    std::size_t start = 0;
    while (start < data.size()) {
        const auto lf = data.find('\n', start);
        const std::size_t stop = lf == std::string::npos ? data.size() : lf;
        Line line{data.substr(start, stop - start), lf == std::string::npos ? "" : "\n"};
        if (!line.text.empty() && line.text.back() == '\r') {
            line.text.pop_back();
            line.end.insert(0, 1, '\r');
        }
        out.lines.push_back(std::move(line));
        start = stop + 1;
    }
    return out;
}

std::string Join(const Lines& file) {
    std::string out;
    for (const Line& line : file.lines) out += line.text + line.end;
    return out;
}

// Inserts a line at `at`. A line inserted after a last line without an LF gives that line one,
// keeping the bytes it had (a lone CR there becomes CR LF).
void InsertLine(Lines& file, std::size_t at, std::string text) {
    if (at > 0 && at == file.lines.size()) {
        std::string& end = file.lines[at - 1].end;
        if (end.empty()) end = file.eol;
        if (end == "\r") end = "\r\n";
    }
    file.lines.insert(file.lines.begin() + static_cast<std::ptrdiff_t>(at), Line{std::move(text), file.eol});
}

// The section name of a "[name]" line, or nullopt-like false.
bool SectionName(std::string_view line, std::string_view& name) {
    line = Trim(line);
    if (line.empty() || line.front() != '[') return false;
    const auto close = line.find(']');
    name = Trim(line.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1));
    return true;
}

bool KeyOf(std::string_view line, std::string_view& key, std::string_view& value) {
    const auto eq = line.find('=');
    if (eq == std::string_view::npos) return false;
    key = Trim(line.substr(0, eq));
    value = Trim(line.substr(eq + 1));
    return true;
}

// Index range [begin, end) of the lines of the first section with this name; begin is the header.
bool FindSection(const std::vector<Line>& lines, std::string_view section, std::size_t& begin, std::size_t& end) {
    std::string_view name;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (SectionName(lines[i].text, name) && SameText(name, section)) {
            begin = i;
            end = i + 1;
            while (end < lines.size() && !SectionName(lines[end].text, name)) ++end;
            return true;
        }
    }
    return false;
}

bool ReadFileIfAny(const std::string& path, std::string& data) {
    try {
        data = ReadWholeFile(path);
        return true;
    } catch (const EFileError&) {
        return false;
    }
}

// Integer text: optional sign, then decimal digits or "$" and hex digits.
bool ParseInteger(std::string_view s, int& out) {
    if (s.empty()) return false;
    bool negative = false;
    if (s.front() == '+' || s.front() == '-') {
        negative = s.front() == '-';
        s.remove_prefix(1);
    }
    bool hex = false;
    if (!s.empty() && s.front() == '$') {
        hex = true;
        s.remove_prefix(1);
    }
    if (s.empty()) return false;
    std::uint64_t v = 0;
    for (char c : s) {
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (hex && c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (hex && c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            return false;
        v = v * (hex ? 16 : 10) + static_cast<std::uint64_t>(digit);
        if (v > (hex ? 0xFFFFFFFFull : 0x80000000ull)) return false;
    }
    std::int64_t signedValue;
    if (hex) {
        // Hexadecimal fills the 32 bits as they stand ("$FFFFFFFF" is -1).
        signedValue = static_cast<std::int32_t>(static_cast<std::uint32_t>(v));
    } else {
        signedValue = static_cast<std::int64_t>(v);
    }
    if (negative) signedValue = -signedValue;
    if (signedValue < INT_MIN || signedValue > INT_MAX) return false;
    out = static_cast<int>(signedValue);
    return true;
}

}  // namespace

TProfileFile::TProfileFile(std::string path) : path_(std::move(path)) {}

std::string TProfileFile::ReadString(std::string_view section, std::string_view key, std::string_view def) const {
    std::string data;
    std::string result(def);
    if (ReadFileIfAny(path_, data)) {
        const Lines file = Split(data);
        std::size_t begin = 0, end = 0;
        if (FindSection(file.lines, section, begin, end)) {
            for (std::size_t i = begin + 1; i < end; ++i) {
                std::string_view k, v;
                if (KeyOf(file.lines[i].text, k, v) && SameText(k, key)) {
                    // One pair of enclosing quotes is not part of the value.
                    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) {
                        v = v.substr(1, v.size() - 2);
                    }
                    result.assign(v);
                    break;
                }
            }
        }
    }
    if (result.size() > kMaxValueLength) result.resize(kMaxValueLength);
    return result;
}

std::vector<TProfileSection> TProfileFile::ReadSectionNames() const {
    std::vector<TProfileSection> sections;
    std::string data;
    if (!ReadFileIfAny(path_, data)) return sections;
    const Lines file = Split(data);
    std::string_view name;
    for (std::size_t i = 0; i < file.lines.size(); ++i)
        if (SectionName(file.lines[i].text, name)) sections.push_back({std::string(name), i + 1});
    return sections;
}

std::vector<TProfileLine> TProfileFile::ReadSection(std::string_view section, std::size_t* headerLine) const {
    std::vector<TProfileLine> result;
    if (headerLine) *headerLine = 0;
    std::string data;
    if (!ReadFileIfAny(path_, data)) return result;
    const Lines file = Split(data);
    std::size_t begin = 0, end = 0;
    if (!FindSection(file.lines, section, begin, end)) return result;
    if (headerLine) *headerLine = begin + 1;
    for (std::size_t i = begin + 1; i < end; ++i) {
        const std::string_view text = Trim(file.lines[i].text);
        if (text.empty() || text.front() == ';') continue;
        TProfileLine line;
        line.Number = i + 1;
        line.Text.assign(text);
        std::string_view k, v;
        if (KeyOf(text, k, v)) {
            line.IsEntry = true;
            line.Key.assign(k);
            line.Value.assign(v);
        }
        result.push_back(std::move(line));
    }
    return result;
}

int TProfileFile::ReadInteger(std::string_view section, std::string_view key, int def) const {
    std::string text = ReadString(section, key, "");
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) text = "$" + text.substr(2);
    int value = 0;
    return ParseInteger(text, value) ? value : def;
}

void TProfileFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
    std::string data;
    Lines file;
    if (ReadFileIfAny(path_, data)) file = Split(data);

    std::string entry = std::string(key) + "=" + std::string(value);
    std::size_t begin = 0, end = 0;
    if (FindSection(file.lines, section, begin, end)) {
        bool replaced = false;
        for (std::size_t i = begin + 1; i < end && !replaced; ++i) {
            std::string_view k, v;
            if (KeyOf(file.lines[i].text, k, v) && SameText(k, key)) {
                file.lines[i].text = std::move(entry);
                replaced = true;
            }
        }
        if (!replaced) {
            // New keys go after the last non-blank line of their section.
            std::size_t at = end;
            while (at > begin + 1 && Trim(file.lines[at - 1].text).empty()) --at;
            InsertLine(file, at, std::move(entry));
        }
    } else {
        InsertLine(file, file.lines.size(), "[" + std::string(section) + "]");
        InsertLine(file, file.lines.size(), std::move(entry));
    }

    const std::string out = Join(file);
    try {
        WriteFileAtomically(path_, out);
    } catch (const EFileError&) {
        throw ESettingsError("Unable to write to " + path_);
    }
}

void TProfileFile::WriteInteger(std::string_view section, std::string_view key, int value) {
    WriteString(section, key, std::to_string(value));
}

std::string SettingsPathFor(std::string_view executablePath) {
    std::string path(executablePath);
    const auto slash = path.rfind('/');
    const auto dot = path.rfind('.');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) path.erase(dot);
    return path + ".INI";
}
