#pragma once
// The alarm profile that --profile names (stats, report): a built-in profile, one of the user's
// own in the settings file, the plain limits ("limits", from --low and --high), or a profile file.
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "data/alarm_profile.h"
#include "data/alarm_profile_file.h"

namespace cli {

enum class TProfileSource { BuiltIn, Own, Limits, File };

struct TProfileLookup {
    std::optional<readings::TAlarmProfile> Profile;  // empty: not found, or the file is faulty
    TProfileSource Source = TProfileSource::BuiltIn;
    // File: the fault of the profile file named (Profile empty). Otherwise the faults of the own
    // profiles in the settings file, which may be why a name was not found.
    std::vector<readings::TProfileError> Errors;
    // Whether `name` was found at all: false when it is no profile's name and no file.
    bool Found() const { return Profile.has_value() || Source == TProfileSource::File; }
};

// Looks `name` up as a built-in profile first (ASCII case ignored), then as the plain limits,
// then among the own profiles of `settingsFile` (empty: none), then as a profile file read with
// ReadSingleProfile. A file that exists but cannot be read throws EFileError.
TProfileLookup LookUpProfile(const std::string& name, const std::string& settingsFile,
                             const readings::TTemperatureLimits& limits);

// The profile `name` names for a command, looked up with LookUpProfile. When it is not found or
// its file is faulty, says why on `err` (a line each, the faulty own profiles that may be meant
// too), sets `status` (ExitUsage for an unknown name, ExitFileOrPort for a faulty file) and
// returns nothing.
std::optional<readings::TAlarmProfile> ChosenProfile(const std::string& name, const std::string& settingsFile,
                                                     const readings::TTemperatureLimits& limits, std::ostream& err,
                                                     int& status);

}  // namespace cli
