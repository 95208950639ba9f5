#pragma once
// The JSON the program prints: compact, one line, keys in the order they were set.
#include <nlohmann/json_fwd.hpp>
#include <string>
#include <string_view>

namespace cli {

// `value` as compact JSON: texts stay UTF-8, bytes that are not valid UTF-8 become U+FFFD.
std::string JsonText(const nlohmann::ordered_json& value);

// `text` as a JSON string literal, quotes included: '"' and '\' escaped, control characters as
// \n, \r, \t, \b, \f or \u00XX, bytes that are not valid UTF-8 replaced by U+FFFD.
std::string JsonString(std::string_view text);

// A number as the shortest text that reads back as it: a whole number without a fraction
// ("21", not "21.0"); not a finite number: null.
nlohmann::ordered_json JsonNumber(double value);

}  // namespace cli
