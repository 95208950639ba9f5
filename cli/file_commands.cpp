#include "cli/file_commands.h"

#include <ostream>

#include "base/atomic_file.h"
#include "cli/cli_run.h"
#include "cli/profile_lookup.h"
#include "cli/stats_report.h"
#include "data/data_file.h"
#include "data/reading_export.h"
#include "data/reading_gaps.h"
#include "data/reading_record.h"

namespace cli {

std::string ExportNote(const readings::TExportCounts& counts, const std::string& output) {
    std::string note = std::to_string(counts.Readings) + (counts.Readings == 1 ? " reading" : " readings");
    if (!output.empty()) note += " written to " + output;
    note += ", " + std::to_string(counts.Skipped) + (counts.Skipped == 1 ? " line" : " lines") + " skipped";
    // Such times take the offset before the change of the clocks; the user should know.
    if (counts.InGap > 0 || counts.InFold > 0)
        note += "; " + std::to_string(counts.InGap) + " times in a gap and " + std::to_string(counts.InFold) +
                " in a fold of the clocks, written with the offset before the change";
    return note;
}

int RunConvert(const TCliOptions& options, const TLineStore& lines, std::ostream& out, std::ostream& err) {
    readings::TExportCounts counts;
    // The command line made sure of a table format.
    const std::string text = readings::ExportReadings(lines, *options.Table(), &counts);
    if (options.Output.empty())
        out << text;
    else
        WriteFileAtomically(options.Output, text);
    if (!options.Quiet) err << ExportNote(counts, options.Output) << "\n";
    return ExitOk;
}

int RunStats(const TCliOptions& options, const TLineStore& lines, const std::string& source,
             const std::string& settingsFile, std::ostream& out, std::ostream& err) {
    std::optional<readings::TAlarmProfile> profile;
    // A wrong profile name is told before any output.
    if (!options.Profile.empty()) {
        int status = ExitOk;
        profile = ChosenProfile(options.Profile, settingsFile, {options.Low, options.High}, err, status);
        if (!profile) return status;
    }

    const LoggerFormat format;
    TStatsReport report;
    report.File = source;
    report.Lines = lines.Count();
    const std::vector<readings::TReading> all = readings::ReadReadings(lines, format);
    report.Readings = all.size();
    report.Options.Limits = {options.Low, options.High};
    // The texts were checked with the command line.
    if (options.From) report.Options.From = format.TextToDateTime(*options.From);
    if (options.To) report.Options.To = format.TextToDateTime(*options.To);
    report.Statistics = readings::ComputeStatistics(all, report.Options);
    if (profile || options.MktWindowSeconds) {
        const std::vector<readings::TReading> taken = readings::ReadingsInRange(all, report.Options);
        const std::vector<std::size_t> order = readings::TimeOrder(taken);
        const std::optional<std::int64_t> interval = report.Statistics.Gaps.IntervalSeconds;
        if (profile) report.Alarms = readings::EvaluateProfile(taken, order, interval, *profile);
        report.Profile = std::move(profile);
        if (options.MktWindowSeconds)
            for (float readings::TReading::*channel : {&readings::TReading::Channel1, &readings::TReading::Channel2})
                report.Rolling.push_back(
                    readings::HighestRollingMkt(taken, order, channel, interval, *options.MktWindowSeconds));
    }
    out << (options.Json ? FormatStatsJson(report) : FormatStatsText(report));
    return options.FailOnAlarm && report.Alarms.AnyTriggered() ? ExitAlarm : ExitOk;
}

}  // namespace cli
