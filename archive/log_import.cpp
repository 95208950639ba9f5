#include "archive/log_import.h"

namespace archive {

TImportPlan PlanImport(const TLineStore&, std::optional<TDateTime> start, std::optional<std::int64_t> intervalSeconds,
                       const LoggerFormat&) {
    TImportPlan plan;
    plan.Start = start.value_or(0);
    plan.IntervalSeconds = intervalSeconds.value_or(0);
    return plan;
}

}  // namespace archive
