#include "chart/profile_limits.h"

#include <algorithm>
#include <utility>
#include <vector>

void ShowProfileLimits(TLoggerPlot& plot, const readings::TAlarmProfile& profile,
                       const readings::TProfileResult& result) {
    std::vector<double> limits;
    for (const readings::TAlarmRule& rule : profile.Rules)
        if (std::find(limits.begin(), limits.end(), rule.Limit) == limits.end()) limits.push_back(rule.Limit);

    // Rules overlap (">= 30" holds every ">= 45"), and a profile over a long recording may have many
    // excursions: joining them keeps one band per shaded span, however many rules found it.
    std::vector<std::pair<double, double>> spans;
    for (const readings::TRuleResult& r : result.Rules)
        for (const readings::TExcursion& e : r.Excursions) spans.emplace_back(e.Start, e.End);
    std::sort(spans.begin(), spans.end());
    std::vector<std::pair<double, double>> bands;
    for (const auto& span : spans) {
        if (!bands.empty() && span.first <= bands.back().second)
            bands.back().second = std::max(bands.back().second, span.second);
        else
            bands.push_back(span);
    }
    plot.ShowLimits(limits, bands);
}
