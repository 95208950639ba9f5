#include "chartengine/series_columns.h"

#include <algorithm>
#include <cmath>

namespace chartscale {

std::vector<TColumn> ReduceToColumns(std::span<const double> x, std::span<const float> y, const TAxisMap& xmap,
                                     const TAxisMap& ymap, double xFrom, double xTo, double yFrom, double yTo) {
    std::vector<TColumn> out;
    const std::size_t n = std::min(x.size(), y.size());
    if (n == 0) return out;
    if (xFrom > xTo) std::swap(xFrom, xTo);
    if (yFrom > yTo) std::swap(yFrom, yTo);
    // The visible X values; a reversed map (right to left) swaps them.
    double v0 = xmap.ToValue(xFrom), v1 = xmap.ToValue(xTo);
    if (v0 > v1) std::swap(v0, v1);
    std::size_t first = static_cast<std::size_t>(std::lower_bound(x.begin(), x.begin() + n, v0) - x.begin());
    std::size_t last = static_cast<std::size_t>(std::upper_bound(x.begin(), x.begin() + n, v1) - x.begin());
    if (first > 0) --first;
    if (last < n) ++last;
    const double xLo = xFrom - 16, xHi = xTo + 16;
    const double yLo = yFrom - 16, yHi = yTo + 16;
    auto yPixel = [&](double v) { return std::clamp(ymap.ToPixel(v), yLo, yHi); };
    out.reserve(std::min<std::size_t>(last - first, static_cast<std::size_t>(xHi - xLo) + 2));
    // Points are grouped by column in X order: one pixel mapping per column (its end as an X value),
    // then plain comparisons per point, in value space; the four values are mapped once per column.
    std::size_t i = first;
    while (i < last) {
        const double px = std::clamp(xmap.ToPixel(x[i]), xLo, xHi);
        if (std::isnan(px)) {
            ++i;
            continue;
        }
        const int col = PixelOf(px);
        const double end = xmap.ToValue(col + 0.5);
        bool any = false;
        double vFirst = 0, vLast = 0, vMin = 0, vMax = 0;
        std::size_t j = i;
        do {
            const double v = y[j];
            if (std::isfinite(v)) {
                if (!any) {
                    vFirst = vMin = vMax = v;
                    any = true;
                } else {
                    vMin = v < vMin ? v : vMin;
                    vMax = v > vMax ? v : vMax;
                }
                vLast = v;
            }
            ++j;
        } while (j < last && x[j] < end);
        i = j;
        if (!any) continue;
        const double pa = yPixel(vMin), pb = yPixel(vMax);
        const double pFirst = yPixel(vFirst), pLast = yPixel(vLast);
        const double pMin = std::min(pa, pb), pMax = std::max(pa, pb);
        if (!out.empty() && out.back().X == col) {
            TColumn& c = out.back();
            c.Last = pLast;
            c.Min = std::min(c.Min, pMin);
            c.Max = std::max(c.Max, pMax);
        } else {
            out.push_back({col, pFirst, pLast, pMin, pMax});
        }
    }
    return out;
}

}  // namespace chartscale
