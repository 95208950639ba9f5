#include "chartengine/scale_math.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace chartscale {
namespace {

constexpr double kMinute = 60 * kSecond;
constexpr double kHour = 3600 * kSecond;
constexpr std::array<double, 25> kLadder = {1 * kSecond,
                                            5 * kSecond,
                                            10 * kSecond,
                                            15 * kSecond,
                                            30 * kSecond,
                                            1 * kMinute,
                                            5 * kMinute,
                                            10 * kMinute,
                                            15 * kMinute,
                                            30 * kMinute,
                                            1 * kHour,
                                            2 * kHour,
                                            6 * kHour,
                                            12 * kHour,
                                            1,
                                            2,
                                            3,
                                            7,
                                            15,
                                            30,
                                            60,
                                            90,
                                            120,
                                            182,
                                            365};
constexpr std::size_t kMaxLabels = 100000;
// Relative tolerance for comparing steps and label positions, which are sums and products of doubles.
constexpr double kEps = 1e-9;
// Tolerance for label positions, in steps: a reading stored as a float (21.200000762939453) still gets
// the label of its decimal value.
constexpr double kPosEps = 1e-5;

bool Finite(double a, double b) { return std::isfinite(a) && std::isfinite(b); }

}  // namespace

int LabelsThatFit(double axisLengthPx, double labelSizePx) {
    if (labelSizePx <= 0) labelSizePx = 1;
    if (axisLengthPx <= 0) return 0;
    return static_cast<int>(std::lround(axisLengthPx / (labelSizePx * 1.1)));
}

double NextTimeStep(double stepDays) {
    for (double s : kLadder)
        if (s > stepDays * (1 + kEps)) return s;
    return stepDays * 2;
}

double TimeLabelStep(double desiredDays, double spanDays, int fit) {
    double step = std::max(desiredDays, kSecond);
    if (!std::isfinite(step)) return kSecond;
    if (!std::isfinite(spanDays) || spanDays <= 0) return step;
    if (spanDays / step > 1e6) step = spanDays / 1e6;
    // The ladder and the doubling grow the step by at least 1.2 each time, so this ends quickly.
    while (std::llround(spanDays / step) > fit) step = NextTimeStep(step);
    return step;
}

double NextValueStep(double step) {
    if (!(step > 0) || !std::isfinite(step)) return 1;
    double base = std::pow(10.0, std::floor(std::log10(step)));
    for (double m : {1.0, 2.0, 5.0, 10.0, 20.0})
        if (base * m > step * (1 + kEps)) return base * m;
    return step * 2;
}

double ValueLabelStep(double desired, double span, int fit) {
    if (!std::isfinite(span) || span < 0) span = 0;
    double step = desired;
    if (!(step > 0) || !std::isfinite(step)) step = span > 0 ? std::pow(10.0, std::floor(std::log10(span)) - 3) : 1;
    if (span / step > 1e6) step = span / 1e6;
    while (std::llround(span / step) > fit) step = NextValueStep(step);
    return step;
}

std::vector<double> ValueLabelPositions(double min, double max, double step) {
    std::vector<double> out;
    if (!(step > 0) || !Finite(min, max) || min > max) return out;
    double first = std::ceil(min / step - kPosEps);
    double last = std::floor(max / step + kPosEps);
    for (double k = first; k <= last && out.size() < kMaxLabels; k += 1) out.push_back(k * step);
    return out;
}

TCivilDate DayToCivil(long long dayCount) {
    // Days since 1899-12-30 -> days since 0000-03-01 based era arithmetic (proleptic Gregorian).
    long long z = dayCount - 25569 + 719468;
    long long era = (z >= 0 ? z : z - 146096) / 146097;
    long long doe = z - era * 146097;
    long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    long long y = yoe + era * 400;
    long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    long long mp = (5 * doy + 2) / 153;
    long long d = doy - (153 * mp + 2) / 5 + 1;
    long long m = mp < 10 ? mp + 3 : mp - 9;
    return {static_cast<int>(y + (m <= 2)), static_cast<int>(m), static_cast<int>(d)};
}

long long CivilToDay(int year, int month, int day) {
    long long y = year - (month <= 2);
    long long era = (y >= 0 ? y : y - 399) / 400;
    long long yoe = y - era * 400;
    long long mp = month > 2 ? month - 3 : month + 9;
    long long doy = (153 * mp + 2) / 5 + day - 1;
    long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468 + 25569;
}

std::vector<double> TimeLabelPositions(double min, double max, double stepDays) {
    std::vector<double> out;
    if (!(stepDays > 0) || !Finite(min, max) || min > max) return out;
    if (stepDays < 1 - kEps) return ValueLabelPositions(min, max, stepDays);
    // Calendar steps: candidate midnights from the first whole day on.
    if (max - min > 1e9) return out;
    const long long firstDay = static_cast<long long>(std::ceil(min - kEps));
    const long long lastDay = static_cast<long long>(std::floor(max + kEps));
    if (firstDay > lastDay) return out;
    if (stepDays < 15 - kEps) {
        const long long n = std::max(1LL, std::llround(stepDays));
        long long d = firstDay + ((n - firstDay % n) % n);
        for (; d <= lastDay && out.size() < kMaxLabels; d += n) out.push_back(static_cast<double>(d));
        return out;
    }
    TCivilDate c = DayToCivil(firstDay);
    if (stepDays < 30 - kEps) {
        // The 1st and the 16th of each month.
        int y = c.Year, m = c.Month;
        while (out.size() < kMaxLabels) {
            for (int day : {1, 16}) {
                long long d = CivilToDay(y, m, day);
                if (d > lastDay) return out;
                if (d >= firstDay) out.push_back(static_cast<double>(d));
            }
            if (++m > 12) m = 1, ++y;
        }
        return out;
    }
    if (stepDays < 365 - kEps) {
        int months = stepDays < 60 - kEps    ? 1
                     : stepDays < 90 - kEps  ? 2
                     : stepDays < 120 - kEps ? 3
                     : stepDays < 182 - kEps ? 4
                                             : 6;
        int y = c.Year, m = c.Month;
        while (out.size() < kMaxLabels) {
            if ((m - 1) % months == 0) {
                long long d = CivilToDay(y, m, 1);
                if (d > lastDay) return out;
                if (d >= firstDay) out.push_back(static_cast<double>(d));
            }
            if (++m > 12) m = 1, ++y;
        }
        return out;
    }
    const long long years = std::max(1LL, std::llround(stepDays / 365));
    long long y = c.Year;
    y += ((years - y % years) % years);
    for (; out.size() < kMaxLabels; y += years) {
        long long d = CivilToDay(static_cast<int>(y), 1, 1);
        if (d > lastDay) break;
        if (d >= firstDay) out.push_back(static_cast<double>(d));
    }
    return out;
}

std::vector<double> MinorTickPositions(const std::vector<double>& labels, double step, int count, double min,
                                       double max) {
    std::vector<double> out;
    if (labels.empty() || count <= 0 || !(step > 0)) return out;
    auto addGap = [&](double from, double to) {
        for (int k = 1; k <= count; ++k) {
            double v = from + (to - from) * k / (count + 1);
            if (v >= min - kEps * std::abs(step) && v <= max + kEps * std::abs(step)) out.push_back(v);
        }
    };
    addGap(labels.front() - step, labels.front());
    for (std::size_t i = 1; i < labels.size(); ++i) addGap(labels[i - 1], labels[i]);
    addGap(labels.back(), labels.back() + step);
    return out;
}

double TAxisMap::ToPixel(double value) const {
    if (Max == Min) return (PixelFrom + PixelTo) / 2;
    return PixelFrom + (value - Min) / (Max - Min) * (PixelTo - PixelFrom);
}

double TAxisMap::ToValue(double pixel) const {
    if (PixelTo == PixelFrom || Max == Min) return Min;
    return Min + (pixel - PixelFrom) / (PixelTo - PixelFrom) * (Max - Min);
}

TPrintRect ProportionalPrintRect(int W, int H, int PW, int PH, double R) {
    TPrintRect r;
    auto margin = [](double page, double used) {
        // round(100 * (page - used) / page), halved with the remainder dropped.
        long percent = page > 0 ? std::lround(100 * (page - used) / page) : 0;
        return static_cast<int>(std::max(0L, percent / 2));
    };
    if (W <= 0 || H <= 0) W = H = 1;
    if (H < W) {
        r.LeftPercent = r.RightPercent = 15;
        r.TopPercent = r.BottomPercent = margin(PH, 0.6 * PW * (static_cast<double>(H) / W) * R);
    } else {
        r.TopPercent = r.BottomPercent = 15;
        r.LeftPercent = r.RightPercent = margin(PW, 0.6 * PH * (static_cast<double>(W) / H) * R);
    }
    r.Left = static_cast<int>(std::lround(r.LeftPercent * static_cast<double>(PW) / 100));
    r.Right = PW - static_cast<int>(std::lround(r.RightPercent * static_cast<double>(PW) / 100));
    r.Top = static_cast<int>(std::lround(r.TopPercent * static_cast<double>(PH) / 100));
    r.Bottom = PH - static_cast<int>(std::lround(r.BottomPercent * static_cast<double>(PH) / 100));
    return r;
}

}  // namespace chartscale
