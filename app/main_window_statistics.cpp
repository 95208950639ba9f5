// TForm1: the statistics of the readings the chart shows, with the limits, the alarm profile and
// the rolling MKT window kept in the settings file, whose "[Profil <name>]" sections are the
// user's own profiles.
#include "app/main_window.h"
#include "app/memo_view.h"
#include "app/statistics_dialog.h"
#include "base/profile_file.h"
#include "data/alarm_profile_file.h"
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
                    if (file.ReadString(StatisticsSection, key, def) != text)
                        file.WriteString(StatisticsSection, key, text);
                };
                keep(LowKey, chosen.Low, "");
                keep(HighKey, chosen.High, "");
                keep(ProfileKey, chosen.Profile, DefaultProfile);
                keep(MktWindowKey, chosen.MktWindow, "");
            });
        });
    }
    StatisticsDialog->Fill(readings::ReadReadings(Memo2->Lines(), LoggerFormat), range,
                           readings::ReadProfileFile(SettingsFile()), QString::fromStdString(SettingsFile()), choice);
    // Window-modal without a nested event loop: the data cannot change while it is shown.
    StatisticsDialog->open();
}
