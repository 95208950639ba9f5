#pragma once
// The byte side of the emulated logger: splits the received bytes into commands, lets the model
// answer them, frames the answers as lines and applies the requested line faults.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "emulator/logger_model.h"

namespace emulator {

struct FaultSettings {
    bool CrLf = false;                        // answers end in CR LF instead of a bare LF
    bool Silent = false;                      // never answer (commands still take effect)
    std::optional<std::int64_t> SilentAfter;  // answer only the first N commands, then nothing
    // The first "D?" answer that has lines ends with its last line cut in half, without its line
    // end; every later answer is whole.
    bool CutLine = false;
    // Every answer is preceded by 1 to 5 pseudo-random bytes of line noise as an adapter sends
    // them: NUL, ESC, CR and 0xFF, and in front of reading lines also a letter (never LF).
    bool Noise = false;
    std::uint32_t NoiseSeed = 1;
    // Every N-th reading line sent carries 1 to 3 pseudo-random bytes (0x21..0xFE: never CR or LF)
    // somewhere inside it.
    std::optional<std::int64_t> LineNoiseEvery;
    // The line feed after every N-th reading line sent is lost: that line and the next arrive as one.
    std::optional<std::int64_t> LostLineFeedEvery;
    // After N reading lines in all the logger is unplugged: nothing more is sent, and the line
    // goes away once those bytes have been read (Session::Unplugged()).
    std::optional<std::int64_t> UnplugAfter;
};

class Session {
  public:
    Session(LoggerModel& model, const FaultSettings& faults);

    // Takes bytes received from the program, returns the bytes to send back (possibly none).
    // A command ends at CR (or LF, so that a CR LF sender works too); empty commands are skipped,
    // and a command longer than 256 bytes is dropped whole.
    std::string Feed(std::string_view bytes);
    // Called with every command received (without its CR), answered or not.
    void SetCommandSink(std::function<void(std::string_view)> sink) { sink_ = std::move(sink); }
    // Forgets a half-received command (the other side closed the line).
    void Reset();
    // Commands received so far (each counts, answered or not).
    std::int64_t CommandCount() const { return commands_; }
    // The UnplugAfter-th reading line has been sent: the line is to go away.
    bool Unplugged() const { return unplugged_; }

  private:
    std::string Answer(std::string_view command);
    // The bytes of the reading lines of one "D?" answer, with the line faults applied.
    std::string ReadingLines(const std::vector<std::string>& lines, const char* end, bool cut);
    std::string NoiseBytes(std::uint32_t least, std::uint32_t most);
    // The noise in front of one answer; `letters`: a letter may be among it.
    std::string AnswerNoise(bool letters);
    std::uint32_t NextRandom();

    LoggerModel& model_;
    FaultSettings faults_;
    std::string pending_;
    bool overflow_ = false;
    std::int64_t commands_ = 0;
    bool cutDone_ = false;
    std::int64_t readingsSent_ = 0;
    bool unplugged_ = false;
    std::uint32_t rng_;
    std::function<void(std::string_view)> sink_;
};

}  // namespace emulator
