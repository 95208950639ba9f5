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

class TCollectingSink final : public TReadingSink {
  public:
    explicit TCollectingSink(TParsedReadings& out) : out_(out) {}
    void AddChannel1(TDateTime x, double y) override { out_.Series1.push_back({x, y}); }
    void AddChannel2(TDateTime x, double y) override { out_.Series2.push_back({x, y}); }

  private:
    TParsedReadings& out_;
};

}  // namespace

void ParseReadingLines(const TLineStore& lines, const LoggerFormat& format, TReadingSink& sink) {
    const std::size_t count = lines.Count();
    for (std::size_t i = 0; i < count; ++i) {
        const TLineReading r = ReadReadingLine(lines[i], format, TReadingNeed::Channel1);
        if (!r.Reading) continue;
        sink.AddChannel1(r.Time, r.Channel1);
        if (r.HasChannel2) sink.AddChannel2(r.Time, r.Channel2);
    }
}

TParsedReadings ParseReadingLines(const TLineStore& lines, const LoggerFormat& format) {
    TParsedReadings result;
    result.Series1.reserve(lines.Count());
    result.Series2.reserve(lines.Count());
    TCollectingSink sink(result);
    ParseReadingLines(lines, format, sink);
    SortByX(result.Series1);
    SortByX(result.Series2);
    return result;
}

}  // namespace readings
