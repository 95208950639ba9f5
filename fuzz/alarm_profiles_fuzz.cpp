// Own alarm profiles: arbitrary bytes as a profile file. Every fault names a line of the file,
// every profile read has rules, and each rule written back as a value parses to the same rule.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "base/atomic_file.h"
#include "data/alarm_profile_file.h"
#include "fuzz/fuzz_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const char* path = FuzzFilePath("profiles.INI");
    WriteFileAtomically(path, bytes);
    std::size_t lines = 0;
    for (const char c : bytes) lines += c == '\n';
    if (!bytes.empty() && bytes.back() != '\n') ++lines;

    const readings::TProfileFileContents contents = readings::ReadProfileFile(path);
    for (const readings::TProfileError& e : contents.Errors)
        if (e.Line == 0 || e.Line > lines || readings::ProfileErrorText(path, e).empty()) std::abort();
    for (const readings::TAlarmProfile& profile : contents.Profiles) {
        if (profile.Rules.empty() || profile.Name.empty()) std::abort();
        for (const readings::TAlarmRule& rule : profile.Rules) {
            if ((rule.Kind == readings::TRuleKind::Single) != (rule.DurationSeconds == 0)) std::abort();
            readings::TProfileError error;
            const auto again = readings::ParseAlarmRule(readings::AlarmRuleValue(rule), error);
            if (!again || !(*again == rule)) std::abort();
        }
    }
    return 0;
}
