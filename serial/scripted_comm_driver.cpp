#include "serial/scripted_comm_driver.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <stdexcept>

TScriptedCommDriver::TDevice& TScriptedCommDriver::AddDevice(const std::string& path) {
    TDevice& d = FDevices[path];
    d.state.DCBlength = 28;
    d.state.BaudRate = 9600;
    d.state.ByteSize = 8;
    return d;
}

TScriptedCommDriver::TDevice& TScriptedCommDriver::Device(const std::string& path) {
    auto it = FDevices.find(path);
    if (it == FDevices.end()) throw std::logic_error("no scripted device " + path);
    return it->second;
}

void TScriptedCommDriver::Arrive(const std::string& path, uint64_t at, const std::string& bytes, uint32_t lineErrors) {
    TDevice& d = Device(path);
    TArrival a{at, bytes, lineErrors};
    auto pos = std::upper_bound(d.arrivals.begin(), d.arrivals.end(), at,
                                [](uint64_t t, const TArrival& x) { return t < x.at; });
    d.arrivals.insert(pos, a);
}

bool TScriptedCommDriver::Failing(const char* service) {
    auto it = FFailures.find(service);
    if (it == FFailures.end()) return false;
    FLastError = it->second;
    return true;
}

TScriptedCommDriver::TDevice* TScriptedCommDriver::Use(TCommHandle h, const char* service) {
    auto it = FHandles.find(h);
    if (it == FHandles.end()) {
        FLastError = EBADF;
        return nullptr;
    }
    if (Failing(service)) return nullptr;
    return &FDevices[it->second];
}

void TScriptedCommDriver::Deliver(TDevice& d) {
    while (!d.arrivals.empty() && d.arrivals.front().at <= FNow) {
        if (d.arrivals.front().lineErrors != 0)
            d.errorMarks.emplace_back(d.input.size(), d.arrivals.front().lineErrors);
        d.input += d.arrivals.front().bytes;
        d.arrivals.pop_front();
    }
}

std::string TScriptedCommDriver::SystemErrorText(int32_t code) { return std::strerror(code); }

TCommHandle TScriptedCommDriver::CreateFile(const std::string& path) {
    if (Failing("CreateFile")) return InvalidCommHandle;
    auto it = FDevices.find(path);
    if (it == FDevices.end()) {
        FLastError = ENOENT;
        return InvalidCommHandle;
    }
    if (it->second.open) {
        FLastError = EBUSY;
        return InvalidCommHandle;
    }
    it->second.open = true;
    const TCommHandle h = FNextHandle++;
    FHandles[h] = path;
    return h;
}

bool TScriptedCommDriver::CloseHandle(TCommHandle h) {
    TDevice* d = Use(h, "CloseHandle");
    if (!d) return false;
    d->open = false;
    FHandles.erase(h);
    return true;
}

bool TScriptedCommDriver::SetupComm(TCommHandle h, int32_t, int32_t) { return Use(h, "SetupComm") != nullptr; }

bool TScriptedCommDriver::SetCommTimeouts(TCommHandle h, const TCommTimeouts&) {
    return Use(h, "SetCommTimeouts") != nullptr;
}

bool TScriptedCommDriver::SetCommMask(TCommHandle h, uint32_t mask) {
    TDevice* d = Use(h, "SetCommMask");
    if (!d) return false;
    d->mask = mask;
    return true;
}

bool TScriptedCommDriver::WaitCommEvent(TCommHandle h, uint32_t& events, int32_t timeoutMs) {
    events = 0;
    TDevice* d = Use(h, "WaitCommEvent");
    if (!d) return false;
    Waits.push_back(timeoutMs);
    const uint64_t deadline = FNow + static_cast<uint64_t>(std::max(timeoutMs, 0));
    for (;;) {
        Deliver(*d);
        if ((d->mask & EV_RXCHAR) && !d->input.empty()) events |= EV_RXCHAR;
        if (d->mask & EV_TXEMPTY) events |= EV_TXEMPTY;
        if (events != 0) return true;
        if (HungUp(*d)) {
            FLastError = EIO;
            return false;
        }
        uint64_t next = UINT64_MAX;
        if (!d->arrivals.empty()) next = d->arrivals.front().at;
        if (d->hangUpAt >= 0) next = std::min(next, static_cast<uint64_t>(d->hangUpAt));
        if (next > deadline) {
            FNow = std::max(FNow, deadline);
            return true;
        }
        FNow = std::max(FNow, next);
    }
}

TTransferStatus TScriptedCommDriver::WriteFile(TCommHandle h, const char* buffer, size_t count, size_t& done) {
    done = 0;
    TDevice* d = Use(h, "WriteFile");
    if (!d) return TTransferStatus::Failed;
    if (HungUp(*d)) {
        FLastError = EIO;
        return TTransferStatus::Failed;
    }
    if (d->writeStalls) {
        FLastError = ERROR_IO_PENDING;
        return TTransferStatus::Pending;
    }
    d->written.append(buffer, count);
    done = count;
    return TTransferStatus::Done;
}

TTransferStatus TScriptedCommDriver::ReadFile(TCommHandle h, char* buffer, size_t count, size_t& done) {
    done = 0;
    TDevice* d = Use(h, "ReadFile");
    if (!d) return TTransferStatus::Failed;
    Reads.push_back(count);
    if (HungUp(*d)) {
        FLastError = EIO;
        return TTransferStatus::Failed;
    }
    Deliver(*d);
    done = std::min(count, d->input.size());
    std::memcpy(buffer, d->input.data(), done);
    d->input.erase(0, done);
    // Line errors belong to the bytes that carried them: reported once those are read.
    for (auto it = d->errorMarks.begin(); it != d->errorMarks.end();) {
        if (it->first < done) {
            d->pendingErrors |= it->second;
            it = d->errorMarks.erase(it);
        } else {
            it->first -= done;
            ++it;
        }
    }
    return TTransferStatus::Done;
}

bool TScriptedCommDriver::WaitForTransfer(TCommHandle h, int32_t timeoutMs) {
    TDevice* d = Use(h, "WaitForTransfer");
    if (!d) return true;
    if (d->writeStalls) {
        FNow += static_cast<uint64_t>(std::max(timeoutMs, 0));
        return false;
    }
    return true;
}

bool TScriptedCommDriver::GetTransferResult(TCommHandle h, size_t& done) {
    done = 0;
    return Use(h, "GetTransferResult") != nullptr;
}

bool TScriptedCommDriver::PurgeComm(TCommHandle h, uint32_t flags) {
    TDevice* d = Use(h, "PurgeComm");
    if (!d) return false;
    d->purges.push_back(flags);
    if (flags & PURGE_RXCLEAR) {
        Deliver(*d);
        d->input.clear();
        d->errorMarks.clear();
    }
    return true;
}

bool TScriptedCommDriver::ClearCommError(TCommHandle h, uint32_t& errors, uint32_t& inQueue, uint32_t& outQueue) {
    errors = inQueue = outQueue = 0;
    TDevice* d = Use(h, "ClearCommError");
    if (!d) return false;
    if (HungUp(*d)) {
        FLastError = EIO;
        return false;
    }
    Deliver(*d);
    errors = d->pendingErrors;
    d->pendingErrors = 0;
    inQueue = static_cast<uint32_t>(d->input.size());
    return true;
}

bool TScriptedCommDriver::GetCommState(TCommHandle h, TLineState& state) {
    TDevice* d = Use(h, "GetCommState");
    if (!d) return false;
    state = d->state;
    return true;
}

bool TScriptedCommDriver::SetCommState(TCommHandle h, const TLineState& state) {
    TDevice* d = Use(h, "SetCommState");
    if (!d) return false;
    d->state = state;
    return true;
}

bool TScriptedCommDriver::GetCommModemStatus(TCommHandle h, uint32_t& status) {
    TDevice* d = Use(h, "GetCommModemStatus");
    if (!d) return false;
    status = d->modemStatus;
    return true;
}

bool TScriptedCommDriver::EscapeCommFunction(TCommHandle h, uint32_t code) {
    TDevice* d = Use(h, "EscapeCommFunction");
    if (!d) return false;
    d->escapes.push_back(code);
    return true;
}

bool TScriptedCommDriver::FlushFileBuffers(TCommHandle h) { return Use(h, "FlushFileBuffers") != nullptr; }

bool TScriptedCommDriver::SetCommBreak(TCommHandle h) {
    TDevice* d = Use(h, "SetCommBreak");
    if (!d) return false;
    d->breaks.emplace_back(FNow, true);
    return true;
}

bool TScriptedCommDriver::ClearCommBreak(TCommHandle h) {
    TDevice* d = Use(h, "ClearCommBreak");
    if (!d) return false;
    d->breaks.emplace_back(FNow, false);
    return true;
}

void TScriptedCommDriver::Sleep(uint32_t ms) {
    Sleeps.push_back(ms);
    FNow += ms;
}
