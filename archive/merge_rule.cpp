#include "archive/merge_rule.h"

#include <algorithm>

namespace archive {

std::size_t HeldCopy(const std::vector<TStoredCopy>& stored) {
    const auto clean =
        std::find_if(stored.begin(), stored.end(), [](const TStoredCopy& c) { return c.State == TReadingState::Clean; });
    return clean == stored.end() ? 0 : static_cast<std::size_t>(clean - stored.begin());
}

TMergeAction DecideMerge(const std::vector<TStoredCopy>& stored, const TStoredReading& incoming) {
    if (stored.empty()) return TMergeAction::Add;
    for (const TStoredCopy& copy : stored)
        if (copy.Line == incoming.Line) return TMergeAction::Keep;
    if (incoming.State != TReadingState::Clean) return TMergeAction::Keep;
    const TStoredCopy& held = stored[HeldCopy(stored)];
    return held.State == TReadingState::Clean ? TMergeAction::Conflict : TMergeAction::Replace;
}

}  // namespace archive
