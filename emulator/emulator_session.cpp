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
    // The model sees every command, so set commands still take effect while the line is silent.
    const std::vector<std::string> lines = model_.Handle(command);
    if (lines.empty() || faults_.Silent) return {};
    if (faults_.SilentAfter && commands_ > *faults_.SilentAfter) return {};

    const char* end = faults_.CrLf ? "\r\n" : "\n";
    std::string out = faults_.Noise ? NoiseBytes() : std::string();
    const bool cut = faults_.CutLine && !cutDone_ && command.substr(0, 2) == "D?";
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (cut && i + 1 == lines.size()) {
            out += lines[i].substr(0, lines[i].size() / 2);
            cutDone_ = true;
        } else {
            out += lines[i];
            out += end;
        }
    }
    return out;
}

std::string Session::NoiseBytes() {
    // xorshift32: deterministic for a given seed, so a failing run can be repeated.
    auto next = [this] {
        rng_ ^= rng_ << 13;
        rng_ ^= rng_ >> 17;
        rng_ ^= rng_ << 5;
        return rng_;
    };
    const std::uint32_t count = 1 + next() % 8;
    std::string out;
    for (std::uint32_t i = 0; i < count; ++i) out += static_cast<char>(0x21 + next() % (0xFE - 0x21 + 1));
    return out;
}

}  // namespace emulator
