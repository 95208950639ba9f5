#pragma once
// "Archiwum": the recordings the archive holds, one row each (model, start, interval, readings
// held, first and last reading time, last download, damaged, not received, conflicts). "Otwórz",
// Enter or a double click on a row asks the window to load that recording; "Zamknij" or Escape
// closes the dialog.
#include <QDialog>
#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

#include "archive/recording.h"

class QLabel;
class QPushButton;
class QTableWidget;

class TArchiveDialog : public QDialog {
    Q_OBJECT
  public:
    explicit TArchiveDialog(QWidget* parent = nullptr);

    // Shows `recordings` (in the order given) as found in the archive file `location`; the first
    // row is chosen.
    void Fill(const std::vector<archive::TRecordingSummary>& recordings, const QString& location);
    // The chosen recording; none while the list is empty.
    std::optional<archive::TRecordingSummary> ChosenRecording() const;
    // The texts of one row as shown, for tests and screen readers alike.
    QStringList RowTexts(int row) const;

    QTableWidget* tbRecordings = nullptr;
    QLabel* lbLocation = nullptr;
    QPushButton* btOpen = nullptr;   // "Otwórz"
    QPushButton* btClose = nullptr;  // "Zamknij"

  signals:
    // The user chose to open this recording; the dialog has closed.
    void OpenRequested(const archive::TRecordingSummary& recording);

  private:
    void OpenChosen();

    std::vector<archive::TRecordingSummary> recordings_;  // one per row
};

// "hh:nn:ss" of an interval in seconds; hours run past 23 for intervals of a day or more.
QString IntervalText(std::int64_t seconds);
