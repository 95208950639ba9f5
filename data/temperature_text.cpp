#include "data/temperature_text.h"

#include <charconv>

namespace readings {

std::string TemperatureText(float value) {
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, value);
    std::string s(text, result.ptr);
    // A whole number gets its ".0", as the logger writes it; an exponent form stays as it is.
    if (s.find_first_not_of("-0123456789") == std::string::npos) s += ".0";
    return s;
}

}  // namespace readings
