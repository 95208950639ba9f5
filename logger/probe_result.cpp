#include "logger/probe_result.h"

std::vector<TPortDiagnosis> DiagnoseUnopenedPorts(const TSearchResult& search) {
    std::vector<TPortDiagnosis> diagnoses;
    if (search.Found()) return diagnoses;
    for (const TProbeResult& probe : search.Probes) {
        if (auto d = DiagnosePort(probe.PortName, probe.DevicePath, probe.Opened, probe.OpenError))
            diagnoses.push_back(std::move(*d));
    }
    return diagnoses;
}
