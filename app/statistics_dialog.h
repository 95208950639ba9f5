#pragma once
// "Statystyka": the statistics of the readings in the range the chart shows, with two limits the
// user types, an alarm profile with its rules and excursions, the highest rolling MKT of a window
// length, and a "Kopiuj" button that copies the text shown to the clipboard.
//
// The dialog keeps its own copy of the readings, so the text follows the limits as they are typed
// (a limit that is empty or only a sign counts as none; "," is taken as ".") and the choices as
// they are made. The profiles offered: the plain limits (kLimitsProfileName), the built-in ones,
// then the user's own.
#include <QDialog>
#include <QString>
#include <optional>
#include <vector>

#include "data/alarm_evaluation.h"
#include "data/alarm_profile_file.h"
#include "data/reading_record.h"
#include "data/reading_statistics.h"
#include "data/rolling_mkt.h"

class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

class TStatisticsDialog : public QDialog {
    Q_OBJECT
  public:
    explicit TStatisticsDialog(QWidget* parent = nullptr);

    // What the user chose last, as kept in the settings file.
    struct TChoice {
        QString Low, High;  // the limits as typed
        QString Profile;    // a profile's name; unknown or empty: the plain limits
        QString MktWindow;  // "<n>h" or "<n>d"; empty: no rolling MKT
    };

    // The readings of the data panel (file order), the range of the chart (from and to empty: all
    // readings), the user's own profiles (with the faults of their file, `profileFile` naming it)
    // and the last choice; the text is made for them.
    void Fill(std::vector<readings::TReading> readings, const readings::TStatisticsOptions& range,
              readings::TProfileFileContents ownProfiles, const QString& profileFile, const TChoice& choice);
    TChoice Choice() const;
    // The profile chosen, with the limits as typed for the plain limits' one.
    readings::TAlarmProfile Profile() const;
    // The text shown, as "Kopiuj" copies it.
    QString Text() const;

    QLineEdit* edLow = nullptr;
    QLineEdit* edHigh = nullptr;
    QComboBox* cbProfile = nullptr;    // "Profil"
    QComboBox* cbMktWindow = nullptr;  // "Okno MKT", editable: "24h", "30d" or "<n>h"/"<n>d"
    QPlainTextEdit* memoStats = nullptr;
    QPushButton* btCopy = nullptr;   // "Kopiuj"
    QPushButton* btClose = nullptr;  // "Zamknij"

  private:
    void Recompute();

    void FillProfiles(const QString& chosen);

    std::vector<readings::TReading> readings_;
    readings::TStatisticsOptions range_;
    readings::TProfileFileContents own_;
    QString profileFile_;
};

// The profile `choice` names: a built-in one, else one of `own`, else the plain limits as typed.
readings::TAlarmProfile ChosenProfile(const TStatisticsDialog::TChoice& choice,
                                      const readings::TProfileFileContents& own);

// A limit as typed: blanks around it, "," or "." as decimal point. Empty when it is no number.
std::optional<double> LimitOfText(const QString& text);

// The statistics as the dialog shows them: the range, the interval and the limits; a table with a
// column per channel; the gaps, readings out of order and repeated times, each list cut after
// `listLimit` entries with a line that counts the rest.
QString StatisticsText(const readings::TReadingStatistics& statistics, const readings::TStatisticsOptions& options,
                       std::size_t listLimit = 100);

// The alarm part of the text: the profile's name, a line per rule and channel (triggered or not,
// time beyond, excursions, the longest) with its excursions below it (each list cut after
// `listLimit` entries), the faults of the own profiles' file, then the highest rolling MKT of each
// channel when `rolling` holds any.
QString AlarmText(const readings::TAlarmProfile& profile, const readings::TProfileResult& result,
                  const std::vector<readings::TRollingMkt>& rolling, const QStringList& profileErrors,
                  std::size_t listLimit = 100);
