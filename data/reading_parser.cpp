#include "data/reading_parser.h"

#include <algorithm>

#include "data/reading_line.h"

namespace readings {
namespace {

void SortByX(std::vector<TReadingPoint>& points) {
    auto byX = [](const TReadingPoint& a, const TReadingPoint& b) { return a.X < b.X; };
    // Downloads and saved files are already in time order; only a mixed panel pays for a sort.
    if (!std::is_sorted(points.begin(), points.end(), byX)) std::stable_sort(points.begin(), points.end(), byX);
}

}  // namespace

TParsedReadings ParseReadingLines(const TLineStore& lines, const LoggerFormat& format) {
    TParsedReadings result;
    const std::size_t count = lines.Count();
    result.Series1.reserve(count);
    result.Series2.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const TReadingFields fields = SplitReadingLine(lines[i]);
        TDateTime x = 0;
        if (!ParseReadingTime(fields.Time, format, x)) continue;
        double y1 = 0;
        if (!ParseTemperature(fields.Channel1, y1)) continue;
        result.Series1.push_back({x, y1});
        double y2 = 0;
        if (!ParseTemperature(fields.Channel2, y2)) continue;
        result.Series2.push_back({x, y2});
    }
    SortByX(result.Series1);
    SortByX(result.Series2);
    return result;
}

}  // namespace readings
