#pragma once
// Test support: serial-port services played from a script on a virtual clock.
//
// Devices are registered by path. Bytes "arrive" at scheduled virtual times; a wait for input
// advances the clock straight to the next arrival (or to the end of the wait), so a 1000 ms
// time-out costs no real time. Writes complete at once and are recorded. Any service can be made
// to fail with a chosen error code, a device can hang up at a given time, and writes can be made
// to stall so that the dead-lock time-out runs.
#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "serial/comm_driver.h"

class TScriptedCommDriver : public TCommDriver {
  public:
    struct TArrival {
        uint64_t at = 0;  // virtual milliseconds
        std::string bytes;
        uint32_t lineErrors = 0;  // CE_* flags reported once these bytes are read
    };
    struct TDevice {
        std::deque<TArrival> arrivals;  // not yet arrived, in time order
        std::string input;              // arrived, not yet read
        std::string written;            // everything written to the device
        uint32_t modemStatus = MS_CTS_ON | MS_DSR_ON;
        uint32_t pendingErrors = 0;
        std::deque<std::pair<size_t, uint32_t>> errorMarks;  // (input offset, CE_* flags) not yet read
        int64_t hangUpAt = -1;                               // virtual time the peer goes away; -1 never
        bool writeStalls = false;                            // writes stay pending until aborted
        bool open = false;
        uint32_t mask = 0;
        TLineState state;
        std::vector<uint32_t> escapes;                  // EscapeCommFunction codes in order
        std::vector<uint32_t> purges;                   // PurgeComm flags in order
        std::vector<std::pair<uint64_t, bool>> breaks;  // (time, on) of break changes
    };

    // Registers a device that CreateFile can open.
    TDevice& AddDevice(const std::string& path);
    TDevice& Device(const std::string& path);
    // Schedules bytes to arrive at virtual time `at` (ms; at or after Now()).
    void Arrive(const std::string& path, uint64_t at, const std::string& bytes, uint32_t lineErrors = 0);
    // Makes every later call of the named service (e.g. "PurgeComm", "CreateFile") fail with code.
    void FailCall(const std::string& service, int32_t code) { FFailures[service] = code; }
    void ClearFailures() { FFailures.clear(); }

    uint64_t Now() const { return FNow; }
    void Advance(uint64_t ms) { FNow += ms; }
    // MillisecondTick() = base + Now(), wrapping at 2^32.
    void SetTickBase(uint32_t base) { FTickBase = base; }

    std::vector<int32_t> Waits;    // time-outs passed to WaitCommEvent
    std::vector<uint32_t> Sleeps;  // Sleep() arguments, yields included
    std::vector<size_t> Reads;     // counts asked of ReadFile

    TCommHandle CreateFile(const std::string& path) override;
    bool CloseHandle(TCommHandle h) override;
    void SetLastError(int32_t code) override { FLastError = code; }
    int32_t GetLastError() override { return FLastError; }
    std::string SystemErrorText(int32_t code) override;
    bool SetupComm(TCommHandle h, int32_t inQueue, int32_t outQueue) override;
    bool SetCommTimeouts(TCommHandle h, const TCommTimeouts& timeouts) override;
    bool SetCommMask(TCommHandle h, uint32_t mask) override;
    bool WaitCommEvent(TCommHandle h, uint32_t& events, int32_t timeoutMs) override;
    TTransferStatus WriteFile(TCommHandle h, const char* buffer, size_t count, size_t& done) override;
    TTransferStatus ReadFile(TCommHandle h, char* buffer, size_t count, size_t& done) override;
    bool WaitForTransfer(TCommHandle h, int32_t timeoutMs) override;
    bool GetTransferResult(TCommHandle h, size_t& done) override;
    bool PurgeComm(TCommHandle h, uint32_t flags) override;
    bool ClearCommError(TCommHandle h, uint32_t& errors, uint32_t& inQueue, uint32_t& outQueue) override;
    bool GetCommState(TCommHandle h, TLineState& state) override;
    bool SetCommState(TCommHandle h, const TLineState& state) override;
    bool GetCommModemStatus(TCommHandle h, uint32_t& status) override;
    bool EscapeCommFunction(TCommHandle h, uint32_t code) override;
    bool FlushFileBuffers(TCommHandle h) override;
    bool SetCommBreak(TCommHandle h) override;
    bool ClearCommBreak(TCommHandle h) override;
    void Sleep(uint32_t ms) override;
    uint32_t MillisecondTick() override { return static_cast<uint32_t>(FTickBase + FNow); }

  private:
    // The device of a handle, or nullptr with EBADF; also applies an injected failure of `service`.
    TDevice* Use(TCommHandle h, const char* service);
    bool Failing(const char* service);
    bool HungUp(const TDevice& d) const { return d.hangUpAt >= 0 && FNow >= static_cast<uint64_t>(d.hangUpAt); }
    void Deliver(TDevice& d);

    std::map<std::string, TDevice> FDevices;
    std::map<TCommHandle, std::string> FHandles;
    std::map<std::string, int32_t> FFailures;
    TCommHandle FNextHandle = 3;
    int32_t FLastError = 0;
    uint64_t FNow = 0;
    uint32_t FTickBase = 0;
};
