#include "report/report_document.h"

#include <QBuffer>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <cstdio>
#include <stdexcept>

#include "archive/sha256.h"
#include "base/atomic_file.h"
#include "base/errors.h"
#include "chart/logger_chart_picture.h"
#include "chart/profile_limits.h"
#include "data/alarm_profile_file.h"
#include "data/alarm_rule.h"
#include "data/local_time_zone.h"
#include "data/temperature_text.h"
#include "report/report_words.h"

namespace report {
namespace {

constexpr int kListedAtMost = 200;  // entries of each list of gaps, excursions and the like
constexpr double kMarginMm = 16;

QString Q(const std::string& s) { return QString::fromStdString(s); }

std::string OffsetText(std::int32_t seconds) {
    char text[16];
    const int a = seconds < 0 ? -seconds : seconds;
    std::snprintf(text, sizeof text, "%c%02d:%02d", seconds < 0 ? '-' : '+', a / 3600, a / 60 % 60);
    return text;
}

std::string Fixed(double value, int decimals) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

std::string Duration(std::int64_t seconds) { return readings::ClockDurationText(seconds); }

// Lays items out top to bottom on A4 pages and paints them once the page count is known.
class TPages {
  public:
    explicit TPages(QPdfWriter& pdf) : pdf_(pdf) {
        const double dpmm = pdf.resolution() / 25.4;
        width_ = pdf.width();
        bottom_ = pdf.height() - 8 * dpmm;  // room for the page line
        mm_ = dpmm;
        for (auto [size, bold] : {std::pair{15.0, true}, {11.0, true}, {8.5, false}, {8.5, true}}) {
            QFont f(QStringLiteral("Cousine"));
            f.setPointSizeF(size);
            f.setBold(bold);
            fonts_.push_back(f);
        }
        pages_.emplace_back();
    }
    enum TFont { TitleFont, HeadingFont, Body, Strong };
    double Mm() const { return mm_; }
    double Width() const { return width_; }

    void Text(const QString& text, TFont font = Body, double left = 0, double gapAfter = 0.6) {
        const QFontMetricsF fm(fonts_[font], &pdf_);
        const double w = width_ - left;
        const double h = fm.boundingRect(QRectF(0, 0, w, 1e6), Qt::TextWordWrap, text).height();
        Room(h);
        Add({TItem::Kind::Text, QRectF(left, y_, w, h), text, font, nullptr});
        y_ += h + gapAfter * mm_;
    }
    void Heading(const QString& text) {
        Room(20 * mm_);  // keep a heading with what follows
        y_ += 2.5 * mm_;
        Text(text, HeadingFont, 0, 1.5);
    }
    // One row of a table: each cell starts at its fraction of the width.
    void Row(const std::vector<QString>& cells, const std::vector<double>& at, TFont font = Body) {
        const QFontMetricsF fm(fonts_[font], &pdf_);
        double h = 0;
        for (std::size_t i = 0; i < cells.size(); ++i) {
            const double w = ((i + 1 < at.size() ? at[i + 1] : 1.0) - at[i]) * width_ - mm_;
            h = std::max(h, fm.boundingRect(QRectF(0, 0, w, 1e6), Qt::TextWordWrap, cells[i]).height());
        }
        Room(h);
        for (std::size_t i = 0; i < cells.size(); ++i) {
            const double w = ((i + 1 < at.size() ? at[i + 1] : 1.0) - at[i]) * width_ - mm_;
            Add({TItem::Kind::Text, QRectF(at[i] * width_, y_, w, h), cells[i], font, nullptr});
        }
        y_ += h + 0.4 * mm_;
    }
    void Line(double left, double right) {
        Add({TItem::Kind::Line, QRectF(left, y_, right - left, 0), {}, Body, nullptr});
    }
    void Space(double mm) { y_ += mm * mm_; }
    void Chart(TLoggerChartPicture* chart, double heightMm) {
        Room(heightMm * mm_);
        Add({TItem::Kind::Chart, QRectF(0, y_, width_, heightMm * mm_), {}, Body, chart});
        y_ += (heightMm + 2) * mm_;
    }

    // Paints every page with "page x of y" at its foot.
    void Paint(const QString& pageWord, const QString& ofWord) {
        QPainter p;
        if (!p.begin(&pdf_)) throw std::runtime_error("the PDF cannot be painted");
        const int count = static_cast<int>(pages_.size());
        for (int n = 0; n < count; ++n) {
            if (n > 0) pdf_.newPage();
            for (const TItem& item : pages_[n]) {
                if (item.Kind == TItem::Kind::Chart) {
                    item.Chart->Paint(p, item.Rect, QSize(1000, 560));  // the window's look at a usual window size
                } else if (item.Kind == TItem::Kind::Line) {
                    p.setPen(QPen(Qt::black, 0.25 * mm_));
                    p.drawLine(item.Rect.topLeft(), item.Rect.topRight());
                } else {
                    p.setFont(fonts_[item.Font]);
                    p.setPen(Qt::black);
                    p.drawText(item.Rect, Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop, item.Text);
                }
            }
            p.setFont(fonts_[Body]);
            p.drawText(QRectF(0, bottom_ + 2 * mm_, width_, 6 * mm_), Qt::AlignRight | Qt::AlignTop,
                       QStringLiteral("%1 %2 %3 %4").arg(pageWord).arg(n + 1).arg(ofWord).arg(count));
        }
        if (!p.end()) throw std::runtime_error("the PDF cannot be finished");
    }

  private:
    struct TItem {
        enum class Kind { Text, Line, Chart } Kind;
        QRectF Rect;
        QString Text;
        int Font;
        TLoggerChartPicture* Chart;
    };
    void Room(double h) {
        if (y_ + h > bottom_ && y_ > 0) {
            pages_.emplace_back();
            y_ = 0;
        }
    }
    void Add(TItem item) { pages_.back().push_back(std::move(item)); }

    QPdfWriter& pdf_;
    double width_ = 0, bottom_ = 0, mm_ = 1, y_ = 0;
    std::vector<QFont> fonts_;
    std::vector<std::vector<TItem>> pages_;
};

// Turns the model's values into the report's words.
class TComposer {
  public:
    TComposer(const TReportModel& m, const TReportWords& w, TPages& pages) : m_(m), w_(w), p_(pages) {}

    void All(TLoggerChartPicture& chart) {
        Header();
        Source();
        Completeness();
        ChartSection(chart);
        Statistics();
        Rules();
        Gaps();
        Integrity();
        Signatures();
    }

  private:
    // A logger time with the UTC offset of this computer's zone for it.
    QString Time(TDateTime t) {
        const std::int32_t offset = zone_.OffsetOf(readings::LocalSecondsOf(t)).OffsetSeconds;
        return Q(format_.DateToText(t) + " " + format_.TimeToText(t) + " " + OffsetText(offset));
    }
    QString Unix(std::int64_t unix, std::int32_t offset) {
        const TDateTime local = 25569.0 + SecondsToDays(static_cast<double>(unix + offset));
        return Q(format_.DateToText(local) + " " + format_.TimeToText(local) + " " + OffsetText(offset));
    }
    static QString Temp(float v) { return Q(readings::TemperatureText(v)); }
    QString Count(std::int64_t n) { return QString::number(n); }

    void Header() {
        p_.Text(w_.Title, TPages::TitleFont, 0, 1.5);
        p_.Text(Q(m_.Program) + QStringLiteral(" · ") + w_.Made + QStringLiteral(": ") + Unix(m_.MadeUnix, m_.MadeOffsetSeconds));
        p_.Space(1);
        p_.Text(Statement(), TPages::Strong);
        p_.Line(0, p_.Width());
        p_.Space(1);
    }

    QString Statement() {
        const TCompleteness& c = m_.Completeness;
        const QString expected = c.Expected ? Count(*c.Expected) : QStringLiteral("?");
        if (c.Complete()) return w_.Complete.arg(c.Present).arg(expected);
        QString s = w_.Incomplete.arg(c.Present).arg(expected);
        if (c.NotReceived > 0) {
            QStringList ranges;
            for (std::size_t i = 0; i < c.Missing.size() && i < 5; ++i)
                ranges << RangeText(c.Missing[i]);
            if (c.Missing.size() > 5) ranges << w_.AndMore.arg(c.Missing.size() - 5);
            s += QStringLiteral("; ") + w_.MissingIn.arg(c.NotReceived) + ranges.join(QStringLiteral(", "));
        }
        if (c.Damaged > 0) s += QStringLiteral("; ") + w_.DamagedN.arg(c.Damaged);
        if (c.OffTime > 0) s += QStringLiteral("; ") + w_.OffTimeN.arg(c.OffTime);
        return s;
    }
    QString RangeText(const TMissingRange& r) {
        return r.Count == 1 ? Time(r.First) : Time(r.First) + QStringLiteral(" – ") + Time(r.Last);
    }

    void Source() {
        p_.Heading(w_.SourceHeading);
        const std::vector<double> at{0, 0.34};
        if (m_.Recording) {
            const archive::TRecordingKey& k = m_.Recording->Key;
            p_.Row({w_.Recording, QString::number(m_.Recording->Id)}, at);
            p_.Row({w_.Model, Q(k.Model)}, at);
            p_.Row({w_.Start, Time(k.Start)}, at);
            p_.Row({w_.Stop, m_.RecordingStop ? Time(*m_.RecordingStop) : w_.None}, at);
            p_.Row({w_.Interval, Q(Duration(k.IntervalSeconds))}, at);
            p_.Text(w_.Downloads, TPages::Strong);
            const std::vector<double> cols{0, 0.30, 0.48, 0.70, 0.86};
            p_.Row({w_.When, w_.Computer, w_.Port, w_.ClockDiff, w_.Battery}, cols, TPages::Strong);
            for (const archive::TDownloadRecord& d : m_.Downloads) {
                const TLoggerStatus& s = d.Info.Status;
                QString clock = d.ClockOffsetSeconds ? QString::number(*d.ClockOffsetSeconds) + QStringLiteral(" s") : w_.None;
                QString battery = s.BatteryMv ? QString::number(*s.BatteryMv) + QStringLiteral(" mV") : (s.Battery ? Q(*s.Battery) : w_.None);
                QString when = Unix(d.Info.Actor.WhenUnix, d.Info.Actor.UtcOffsetSeconds);
                if (d.Interrupted()) when += QStringLiteral(" ") + w_.Interrupted;
                p_.Row({when, Q(d.Info.Actor.Computer), Q(d.Info.Port), clock, battery}, cols);
            }
        } else {
            p_.Row({w_.File, Q(m_.FileName)}, at);
            p_.Row({w_.FileDigest, Q(m_.FileSha256Hex)}, at);
        }
        QStringList offsets;
        for (std::int32_t o : m_.OffsetsUsed) offsets << QStringLiteral("UTC") + Q(OffsetText(o));
        p_.Row({w_.Zone, Q(m_.ZoneName) + (offsets.isEmpty() ? QString() : QStringLiteral(" (") + offsets.join(QStringLiteral(", ")) + QStringLiteral(")"))}, at);
        // An open end is where the readings reported begin or end.
        const std::optional<TDateTime> from = m_.From ? m_.From : m_.Statistics.First;
        const std::optional<TDateTime> to = m_.To ? m_.To : m_.Statistics.Last;
        p_.Row({w_.Range, (from ? Time(*from) : w_.None) + QStringLiteral(" – ") + (to ? Time(*to) : w_.None)}, at);
    }

    void Completeness() {
        const TCompleteness& c = m_.Completeness;
        p_.Heading(w_.CompletenessHeading);
        const std::vector<double> at{0, 0.5};
        p_.Row({w_.Expected, c.Expected ? Count(*c.Expected) : w_.Unknown}, at);
        p_.Row({w_.Present, Count(c.Present)}, at);
        p_.Row({w_.Rerequested, m_.Recording ? Count(c.Rerequested) : w_.Unknown}, at);
        p_.Row({w_.Damaged, Count(c.Damaged)}, at);
        p_.Row({w_.OffTime, Count(c.OffTime)}, at);
        p_.Row({w_.NotReceived, Count(c.NotReceived)}, at);
        p_.Row({w_.GapCount, Count(static_cast<std::int64_t>(c.Missing.size()))}, at);
        for (std::size_t i = 0; i < c.Missing.size() && i < kListedAtMost; ++i)
            p_.Row({QString(), RangeText(c.Missing[i]) + QStringLiteral(" (%1)").arg(c.Missing[i].Count)}, at);
        if (c.Missing.size() > kListedAtMost) p_.Row({QString(), w_.AndMore.arg(c.Missing.size() - kListedAtMost)}, at);
    }

    void ChartSection(TLoggerChartPicture& chart) {
        p_.Heading(w_.ChartHeading);
        p_.Chart(&chart, 100);
    }

    void Statistics() {
        const readings::TReadingStatistics& s = m_.Statistics;
        p_.Heading(w_.StatisticsHeading);
        const std::vector<double> at{0, 0.28, 0.64};
        p_.Row({QString(), w_.Channel1, w_.Channel2}, at, TPages::Strong);
        const auto row = [&](const QString& label, auto value) {
            p_.Row({label, value(s.Channel1), value(s.Channel2)}, at);
        };
        using C = readings::TChannelStatistics;
        row(w_.Count, [&](const C& c) { return Count(static_cast<std::int64_t>(c.Count)); });
        row(w_.Minimum, [&](const C& c) { return c.Count ? Temp(c.Minimum) + QStringLiteral(" °C, ") + Time(c.MinimumTime) : w_.None; });
        row(w_.Maximum, [&](const C& c) { return c.Count ? Temp(c.Maximum) + QStringLiteral(" °C, ") + Time(c.MaximumTime) : w_.None; });
        row(w_.Mean, [&](const C& c) { return c.Count ? Q(Fixed(c.Mean, 2)) + QStringLiteral(" °C") : w_.None; });
        row(w_.StdDev, [&](const C& c) { return c.Count ? Q(Fixed(c.StandardDeviation, 2)) + QStringLiteral(" °C") : w_.None; });
        row(w_.Mkt, [&](const C& c) { return c.MeanKinetic ? Q(Fixed(*c.MeanKinetic, 2)) + QStringLiteral(" °C") : w_.None; });
        if (m_.RollingMkt1 && m_.RollingMkt2) {
            const auto rolling = [&](const readings::TRollingMkt& r) {
                if (!r.Mkt) return w_.None;
                QString t = Q(Fixed(*r.Mkt, 2)) + QStringLiteral(" °C, ") + w_.From + QStringLiteral(" ") + Time(r.Start);
                if (r.ShorterThanWindow) t += QStringLiteral(" ") + w_.Shorter;
                return t;
            };
            p_.Row({w_.RollingMkt.arg(Q(Duration(m_.RollingMkt1->WindowSeconds))), rolling(*m_.RollingMkt1),
                    rolling(*m_.RollingMkt2)}, at);
        }
        const QString interval = s.Gaps.IntervalSeconds ? Q(Duration(*s.Gaps.IntervalSeconds)) : w_.Unknown;
        p_.Row({w_.Interval, interval}, {0, 0.28});
    }

    void Rules() {
        p_.Heading(w_.RulesHeading.arg(Q(m_.Profile.Name)));
        const std::vector<double> at{0, 0.40, 0.50, 0.66, 0.84};
        p_.Row({w_.Rule, w_.ChannelShort, w_.Triggered, w_.Beyond, w_.Excursions}, at, TPages::Strong);
        for (const readings::TRuleResult& r : m_.ProfileResult.Rules)
            p_.Row({Q(readings::AlarmRuleValue(m_.Profile.Rules[r.Rule])), QString::number(r.Channel),
                    r.Triggered ? w_.Yes : w_.No, Q(Duration(r.SecondsBeyond)), QString::number(r.Excursions.size())}, at);
        p_.Text(w_.ExcursionList, TPages::Strong);
        const std::vector<double> cols{0, 0.08, 0.37, 0.66, 0.80};
        p_.Row({w_.RuleNo, w_.StartCol, w_.EndCol, w_.DurationCol, w_.Peak}, cols, TPages::Strong);
        std::size_t listed = 0, total = 0;
        for (const readings::TRuleResult& r : m_.ProfileResult.Rules)
            for (const readings::TExcursion& e : r.Excursions) {
                ++total;
                if (listed >= kListedAtMost) continue;
                ++listed;
                p_.Row({QStringLiteral("%1/%2").arg(r.Rule + 1).arg(r.Channel), Time(e.Start), Time(e.End),
                        Q(Duration(e.Seconds)), Temp(e.Peak) + QStringLiteral(" °C, ") + Time(e.PeakTime)}, cols);
            }
        if (total == 0) p_.Text(w_.NoneListed);
        if (total > listed) p_.Text(w_.AndMore.arg(total - listed));
    }

    void Gaps() {
        const readings::TReadingGaps& g = m_.Statistics.Gaps;
        p_.Heading(w_.GapsHeading);
        const std::vector<double> at{0, 0.37, 0.74};
        p_.Text(w_.GapsList.arg(g.Gaps.size()).arg(g.MissingReadings), TPages::Strong);
        for (std::size_t i = 0; i < g.Gaps.size() && i < kListedAtMost; ++i)
            p_.Row({Time(g.Gaps[i].Before), Time(g.Gaps[i].After), w_.MissingN.arg(g.Gaps[i].Missing)}, at);
        if (g.Gaps.size() > kListedAtMost) p_.Text(w_.AndMore.arg(g.Gaps.size() - kListedAtMost));
        p_.Text(w_.OutOfOrderList.arg(g.OutOfOrder.size()), TPages::Strong);
        for (std::size_t i = 0; i < g.OutOfOrder.size() && i < kListedAtMost; ++i)
            p_.Row({w_.LineN.arg(g.OutOfOrder[i].Line + 1), Time(g.OutOfOrder[i].Time), w_.After + QStringLiteral(" ") + Time(g.OutOfOrder[i].Previous)}, at);
        if (g.OutOfOrder.size() > kListedAtMost) p_.Text(w_.AndMore.arg(g.OutOfOrder.size() - kListedAtMost));
        p_.Text(w_.RepeatedList.arg(g.Repeats.size()), TPages::Strong);
        for (std::size_t i = 0; i < g.Repeats.size() && i < kListedAtMost; ++i)
            p_.Row({Time(g.Repeats[i].Time), w_.TimesN.arg(g.Repeats[i].Count)}, at);
        if (g.Repeats.size() > kListedAtMost) p_.Text(w_.AndMore.arg(g.Repeats.size() - kListedAtMost));
    }

    void Integrity() {
        p_.Heading(w_.IntegrityHeading);
        p_.Text(w_.DataDigest);
        p_.Text(Q(m_.DataSha256Hex), TPages::Strong, 4 * p_.Mm());
        if (m_.Verify) {
            const std::vector<double> at{0, 0.34};
            p_.Row({w_.Verify, m_.Verify->Sound() ? w_.Intact : w_.Findings.arg(m_.Verify->Findings.size())}, at);
            p_.Row({w_.Head, Q(m_.Verify->HeadHex)}, at);
        }
    }

    void Signatures() {
        p_.Heading(w_.SignaturesHeading);
        const double third = p_.Width() / 3;
        for (const QString& role : {w_.Prepared, w_.Checked, w_.Approved}) {
            p_.Text(role, TPages::Strong);
            p_.Space(7);
            p_.Row({w_.Name, w_.Date, w_.Signature}, {0, 1.0 / 3, 2.0 / 3});
            for (int i = 0; i < 3; ++i) p_.Line(i * third, (i + 1) * third - 4 * p_.Mm());
            p_.Space(3);
        }
    }

    const TReportModel& m_;
    const TReportWords& w_;
    TPages& p_;
    LoggerFormat format_;
    readings::TLocalTimeZone zone_;
};

}  // namespace

void RegisterReportFont(const std::string& fontFile) {
    if (!fontFile.empty()) QFontDatabase::addApplicationFont(QString::fromStdString(fontFile));
}

std::string RenderReportPdf(const TReportModel& model, TLanguage language) {
    const TReportWords& words = ReportWords(language == TLanguage::English);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter pdf(&buffer);
        pdf.setPdfVersion(QPagedPaintDevice::PdfVersion_A1b);
        pdf.setResolution(300);
        pdf.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                      QMarginsF(kMarginMm, kMarginMm, kMarginMm, kMarginMm), QPageLayout::Millimeter));
        pdf.setTitle(words.Title);
        pdf.setCreator(Q(model.Program));

        TLoggerChartPicture chart;
        for (const readings::TReading& r : model.Readings) {
            if (readings::HasValue(r.Channel1)) chart.Series1.AddXY(r.Time, r.Channel1);
            if (readings::HasValue(r.Channel2)) chart.Series2.AddXY(r.Time, r.Channel2);
        }
        const std::optional<TDateTime> from = model.From ? model.From : model.Statistics.First;
        const std::optional<TDateTime> to = model.To ? model.To : model.Statistics.Last;
        if (from && to && *from < *to) chart.SetTimeRange(*from, *to);
        // The profile's limits and the excursions of the range, as the window's "Limity" draws them.
        ShowProfileLimits(chart.Plot(), model.Profile, model.ProfileResult);

        TPages pages(pdf);
        TComposer(model, words, pages).All(chart);
        pages.Paint(words.Page, words.Of);
    }
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

std::string WriteReportPdf(const TReportModel& model, TLanguage language, const std::string& path) {
    const std::string bytes = RenderReportPdf(model, language);
    WriteFileAtomically(path, bytes);
    archive::TSha256 sha;
    sha.Add(bytes);
    return archive::HexOf(sha.Finish());
}

}  // namespace report
