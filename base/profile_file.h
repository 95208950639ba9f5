#pragma once
// The settings file: an INI file read and written like the Windows profile functions.
//
// Sections and keys match without regard to (ASCII) case. A missing file, section or key gives
// the default. A write creates the file, the section or the key where needed and keeps every
// other line, and the order of all lines, as it was. No handle is held between calls.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// One line of a section as ReadSection gives it: its number in the file (from 1) and, for a
// "key=value" line, the key and the value (blanks around both dropped, quotes kept).
struct TProfileLine {
    std::size_t Number = 0;
    std::string Text;  // the whole line, blanks around it dropped
    bool IsEntry = false;
    std::string Key, Value;
};

// A section header: its name as written and its line number (from 1).
struct TProfileSection {
    std::string Name;
    std::size_t Line = 0;

    bool operator==(const TProfileSection&) const = default;
};

class TProfileFile {
  public:
    explicit TProfileFile(std::string path);

    const std::string& Path() const { return path_; }

    // Text value up to 2047 characters (longer values are cut); surrounding blanks and one pair
    // of enclosing quotes are dropped as the profile functions do.
    std::string ReadString(std::string_view section, std::string_view key, std::string_view def) const;
    // Decimal, or hexadecimal after "0x"/"0X" when the value is longer than two characters.
    // A value that is not an integer gives `def` silently.
    int ReadInteger(std::string_view section, std::string_view key, int def) const;

    // Every section header in file order, a repeated name as often as it stands. (The other
    // functions read the first section of a name only.)
    std::vector<TProfileSection> ReadSectionNames() const;
    // The lines of the first section named `section` after its header, in file order, without
    // blank lines and ";" comments; empty for a missing file or section. `headerLine` (when not
    // null) gets the number of the header line, 0 when there is none.
    std::vector<TProfileLine> ReadSection(std::string_view section, std::size_t* headerLine = nullptr) const;

    // Throws ESettingsError "Unable to write to <path>" when the file cannot be written.
    void WriteString(std::string_view section, std::string_view key, std::string_view value);
    void WriteInteger(std::string_view section, std::string_view key, int value);

  private:
    std::string path_;
};

// The settings file of an executable: its path with the extension replaced by ".INI"
// (appended when the file name has none).
std::string SettingsPathFor(std::string_view executablePath);
