#pragma once
// "Statystyka": the statistics of the readings in the range the chart shows, with two limits the
// user types and a "Kopiuj" button that copies the text shown to the clipboard.
//
// The dialog keeps its own copy of the readings, so the text follows the limits as they are typed
// (a limit that is empty or only a sign counts as none; "," is taken as ".").
#include <QDialog>
#include <QString>
#include <optional>
#include <vector>

#include "data/reading_record.h"
#include "data/reading_statistics.h"

class QLineEdit;
class QPlainTextEdit;
class QPushButton;

class TStatisticsDialog : public QDialog {
    Q_OBJECT
  public:
    explicit TStatisticsDialog(QWidget* parent = nullptr);

    // The readings of the data panel (file order), the range of the chart (from and to empty: all
    // readings) and the limit texts as remembered; the text is made for them.
    void Fill(std::vector<readings::TReading> readings, const readings::TStatisticsOptions& range, const QString& low,
              const QString& high);
    QString LowText() const;
    QString HighText() const;
    // The text shown, as "Kopiuj" copies it.
    QString Text() const;

    QLineEdit* edLow = nullptr;
    QLineEdit* edHigh = nullptr;
    QPlainTextEdit* memoStats = nullptr;
    QPushButton* btCopy = nullptr;   // "Kopiuj"
    QPushButton* btClose = nullptr;  // "Zamknij"

  private:
    void Recompute();

    std::vector<readings::TReading> readings_;
    readings::TStatisticsOptions range_;
};

// A limit as typed: blanks around it, "," or "." as decimal point. Empty when it is no number.
std::optional<double> LimitOfText(const QString& text);

// The statistics as the dialog shows them: the range, the interval and the limits; a table with a
// column per channel; the gaps, readings out of order and repeated times, each list cut after
// `listLimit` entries with a line that counts the rest.
QString StatisticsText(const readings::TReadingStatistics& statistics, const readings::TStatisticsOptions& options,
                       std::size_t listLimit = 100);
