#pragma once
// A temperature held as a reading holds it (a 32-bit float) as the shortest text that reads back
// as the same value, with at least one decimal: 21.3 (not 21.299999237060547), 2.0, -18.5,
// 1e+38. "." is the decimal point.
#include <string>

namespace readings {

std::string TemperatureText(float value);

}  // namespace readings
