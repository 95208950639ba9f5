#include "emulator/byte_pacer.h"

#include <algorithm>

namespace emulator {

void BytePacer::Restart(std::int64_t nowUs) { nextDueUs_ = std::max(nextDueUs_, nowUs); }

std::size_t BytePacer::Allowed(std::int64_t nowUs, std::size_t queued) const {
    if (periodUs_ <= 0) return queued;
    if (nowUs < nextDueUs_) return 0;
    const auto due = static_cast<std::size_t>(1 + (nowUs - nextDueUs_) / periodUs_);
    return std::min(due, queued);
}

void BytePacer::Sent(std::size_t count) { nextDueUs_ += static_cast<std::int64_t>(count) * periodUs_; }

std::int64_t BytePacer::WaitUs(std::int64_t nowUs) const {
    if (periodUs_ <= 0) return 0;
    return std::max<std::int64_t>(0, nextDueUs_ - nowUs);
}

}  // namespace emulator
