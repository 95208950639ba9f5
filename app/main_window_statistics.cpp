// TForm1: the statistics of the readings the chart shows, with the limits, the alarm profile and
// the rolling MKT window kept in the settings file, whose "[Profil <name>]" sections are the
// user's own profiles; and that profile's limits and excursions on the chart ("Limity").
#include "app/main_window.h"
#include "app/memo_view.h"
#include "app/statistics_dialog.h"
#include "base/profile_file.h"
#include "chart/profile_limits.h"
#include "data/alarm_evaluation.h"
#include "data/alarm_profile_file.h"
#include "data/reading_gaps.h"
#include "data/reading_record.h"

namespace {

// The settings file's section for the limits the user last entered (texts as typed, empty: none).
constexpr const char* StatisticsSection = "Statystyka";
constexpr const char* LowKey = "Dolna";
constexpr const char* HighKey = "Gorna";
constexpr const char* ProfileKey = "Profil";
constexpr const char* MktWindowKey = "OknoMKT";
const std::string DefaultProfile(readings::kLimitsProfileName);

// The choice last kept in the settings file.
TStatisticsDialog::TChoice KeptChoice(const std::string& settingsFile) {
    const TProfileFile settings(settingsFile);
    const auto read = [&](const char* key, const std::string& def) {
        return QString::fromStdString(settings.ReadString(StatisticsSection, key, def));
    };
    return {read(LowKey, ""), read(HighKey, ""), read(ProfileKey, DefaultProfile), read(MktWindowKey, "")};
}

}  // namespace

readings::TStatisticsOptions TForm1::ShownRange() const {
    readings::TStatisticsOptions range;
    if (!Chart->BottomAxis.AutomaticMinimum()) range.From = Chart->BottomAxis.Minimum();
    if (!Chart->BottomAxis.AutomaticMaximum()) range.To = Chart->BottomAxis.Maximum();
    return range;
}

TForm1::TStatisticsChoice TForm1::ChosenForStatistics() const {
    const TStatisticsDialog::TChoice choice = KeptChoice(SettingsFile());
    return {ChosenProfile(choice, readings::ReadProfileFile(SettingsFile())),
            readings::ParseMktWindow(choice.MktWindow.trimmed().toStdString())};
}

// Opens "Statystyka" for the readings of the data panel within the time range the chart shows
// (all of them while the time axis scales automatically, the zoomed or scrolled range otherwise),
// with the limits last entered. The limits are written back when the dialog closes, if changed.
void TForm1::Statystyka1Click() {
    const readings::TStatisticsOptions range = ShownRange();
    const TStatisticsDialog::TChoice choice = KeptChoice(SettingsFile());
    if (!StatisticsDialog) {
        StatisticsDialog = new TStatisticsDialog(this);
        connect(StatisticsDialog, &QDialog::finished, this, [this] {
            Guarded([this] {
                TProfileFile file(SettingsFile());
                const TStatisticsDialog::TChoice chosen = StatisticsDialog->Choice();
                // Only what changed is written, so an untouched dialog leaves the file as it was.
                const auto keep = [&](const char* key, const QString& value, const std::string& def) {
                    const std::string text = value.trimmed().toStdString();
                    if (file.ReadString(StatisticsSection, key, def) == text) return false;
                    file.WriteString(StatisticsSection, key, text);
                    return true;
                };
                bool profileChanged = keep(LowKey, chosen.Low, "");
                profileChanged |= keep(HighKey, chosen.High, "");
                profileChanged |= keep(ProfileKey, chosen.Profile, DefaultProfile);
                keep(MktWindowKey, chosen.MktWindow, "");
                // The chart's limits are those of the profile chosen here (the plain limits' too).
                if (profileChanged) RefreshLimits();
            });
        });
    }
    StatisticsDialog->Fill(readings::ReadReadings(Memo2->Lines(), LoggerFormat), range,
                           readings::ReadProfileFile(SettingsFile()), QString::fromStdString(SettingsFile()), choice);
    // Window-modal without a nested event loop: the data cannot change while it is shown.
    StatisticsDialog->open();
}

void TForm1::RefreshLimits() {
    TLoggerPlot& plot = Chart->Plot();
    if (!Limity1->isChecked()) {
        plot.ShowLimits({}, {});
        return;
    }
    // Over every reading of the panel, not only the visible range: an excursion keeps its span
    // while the chart is zoomed or scrolled, and the bands need no work on a zoom.
    const std::vector<readings::TReading> all = readings::ReadReadings(Memo2->Lines(), LoggerFormat);
    const std::vector<std::size_t> order = readings::TimeOrder(all);
    // The interval as the statistics find it (the most common spacing), so the excursions are
    // those the dialog lists for the same readings.
    const std::optional<std::int64_t> interval = readings::FindReadingGaps(all, order).IntervalSeconds;
    const readings::TAlarmProfile profile = ChosenForStatistics().Profile;
    ShowProfileLimits(plot, profile, readings::EvaluateProfile(all, order, interval, profile));
}
