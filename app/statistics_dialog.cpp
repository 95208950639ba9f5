#include "app/statistics_dialog.h"

#include <QClipboard>
#include <QFontDatabase>
#include <QFormLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

#include "base/logger_format.h"
#include "data/reading_line.h"
#include "data/temperature_text.h"

namespace {

using readings::TChannelStatistics;

constexpr int LabelWidth = 23;
constexpr int ColumnWidth = 22;

QString TimeText(TDateTime t) {
    const LoggerFormat format;
    return QString::fromStdString(format.DateToText(t) + " " + format.TimeToText(t));
}

QString Temperature(float value) { return QString::fromStdString(readings::TemperatureText(value)); }

QString Limit(double value) { return Temperature(static_cast<float>(value)); }

QString Duration(std::int64_t seconds, std::int64_t covered) {
    QString text = QStringLiteral("%1:%2:%3")
                       .arg(seconds / 3600)
                       .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
                       .arg(seconds % 60, 2, 10, QLatin1Char('0'));
    if (covered > 0) text += QStringLiteral(" (%1 %)").arg(100.0 * static_cast<double>(seconds) / covered, 0, 'f', 1);
    return text;
}

// One row of the table: a label and a value per channel, "---" where a channel has none.
template <class Value>
void TableRow(QString& out, const QString& label, const TChannelStatistics& c1, const TChannelStatistics& c2,
              Value value) {
    out += label.leftJustified(LabelWidth);
    out += (c1.Count ? value(c1) : QStringLiteral("---")).leftJustified(ColumnWidth);
    out += c2.Count ? value(c2) : QStringLiteral("---");
    out += QLatin1Char('\n');
}

// A list of at most `limit` entries, then how many more there are.
template <class Item, class Line>
void List(QString& out, const std::vector<Item>& items, std::size_t limit, Line line) {
    for (std::size_t i = 0; i < items.size() && i < limit; ++i) out += QStringLiteral("  ") + line(items[i]) + '\n';
    if (items.size() > limit) out += QStringLiteral("  … i jeszcze %1\n").arg(items.size() - limit);
}

}  // namespace

std::optional<double> LimitOfText(const QString& text) {
    QString t = text.trimmed();
    t.replace(QLatin1Char(','), QLatin1Char('.'));
    double value = 0;
    if (!readings::ParseTemperature(t.toStdString(), value)) return std::nullopt;
    return value;
}

QString StatisticsText(const readings::TReadingStatistics& s, const readings::TStatisticsOptions& options,
                       std::size_t listLimit) {
    const readings::TReadingGaps& g = s.Gaps;
    const TChannelStatistics& c1 = s.Channel1;
    const TChannelStatistics& c2 = s.Channel2;
    QString out;
    if (options.From || options.To) {
        out += QStringLiteral("Zakres wykresu: %1 – %2\n")
                   .arg(options.From ? TimeText(*options.From) : QStringLiteral("początek"),
                        options.To ? TimeText(*options.To) : QStringLiteral("koniec"));
    } else {
        out += QStringLiteral("Zakres: wszystkie odczyty\n");
    }
    out += QStringLiteral("Odczyty: %1").arg(s.Readings);
    if (s.First) out += QStringLiteral(" (%1 – %2)").arg(TimeText(*s.First), TimeText(*s.Last));
    out += QLatin1Char('\n');
    if (g.IntervalSeconds)
        out += QStringLiteral("Interwał: %1 s%2\n")
                   .arg(*g.IntervalSeconds)
                   .arg(g.IntervalGiven ? QString() : QStringLiteral(" (najczęstszy odstęp)"));
    else
        out += QStringLiteral("Interwał: nieznany\n");
    const readings::TTemperatureLimits& limits = options.Limits;
    QStringList limitTexts;
    if (limits.Low) limitTexts << QStringLiteral("dolna %1 °C").arg(Limit(*limits.Low));
    if (limits.High) limitTexts << QStringLiteral("górna %1 °C").arg(Limit(*limits.High));
    out += QStringLiteral("Granice: %1\n\n")
               .arg(limitTexts.isEmpty() ? QStringLiteral("brak") : limitTexts.join(QStringLiteral(", ")));

    out += QString().leftJustified(LabelWidth) + QStringLiteral("Temperatura_1").leftJustified(ColumnWidth) +
           QStringLiteral("Temperatura_2\n");
    TableRow(out, QStringLiteral("Liczba odczytów"), c1, c2, [](const auto& c) { return QString::number(c.Count); });
    TableRow(out, QStringLiteral("Minimum [°C]"), c1, c2, [](const auto& c) { return Temperature(c.Minimum); });
    TableRow(out, QStringLiteral("  czas"), c1, c2, [](const auto& c) { return TimeText(c.MinimumTime); });
    TableRow(out, QStringLiteral("Maksimum [°C]"), c1, c2, [](const auto& c) { return Temperature(c.Maximum); });
    TableRow(out, QStringLiteral("  czas"), c1, c2, [](const auto& c) { return TimeText(c.MaximumTime); });
    TableRow(out, QStringLiteral("Średnia [°C]"), c1, c2,
             [](const auto& c) { return QString::number(c.Mean, 'f', 2); });
    TableRow(out, QStringLiteral("Odchylenie std. [°C]"), c1, c2,
             [](const auto& c) { return QString::number(c.StandardDeviation, 'f', 2); });
    TableRow(out, QStringLiteral("MKT [°C]"), c1, c2, [](const auto& c) {
        return c.MeanKinetic ? QString::number(*c.MeanKinetic, 'f', 2) : QStringLiteral("---");
    });
    if (limits.Low)
        TableRow(out, QStringLiteral("Poniżej %1 °C").arg(Limit(*limits.Low)), c1, c2,
                 [](const auto& c) { return Duration(c.SecondsBelow, c.SecondsCovered); });
    if (limits.High)
        TableRow(out, QStringLiteral("Powyżej %1 °C").arg(Limit(*limits.High)), c1, c2,
                 [](const auto& c) { return Duration(c.SecondsAbove, c.SecondsCovered); });

    out += QLatin1Char('\n');
    if (g.IntervalSeconds) {
        out += QStringLiteral("Luki: %1, brakujące odczyty: %2\n").arg(g.Gaps.size()).arg(g.MissingReadings);
        List(out, g.Gaps, listLimit, [](const readings::TReadingGap& gap) {
            return QStringLiteral("%1 – %2: brak %3").arg(TimeText(gap.Before), TimeText(gap.After)).arg(gap.Missing);
        });
    } else {
        out += QStringLiteral("Luki: nieznane bez interwału\n");
    }
    out += QStringLiteral("Odczyty poza kolejnością: %1\n").arg(g.OutOfOrder.size());
    List(out, g.OutOfOrder, listLimit, [](const readings::TOutOfOrderReading& o) {
        return QStringLiteral("linia %1: %2 po %3").arg(o.Line + 1).arg(TimeText(o.Time), TimeText(o.Previous));
    });
    out +=
        QStringLiteral("Powtórzone czasy: %1, nadmiarowe odczyty: %2\n").arg(g.Repeats.size()).arg(g.RepeatedReadings);
    List(out, g.Repeats, listLimit, [](const readings::TRepeatedTime& r) {
        return QStringLiteral("%1: %2 ×").arg(TimeText(r.Time)).arg(r.Count);
    });
    return out;
}

TStatisticsDialog::TStatisticsDialog(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("StatisticsDialog"));
    setWindowTitle(QStringLiteral("Statystyka"));
    setAccessibleName(QStringLiteral("Statystyka"));

    // Limits: a sign, digits and one decimal point or comma.
    auto* validator =
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("-?\\d{0,4}([.,]\\d{0,3})?")), this);
    auto makeLimit = [&](const char* name, const QString& caption) {
        auto* field = new QLineEdit(this);
        field->setObjectName(QString::fromLatin1(name));
        field->setValidator(validator);
        field->setAccessibleName(caption);
        connect(field, &QLineEdit::textChanged, this, [this] { Recompute(); });
        return field;
    };
    edLow = makeLimit("edLow", QStringLiteral("Dolna granica"));
    edHigh = makeLimit("edHigh", QStringLiteral("Górna granica"));
    auto* limits = new QFormLayout;
    auto* lowLabel = new QLabel(QStringLiteral("&Dolna granica [°C]:"), this);
    lowLabel->setBuddy(edLow);
    auto* highLabel = new QLabel(QStringLiteral("&Górna granica [°C]:"), this);
    highLabel->setBuddy(edHigh);
    limits->addRow(lowLabel, edLow);
    limits->addRow(highLabel, edHigh);

    memoStats = new QPlainTextEdit(this);
    memoStats->setObjectName(QStringLiteral("memoStats"));
    memoStats->setAccessibleName(QStringLiteral("Statystyka"));
    memoStats->setReadOnly(true);
    memoStats->setLineWrapMode(QPlainTextEdit::NoWrap);
    // Read-only text is still selectable and reachable with Tab, for a screen reader and copying.
    memoStats->setTextInteractionFlags(Qt::TextSelectableByKeyboard | Qt::TextSelectableByMouse);
    memoStats->setTabChangesFocus(true);
    memoStats->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    memoStats->setMinimumSize(640, 420);

    btCopy = new QPushButton(QStringLiteral("Kopiuj"), this);
    btCopy->setObjectName(QStringLiteral("btCopy"));
    btClose = new QPushButton(QStringLiteral("Zamknij"), this);
    btClose->setObjectName(QStringLiteral("btClose"));
    connect(btCopy, &QPushButton::clicked, this, [this] { QGuiApplication::clipboard()->setText(Text()); });
    connect(btClose, &QPushButton::clicked, this, &QDialog::accept);
    // Enter in a limit field must not close the dialog.
    btCopy->setAutoDefault(false);
    btClose->setAutoDefault(false);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btCopy);
    buttons->addWidget(btClose);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(limits);
    layout->addWidget(memoStats);
    layout->addLayout(buttons);

    setTabOrder(edLow, edHigh);
    setTabOrder(edHigh, memoStats);
    setTabOrder(memoStats, btCopy);
    setTabOrder(btCopy, btClose);
}

void TStatisticsDialog::Fill(std::vector<readings::TReading> readings, const readings::TStatisticsOptions& range,
                             const QString& low, const QString& high) {
    readings_ = std::move(readings);
    range_ = range;
    const QSignalBlocker blockLow(edLow), blockHigh(edHigh);
    edLow->setText(low);
    edHigh->setText(high);
    Recompute();
}

QString TStatisticsDialog::LowText() const { return edLow->text(); }

QString TStatisticsDialog::HighText() const { return edHigh->text(); }

QString TStatisticsDialog::Text() const { return memoStats->toPlainText(); }

void TStatisticsDialog::Recompute() {
    readings::TStatisticsOptions options = range_;
    options.Limits = {LimitOfText(edLow->text()), LimitOfText(edHigh->text())};
    memoStats->setPlainText(StatisticsText(readings::ComputeStatistics(readings_, options), options));
}
