#include "chartengine/series_columns.h"

#include <algorithm>
#include <cmath>

namespace chartscale {

std::vector<TColumn> ReduceToColumns(const std::vector<double>& x, const std::vector<double>& y, const TAxisMap& xmap,
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
    out.reserve(std::min<std::size_t>(last - first, static_cast<std::size_t>(xHi - xLo) + 2));
    for (std::size_t i = first; i < last; ++i) {
        if (!std::isfinite(y[i])) continue;
        double px = std::clamp(xmap.ToPixel(x[i]), xLo, xHi);
        double py = std::clamp(ymap.ToPixel(y[i]), yLo, yHi);
        if (std::isnan(px) || std::isnan(py)) continue;
        int col = static_cast<int>(std::floor(px));
        if (!out.empty() && out.back().X == col) {
            TColumn& c = out.back();
            c.Last = py;
            c.Min = std::min(c.Min, py);
            c.Max = std::max(c.Max, py);
        } else {
            out.push_back({col, py, py, py, py});
        }
    }
    return out;
}

}  // namespace chartscale
