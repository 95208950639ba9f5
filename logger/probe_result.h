#pragma once
// What the device search learned about each port it probed.
#include <cstdint>
#include <string>
#include <vector>

#include "serial/port_diagnosis.h"

// One probe: the port opened at the logger's line settings and asked "N?".
struct TProbeResult {
    std::string PortName;    // the name of the port list entry ("ttyUSB0") or the name given by the caller
    std::string DevicePath;  // the path handed to OpenPort ("\\.\ttyUSB0")
    bool Opened = false;     // the port opened; otherwise nothing was sent
    // When the port did not open: the port's error code, an OS error (an errno value) such as
    // EACCES or EBUSY, or one of the port's own codes (9991..10003). 0 when it opened.
    std::int32_t OpenError = 0;
    // The answer to "N?" without its line feed; empty after a time-out. For a logger, the model
    // name alone (any line noise around it dropped).
    std::string Answer;
    bool IsLogger = false;  // the answer names one of the known models
};

// The outcome of a search: every probe in the order made. The search ends at the first logger.
struct TSearchResult {
    std::vector<TProbeResult> Probes;

    bool Found() const { return !Probes.empty() && Probes.back().IsLogger; }
    // The answer of the last port probed (the model after a success); empty when none was probed.
    std::string Answer() const { return Probes.empty() ? std::string() : Probes.back().Answer; }
};

// Why the ports of a search that found no logger could not be opened: one diagnosis for each probe
// that did not open, in probe order. Empty when the logger was found or every probed port opened.
// Looks at the system now (device nodes, /proc), so call it right after the search.
std::vector<TPortDiagnosis> DiagnoseUnopenedPorts(const TSearchResult& search);
