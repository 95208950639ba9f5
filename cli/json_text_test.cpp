// The JSON the program prints: keys keep their order, numbers their shortest text.
#include "cli/json_text.h"

#include <gtest/gtest.h>

#include <limits>
#include <nlohmann/json.hpp>

namespace cli {
namespace {

TEST(JsonText, KeysInTheirOrderAndNumbersAsShortAsTheyRead) {
    nlohmann::ordered_json json;
    json["z"] = JsonNumber(21.0);
    json["a"] = JsonNumber(-0.5);
    json["m"] = JsonNumber(0.1 + 0.2);
    json["big"] = JsonNumber(1e300);
    json["nan"] = JsonNumber(std::numeric_limits<double>::quiet_NaN());
    json["inf"] = JsonNumber(-std::numeric_limits<double>::infinity());
    EXPECT_EQ("{\"z\":21,\"a\":-0.5,\"m\":0.30000000000000004,\"big\":1e+300,\"nan\":null,\"inf\":null}",
              JsonText(json));
}

}  // namespace
}  // namespace cli
