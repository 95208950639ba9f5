#pragma once
// What a reading that comes again does to the readings the archive holds for its index.
#include <string_view>
#include <vector>

#include "logger/stored_reading.h"

namespace archive {

struct TStoredCopy {
    TReadingState State = TReadingState::Clean;
    std::string_view Line;
};

enum class TMergeAction {
    Keep,      // nothing added: the same line is stored, or it is no better than the held one
    Add,       // the first reading of its index
    Replace,   // a clean copy of a reading held damaged or off-time: added, and held from now on
    Conflict,  // a clean reading with other content than the clean one held: added, not held
};

// `stored`: the index's rows in the order they were added. The held one is the first clean
// row, else the first row.
TMergeAction DecideMerge(const std::vector<TStoredCopy>& stored, const TStoredReading& incoming);

// The position in `stored` of the held row; `stored` must not be empty.
std::size_t HeldCopy(const std::vector<TStoredCopy>& stored);

}  // namespace archive
