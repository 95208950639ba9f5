#include "cli/json_text.h"

#include <cmath>
#include <cstdint>
#include <nlohmann/json.hpp>

namespace cli {

std::string JsonText(const nlohmann::ordered_json& value) {
    return value.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

std::string JsonString(std::string_view text) { return JsonText(std::string(text)); }

nlohmann::ordered_json JsonNumber(double value) {
    if (!std::isfinite(value)) return nullptr;
    // Up to 2^53 every whole double is exact as an integer.
    constexpr double kExact = 9007199254740992.0;
    if (value == std::trunc(value) && std::fabs(value) <= kExact) return static_cast<std::int64_t>(value);
    return value;
}

}  // namespace cli
