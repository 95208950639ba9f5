#pragma once
// Profiles of the user's own in an INI file: the settings file, or a file named on its own.
//
// Each section "[Profil <name>]" is a profile; every "key=value" line in it is a rule, in file
// order (the key names it for the reader, e.g. "Regula1"; the program does not use it):
//
//     [Profil chłodnia]
//     Regula1 = 1 > 8 consecutive 30min | above 8 °C for 30 min at a time
//     Regula2 = both < 2 single
//
// The value: channel ("1", "2" or "both"), comparison (">", ">=", "<", "<="), limit in degrees
// Celsius ("." as decimal point, as a reading's temperature), kind ("single", "consecutive",
// "cumulative"), a duration for the last two ("90s", "30min", "10h", "2d"), then optionally
// "|" and a label. Other sections are left alone; a ";" line is a comment.
//
// A profile with any fault is not read at all, so a rule is never silently different from the
// one written: the fault is reported with its line.
#include <cstddef>
#include <string>
#include <vector>

#include "data/alarm_profile.h"

namespace readings {

// The prefix of a profile's section name.
inline constexpr std::string_view kProfileSectionPrefix = "Profil ";

enum class TProfileProblem {
    NotARule,          // a line of a profile section that is no "key=value"
    BadChannel,        // Text: the word found
    BadCompare,
    BadLimit,
    BadKind,
    BadDuration,       // missing, malformed, 0 or too long
    UnexpectedDuration,  // a duration after "single"
    TrailingText,      // words after the rule that are no "|" label
    NoRules,           // an empty profile section (Line: its header)
    NoName,            // "[Profil ]"
    ReservedName,      // the name of a built-in profile or of the plain limits
    RepeatedName,      // a second section of the same profile name
    NoProfile,         // a profile file named on its own has no profile section (Line 0)
    SeveralProfiles,   // ... or more than one (Line: the second header)
};

struct TProfileError {
    std::size_t Line = 0;  // from 1; 0: the file as a whole
    TProfileProblem Problem = TProfileProblem::NotARule;
    std::string Text;  // the word or line at fault (UTF-8)

    bool operator==(const TProfileError&) const = default;
};

struct TProfileFileContents {
    std::vector<TAlarmProfile> Profiles;  // in file order, the faultless ones
    std::vector<TProfileError> Errors;    // in line order
};

// The rule of one value as written in a profile section; empty (and `error` filled, its Line 0)
// when it is malformed.
std::optional<TAlarmRule> ParseAlarmRule(std::string_view value, TProfileError& error);

// A rule as a profile file's value holds it: "1 >= 30 cumulative 10h | label". ParseAlarmRule
// gives the same rule back for every rule it gave.
std::string AlarmRuleValue(const TAlarmRule& rule);

// The profiles of the INI file at `path`; a missing file has none and no error.
TProfileFileContents ReadProfileFile(const std::string& path);

// The one profile of a file named on its own (--profile FILE): its only profile section, else an
// error (NoProfile, SeveralProfiles or the first fault of that profile).
std::optional<TAlarmProfile> ReadSingleProfile(const std::string& path, TProfileError& error);

// The English text of a fault, naming the file and the line: "profiles.ini, line 4: 'sometimes'
// is not a kind of rule (single, consecutive, cumulative)".
std::string ProfileErrorText(const std::string& path, const TProfileError& error);

}  // namespace readings
