#pragma once
// Error types that end a user action and reach the general error report.
// Each carries the exact text the user sees (what()).
#include <stdexcept>
#include <string>

// A text that is not a valid date-time or time ("'%s' is not a valid date and time").
class EConvertError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The settings file could not be written ("Unable to write to %s").
class ESettingsError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// A file could not be opened, read or written; the text names the file and the OS reason.
class EFileError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The system list of serial ports could not be read as it should (bad entry data).
class ERegistryError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};
