#pragma once
// The settings file: an INI file read and written like the Windows profile functions.
//
// Sections and keys match without regard to (ASCII) case. A missing file, section or key gives
// the default. A write creates the file, the section or the key where needed and keeps every
// other line, and the order of all lines, as it was. No handle is held between calls.
#include <string>
#include <string_view>

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

    // Throws ESettingsError "Unable to write to <path>" when the file cannot be written.
    void WriteString(std::string_view section, std::string_view key, std::string_view value);
    void WriteInteger(std::string_view section, std::string_view key, int value);

  private:
    std::string path_;
};

// The settings file of an executable: its path with the extension replaced by ".INI"
// (appended when the file name has none).
std::string SettingsPathFor(std::string_view executablePath);
