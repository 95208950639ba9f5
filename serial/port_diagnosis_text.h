#pragma once
// The words for a port that could not be opened, shared by the window and lorv304d-cli: the port,
// the reason and the fix, in English like the serial layer's other error texts.
#include <string>

#include "serial/port_diagnosis.h"

// One line without a line end, for example
//   Port ttyUSB0 (/dev/ttyUSB0): permission denied. It belongs to the group "dialout" and user
//   "tech" is not in it: join it with "sudo usermod -aG dialout tech", then log out and in again.
// (one line in fact; wrapped here).
std::string PortDiagnosisText(const TPortDiagnosis& diagnosis);
