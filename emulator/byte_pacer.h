#pragma once
// Spaces outgoing bytes evenly in time, as a serial line at a given rate would.
#include <cstddef>
#include <cstdint>

namespace emulator {

class BytePacer {
  public:
    // `periodUs`: microseconds per byte; 0 lets every byte go at once.
    explicit BytePacer(std::int64_t periodUs) : periodUs_(periodUs) {}

    // Call when bytes are queued on an idle line: the first byte may go at `nowUs`. An idle line
    // earns no credit, so a burst after a pause is paced from its first byte.
    void Restart(std::int64_t nowUs);
    // How many of `queued` bytes may go out at `nowUs`. A late caller may send the backlog at
    // once, so the average rate stays exact whatever the wake-up jitter.
    std::size_t Allowed(std::int64_t nowUs, std::size_t queued) const;
    // Records that `count` bytes went out.
    void Sent(std::size_t count);
    // Microseconds from `nowUs` until the next byte may go (0 when one may go now).
    std::int64_t WaitUs(std::int64_t nowUs) const;

  private:
    std::int64_t periodUs_;
    std::int64_t nextDueUs_ = 0;
};

}  // namespace emulator
