#include "app/archive_dialog.h"

#include <QDateTime>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "base/cp1250.h"
#include "base/logger_format.h"

namespace {

// A time of the logger's clock, always with its time of day (the list reads better in columns).
QString TimeText(TDateTime t) {
    const LoggerFormat format;
    return QString::fromStdString(format.DateToText(t) + " " + format.TimeToText(t));
}

QString OptionalTime(const std::optional<TDateTime>& t) { return t ? TimeText(*t) : QStringLiteral("---"); }

// A moment of the computer's clock (UTC seconds) in this computer's local time.
QString LocalTimeText(std::int64_t unixSeconds) {
    return QDateTime::fromSecsSinceEpoch(unixSeconds).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

}  // namespace

QString IntervalText(std::int64_t seconds) {
    return QStringLiteral("%1:%2:%3")
        .arg(seconds / 3600, 2, 10, QLatin1Char('0'))
        .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

TArchiveDialog::TArchiveDialog(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("ArchiveDialog"));
    setWindowTitle(QStringLiteral("Archiwum"));
    setAccessibleName(QStringLiteral("Archiwum"));

    lbLocation = new QLabel(this);
    lbLocation->setObjectName(QStringLiteral("lbLocation"));
    lbLocation->setTextInteractionFlags(Qt::TextSelectableByMouse);

    const QStringList headers = {QStringLiteral("Model"),
                                 QStringLiteral("Start"),
                                 QStringLiteral("Interwał"),
                                 QStringLiteral("Odczyty"),
                                 QStringLiteral("Pierwszy odczyt"),
                                 QStringLiteral("Ostatni odczyt"),
                                 QStringLiteral("Ostatnie pobranie"),
                                 QStringLiteral("Uszkodzone"),
                                 QStringLiteral("Brakujące"),
                                 QStringLiteral("Konflikty")};
    tbRecordings = new QTableWidget(0, static_cast<int>(headers.size()), this);
    tbRecordings->setObjectName(QStringLiteral("tbRecordings"));
    tbRecordings->setAccessibleName(QStringLiteral("Rejestracje w archiwum"));
    tbRecordings->setHorizontalHeaderLabels(headers);
    tbRecordings->setSelectionBehavior(QAbstractItemView::SelectRows);
    tbRecordings->setSelectionMode(QAbstractItemView::SingleSelection);
    tbRecordings->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Tab leaves the list for the buttons instead of walking its cells.
    tbRecordings->setTabKeyNavigation(false);
    tbRecordings->verticalHeader()->hide();
    tbRecordings->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    tbRecordings->setMinimumSize(900, 300);
    // Enter on a row and a double click open it (the table emits activated for both).
    connect(tbRecordings, &QTableWidget::activated, this, [this] { OpenChosen(); });
    connect(tbRecordings, &QTableWidget::itemSelectionChanged, this,
            [this] { btOpen->setEnabled(ChosenRecording().has_value()); });

    btOpen = new QPushButton(QStringLiteral("&Otwórz"), this);
    btOpen->setObjectName(QStringLiteral("btOpen"));
    btClose = new QPushButton(QStringLiteral("&Zamknij"), this);
    btClose->setObjectName(QStringLiteral("btClose"));
    // Enter opens through the list's own activation; a default button would take it a second time.
    btOpen->setAutoDefault(false);
    btClose->setAutoDefault(false);
    connect(btOpen, &QPushButton::clicked, this, [this] { OpenChosen(); });
    connect(btClose, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btOpen);
    buttons->addWidget(btClose);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lbLocation);
    layout->addWidget(tbRecordings);
    layout->addLayout(buttons);

    setTabOrder(tbRecordings, btOpen);
    setTabOrder(btOpen, btClose);
}

void TArchiveDialog::Fill(const std::vector<archive::TRecordingSummary>& recordings, const QString& location) {
    lbLocation->setText(QStringLiteral("Plik: ") + location);
    recordings_ = recordings;
    tbRecordings->clearContents();
    tbRecordings->setRowCount(static_cast<int>(recordings.size()));
    int row = 0;
    for (const archive::TRecordingSummary& r : recordings) {
        const QStringList texts = {QString::fromStdString(Cp1250ToUtf8(r.Key.Model)),
                                   TimeText(r.Key.Start),
                                   IntervalText(r.Key.IntervalSeconds),
                                   QString::number(r.Readings),
                                   OptionalTime(r.First),
                                   OptionalTime(r.Last),
                                   r.LastDownloadUnix ? LocalTimeText(*r.LastDownloadUnix) : QStringLiteral("---"),
                                   QString::number(r.Damaged),
                                   QString::number(r.Missing),
                                   QString::number(r.Conflicts)};
        for (int column = 0; column < texts.size(); ++column) {
            auto* item = new QTableWidgetItem(texts[column]);
            if (column == 3 || column >= 7) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);  // counts
            tbRecordings->setItem(row, column, item);
        }
        ++row;
    }
    if (!recordings.empty()) tbRecordings->selectRow(0);
    btOpen->setEnabled(ChosenRecording().has_value());
    tbRecordings->setFocus();
}

std::optional<archive::TRecordingSummary> TArchiveDialog::ChosenRecording() const {
    const QList<QTableWidgetSelectionRange> ranges = tbRecordings->selectedRanges();
    if (ranges.isEmpty()) return std::nullopt;
    const int row = ranges.first().topRow();
    if (row < 0 || row >= static_cast<int>(recordings_.size())) return std::nullopt;
    return recordings_[static_cast<std::size_t>(row)];
}

QStringList TArchiveDialog::RowTexts(int row) const {
    QStringList texts;
    for (int column = 0; column < tbRecordings->columnCount(); ++column) {
        const QTableWidgetItem* item = tbRecordings->item(row, column);
        texts << (item ? item->text() : QString());
    }
    return texts;
}

void TArchiveDialog::OpenChosen() {
    const std::optional<archive::TRecordingSummary> recording = ChosenRecording();
    if (!recording) return;
    accept();
    emit OpenRequested(*recording);
}
