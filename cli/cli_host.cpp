#include "cli/cli_host.h"

namespace cli {

TCliHost::TCliHost(const volatile std::sig_atomic_t* stopSignal) : stopSignal_(stopSignal) {}

int TCliHost::StopSignal() const { return stopSignal_ ? static_cast<int>(*stopSignal_) : 0; }

void TCliHost::ProcessEvents() {
    if (OnProgress) OnProgress(stored_);
}

void TCliHost::ReadingStored(const std::string& line) {
    ++stored_;
    if (OnReading) OnReading(line);
}

}  // namespace cli
