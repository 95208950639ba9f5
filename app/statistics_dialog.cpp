#include "app/statistics_dialog.h"

#include <QClipboard>
#include <QComboBox>
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

QString RuleText(const readings::TAlarmRule& rule) {
    QString text = QStringLiteral("%1 %2 °C")
                       .arg(QString::fromStdString(std::string(readings::CompareWord(rule.Compare))), Limit(rule.Limit));
    const QString duration = QString::fromStdString(readings::DurationText(rule.DurationSeconds));
    if (rule.Kind == readings::TRuleKind::Consecutive) text += QStringLiteral(" przez %1 ciągiem").arg(duration);
    if (rule.Kind == readings::TRuleKind::Cumulative) text += QStringLiteral(" łącznie %1").arg(duration);
    if (!rule.Label.empty()) text += QStringLiteral(" (%1)").arg(QString::fromStdString(rule.Label));
    return text;
}

const QString LimitsProfileCaption = QStringLiteral("Granice dolna i górna");

}  // namespace

QString AlarmText(const readings::TAlarmProfile& profile, const readings::TProfileResult& result,
                  const std::vector<readings::TRollingMkt>& rolling, const QStringList& profileErrors,
                  std::size_t listLimit) {
    QString out;
    const bool limits = profile.Name == readings::kLimitsProfileName;
    out += QStringLiteral("Profil: %1\n").arg(limits ? LimitsProfileCaption : QString::fromStdString(profile.Name));
    if (result.Rules.empty()) out += QStringLiteral("  brak reguł\n");
    for (const readings::TRuleResult& r : result.Rules) {
        out += QStringLiteral("Reguła %1, T%2: %3\n").arg(r.Rule + 1).arg(r.Channel).arg(RuleText(profile.Rules[r.Rule]));
        out += QStringLiteral("  przekroczona: %1, poza granicą: %2, wychylenia: %3, najdłuższe: %4\n")
                   .arg(r.Triggered ? QStringLiteral("TAK") : QStringLiteral("nie"), Duration(r.SecondsBeyond, 0))
                   .arg(r.Excursions.size())
                   .arg(r.Longest ? Duration(r.Excursions[*r.Longest].Seconds, 0) : QStringLiteral("---"));
        List(out, r.Excursions, listLimit, [](const readings::TExcursion& e) {
            return QStringLiteral("%1 – %2  %3  szczyt %4 °C (%5)")
                .arg(TimeText(e.Start), TimeText(e.End), Duration(e.Seconds, 0), Temperature(e.Peak),
                     TimeText(e.PeakTime));
        });
    }
    if (!profileErrors.isEmpty()) {
        out += QStringLiteral("Błędy pliku profili (profile pominięte):\n");
        for (const QString& e : profileErrors) out += QStringLiteral("  ") + e + QLatin1Char('\n');
    }
    if (!rolling.empty()) {
        out += QStringLiteral("\nNajwyższe MKT okna %1:\n")
                   .arg(QString::fromStdString(readings::DurationText(rolling.front().WindowSeconds)));
        for (std::size_t c = 0; c < rolling.size(); ++c) {
            const readings::TRollingMkt& m = rolling[c];
            out += QStringLiteral("  T%1: ").arg(c + 1);
            if (!m.Mkt)
                out += QStringLiteral("---");
            else if (m.ShorterThanWindow)
                out += QStringLiteral("%1 °C (wszystkie odczyty, krótsze niż okno)").arg(*m.Mkt, 0, 'f', 2);
            else
                out += QStringLiteral("%1 °C od %2").arg(*m.Mkt, 0, 'f', 2).arg(TimeText(m.Start));
            out += QLatin1Char('\n');
        }
    }
    return out;
}

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

    cbProfile = new QComboBox(this);
    cbProfile->setObjectName(QStringLiteral("cbProfile"));
    cbProfile->setAccessibleName(QStringLiteral("Profil"));
    connect(cbProfile, &QComboBox::currentIndexChanged, this, [this] { Recompute(); });
    auto* profileLabel = new QLabel(QStringLiteral("&Profil:"), this);
    profileLabel->setBuddy(cbProfile);
    limits->addRow(profileLabel, cbProfile);

    // Empty: no rolling MKT; otherwise a whole number of hours or days.
    cbMktWindow = new QComboBox(this);
    cbMktWindow->setObjectName(QStringLiteral("cbMktWindow"));
    cbMktWindow->setAccessibleName(QStringLiteral("Okno MKT"));
    cbMktWindow->setEditable(true);
    cbMktWindow->setInsertPolicy(QComboBox::NoInsert);
    cbMktWindow->addItems({QString(), QStringLiteral("24h"), QStringLiteral("7d"), QStringLiteral("30d")});
    cbMktWindow->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("(\\d{1,4}[hd]?)?")), this));
    connect(cbMktWindow, &QComboBox::currentTextChanged, this, [this] { Recompute(); });
    auto* windowLabel = new QLabel(QStringLiteral("&Okno MKT (24h, 30d):"), this);
    windowLabel->setBuddy(cbMktWindow);
    limits->addRow(windowLabel, cbMktWindow);

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
    setTabOrder(edHigh, cbProfile);
    setTabOrder(cbProfile, cbMktWindow);
    setTabOrder(cbMktWindow, memoStats);
    setTabOrder(memoStats, btCopy);
    setTabOrder(btCopy, btClose);
}

void TStatisticsDialog::Fill(std::vector<readings::TReading> readings, const readings::TStatisticsOptions& range,
                             readings::TProfileFileContents ownProfiles, const QString& profileFile,
                             const TChoice& choice) {
    readings_ = std::move(readings);
    range_ = range;
    own_ = std::move(ownProfiles);
    profileFile_ = profileFile;
    const QSignalBlocker blockLow(edLow), blockHigh(edHigh), blockProfile(cbProfile), blockWindow(cbMktWindow);
    edLow->setText(choice.Low);
    edHigh->setText(choice.High);
    FillProfiles(choice.Profile);
    cbMktWindow->setCurrentText(choice.MktWindow);
    Recompute();
}

// The item data is the profile's name; the plain limits come first.
void TStatisticsDialog::FillProfiles(const QString& chosen) {
    cbProfile->clear();
    cbProfile->addItem(LimitsProfileCaption, QString::fromStdString(std::string(readings::kLimitsProfileName)));
    for (const readings::TAlarmProfile& p : readings::BuiltInProfiles())
        cbProfile->addItem(QString::fromStdString(p.Name), QString::fromStdString(p.Name));
    for (const readings::TAlarmProfile& p : own_.Profiles)
        cbProfile->addItem(QString::fromStdString(p.Name) + QStringLiteral(" (własny)"), QString::fromStdString(p.Name));
    int index = 0;
    for (int i = 0; i < cbProfile->count(); ++i)
        if (readings::SameProfileName(cbProfile->itemData(i).toString().toStdString(), chosen.toStdString())) index = i;
    cbProfile->setCurrentIndex(index);
}

TStatisticsDialog::TChoice TStatisticsDialog::Choice() const {
    return {edLow->text(), edHigh->text(), cbProfile->currentData().toString(), cbMktWindow->currentText().trimmed()};
}

readings::TAlarmProfile TStatisticsDialog::Profile() const { return ChosenProfile(Choice(), own_); }

readings::TAlarmProfile ChosenProfile(const TStatisticsDialog::TChoice& choice,
                                      const readings::TProfileFileContents& own) {
    const std::string name = choice.Profile.toStdString();
    if (const readings::TAlarmProfile* p = readings::FindBuiltInProfile(name)) return *p;
    for (const readings::TAlarmProfile& p : own.Profiles)
        if (p.Name == name) return p;
    return readings::LimitsProfile({LimitOfText(choice.Low), LimitOfText(choice.High)});
}

QString TStatisticsDialog::Text() const { return memoStats->toPlainText(); }

void TStatisticsDialog::Recompute() {
    readings::TStatisticsOptions options = range_;
    options.Limits = {LimitOfText(edLow->text()), LimitOfText(edHigh->text())};
    const readings::TReadingStatistics statistics = readings::ComputeStatistics(readings_, options);

    const std::vector<readings::TReading> taken = readings::ReadingsInRange(readings_, options);
    const std::vector<std::size_t> order = readings::TimeOrder(taken);
    const std::optional<std::int64_t> interval = statistics.Gaps.IntervalSeconds;
    const readings::TAlarmProfile profile = Profile();
    const readings::TProfileResult result = readings::EvaluateProfile(taken, order, interval, profile);
    std::vector<readings::TRollingMkt> rolling;
    if (const auto window = readings::ParseMktWindow(cbMktWindow->currentText().trimmed().toStdString())) {
        for (float readings::TReading::*channel : {&readings::TReading::Channel1, &readings::TReading::Channel2})
            rolling.push_back(readings::HighestRollingMkt(taken, order, channel, interval, *window));
    }
    QStringList errors;
    for (const readings::TProfileError& e : own_.Errors)
        errors << QString::fromStdString(readings::ProfileErrorText(profileFile_.toStdString(), e));

    memoStats->setPlainText(StatisticsText(statistics, options) + QLatin1Char('\n') +
                            AlarmText(profile, result, rolling, errors));
}
