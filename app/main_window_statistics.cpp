// TForm1: the statistics of the readings the chart shows, with limits kept in the settings file.
#include "app/main_window.h"
#include "app/memo_view.h"
#include "app/statistics_dialog.h"
#include "base/profile_file.h"
#include "data/reading_record.h"

namespace {

// The settings file's section for the limits the user last entered (texts as typed, empty: none).
constexpr const char* StatisticsSection = "Statystyka";
constexpr const char* LowKey = "Dolna";
constexpr const char* HighKey = "Gorna";

}  // namespace

// Opens "Statystyka" for the readings of the data panel within the time range the chart shows
// (all of them while the time axis scales automatically, the zoomed or scrolled range otherwise),
// with the limits last entered. The limits are written back when the dialog closes, if changed.
void TForm1::Statystyka1Click() {
    readings::TStatisticsOptions range;
    if (!Chart->BottomAxis.AutomaticMinimum()) range.From = Chart->BottomAxis.Minimum();
    if (!Chart->BottomAxis.AutomaticMaximum()) range.To = Chart->BottomAxis.Maximum();

    const TProfileFile settings(SettingsFile());
    const QString low = QString::fromStdString(settings.ReadString(StatisticsSection, LowKey, ""));
    const QString high = QString::fromStdString(settings.ReadString(StatisticsSection, HighKey, ""));
    if (!StatisticsDialog) {
        StatisticsDialog = new TStatisticsDialog(this);
        connect(StatisticsDialog, &QDialog::finished, this, [this] {
            Guarded([this] {
                TProfileFile file(SettingsFile());
                const std::string low = StatisticsDialog->LowText().trimmed().toStdString();
                const std::string high = StatisticsDialog->HighText().trimmed().toStdString();
                if (file.ReadString(StatisticsSection, LowKey, "") != low)
                    file.WriteString(StatisticsSection, LowKey, low);
                if (file.ReadString(StatisticsSection, HighKey, "") != high)
                    file.WriteString(StatisticsSection, HighKey, high);
            });
        });
    }
    StatisticsDialog->Fill(readings::ReadReadings(Memo2->Lines(), LoggerFormat), range, low, high);
    // Window-modal without a nested event loop: the data cannot change while it is shown.
    StatisticsDialog->open();
}
