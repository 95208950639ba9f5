#include "emulator/emulator_session.h"

#include <vector>

namespace emulator {

namespace {

constexpr std::size_t kMaxCommand = 256;

}  // namespace

Session::Session(LoggerModel& model, const FaultSettings& faults)
    : model_(model), faults_(faults), rng_(faults.NoiseSeed != 0 ? faults.NoiseSeed : 1) {}

void Session::Reset() {
    pending_.clear();
    overflow_ = false;
}

std::string Session::Feed(std::string_view bytes) {
    std::string out;
    for (char c : bytes) {
        if (c != '\r' && c != '\n') {
            if (pending_.size() < kMaxCommand) {
                pending_ += c;
            } else {
                overflow_ = true;  // garbage on the line, not a command of ours
            }
            continue;
        }
        if (!pending_.empty() && !overflow_) out += Answer(pending_);
        Reset();
    }
    return out;
}

std::string Session::Answer(std::string_view command) {
    ++commands_;
    if (sink_) sink_(command);
    // The model sees every command, so set commands still take effect while the line is silent.
    const std::vector<std::string> lines = model_.Handle(command);
    if (lines.empty() || faults_.Silent || unplugged_) return {};
    if (faults_.SilentAfter && commands_ > *faults_.SilentAfter) return {};

    const char* end = faults_.CrLf ? "\r\n" : "\n";
    const bool readings = command.substr(0, 2) == "D?";
    std::string out = faults_.Noise ? AnswerNoise(readings) : std::string();
    if (!readings) return out + lines.front() + end;
    const bool cut = faults_.CutLine && !cutDone_;
    cutDone_ = cutDone_ || cut;
    return out + ReadingLines(lines, end, cut);
}

std::string Session::ReadingLines(const std::vector<std::string>& lines, const char* end, bool cut) {
    const auto every = [this](const std::optional<std::int64_t>& n) { return n && readingsSent_ % *n == 0; };
    std::string out;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        ++readingsSent_;
        std::string line = lines[i];
        if (every(faults_.LineNoiseEvery)) {
            const std::size_t at = 1 + NextRandom() % (line.size() - 1);
            line.insert(at, NoiseBytes(1, 3));
        }
        if (cut && i + 1 == lines.size()) {
            out += line.substr(0, line.size() / 2);
        } else {
            out += line;
            if (!every(faults_.LostLineFeedEvery)) out += end;
        }
        if (faults_.UnplugAfter && readingsSent_ >= *faults_.UnplugAfter) {
            unplugged_ = true;
            break;
        }
    }
    return out;
}

std::uint32_t Session::NextRandom() {
    // xorshift32: deterministic for a given seed, so a failing run can be repeated.
    rng_ ^= rng_ << 13;
    rng_ ^= rng_ >> 17;
    rng_ ^= rng_ << 5;
    return rng_;
}

std::string Session::NoiseBytes(std::uint32_t least, std::uint32_t most) {
    const std::uint32_t count = least + NextRandom() % (most - least + 1);
    std::string out;
    for (std::uint32_t i = 0; i < count; ++i) out += static_cast<char>(0x21 + NextRandom() % (0xFE - 0x21 + 1));
    return out;
}

std::string Session::AnswerNoise(bool letters) {
    static constexpr char kBytes[] = {'\0', '\x1b', '\r', '\xff', 'q'};
    const std::uint32_t kinds = letters ? 5 : 4;
    const std::uint32_t count = 1 + NextRandom() % 5;
    std::string out;
    for (std::uint32_t i = 0; i < count; ++i) out += kBytes[NextRandom() % kinds];
    return out;
}

}  // namespace emulator
