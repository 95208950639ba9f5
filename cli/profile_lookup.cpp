#include "cli/profile_lookup.h"

#include <filesystem>
#include <ostream>
#include <system_error>

#include "base/atomic_file.h"
#include "cli/cli_run.h"

namespace cli {

TProfileLookup LookUpProfile(const std::string& name, const std::string& settingsFile,
                             const readings::TTemperatureLimits& limits) {
    TProfileLookup found;
    if (const readings::TAlarmProfile* builtIn = readings::FindBuiltInProfile(name)) {
        found.Profile = *builtIn;
        return found;
    }
    if (readings::SameProfileName(name, readings::kLimitsProfileName)) {
        found.Source = TProfileSource::Limits;
        found.Profile = readings::LimitsProfile(limits);
        return found;
    }
    if (!settingsFile.empty()) {
        readings::TProfileFileContents own = readings::ReadProfileFile(settingsFile);
        found.Errors = std::move(own.Errors);
        for (readings::TAlarmProfile& p : own.Profiles) {
            if (readings::SameProfileName(p.Name, name)) {
                found.Source = TProfileSource::Own;
                found.Profile = std::move(p);
                return found;
            }
        }
    }
    std::error_code error;
    if (name.empty() || !std::filesystem::exists(name, error)) return found;
    // A file that is there but cannot be read (a folder, no permission) is a file error, not a
    // profile without sections.
    ReadWholeFile(name);
    TProfileLookup file;
    file.Source = TProfileSource::File;
    readings::TProfileError fault;
    file.Profile = readings::ReadSingleProfile(name, fault);
    if (!file.Profile) file.Errors.push_back(fault);
    return file;
}

std::optional<readings::TAlarmProfile> ChosenProfile(const std::string& name, const std::string& settingsFile,
                                                     const readings::TTemperatureLimits& limits, std::ostream& err,
                                                     int& status) {
    const TProfileLookup lookup = LookUpProfile(name, settingsFile, limits);
    if (lookup.Source == TProfileSource::File && !lookup.Profile) {
        err << "lorv304d-cli: " << readings::ProfileErrorText(name, lookup.Errors.front()) << "\n";
        status = ExitFileOrPort;
        return std::nullopt;
    }
    if (!lookup.Found()) {
        err << "lorv304d-cli: '" << name << "' is no built-in or own profile and no profile file\n";
        // A faulty own profile is not read; its fault may be why the name is unknown.
        for (const readings::TProfileError& e : lookup.Errors)
            err << "lorv304d-cli: " << readings::ProfileErrorText(settingsFile, e) << "\n";
        status = ExitUsage;
        return std::nullopt;
    }
    return lookup.Profile;
}

}  // namespace cli
