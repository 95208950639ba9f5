#include "chartengine/offscreen_platform.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <array>
#include <optional>
#include <string>

namespace {

const std::array<const char*, 3> kVariables = {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"};

struct TEnvironmentRow {
    const char* name;
    std::array<const char*, 3> values;  // of kVariables; null: unset
    bool chosen;
    const char* platformAfter;  // null: unset
};

class OffscreenPlatform : public testing::TestWithParam<TEnvironmentRow> {
  protected:
    void SetUp() override {
        for (std::size_t i = 0; i < kVariables.size(); ++i) {
            if (qEnvironmentVariableIsSet(kVariables[i])) saved[i] = qgetenv(kVariables[i]).toStdString();
            Set(kVariables[i], GetParam().values[i]);
        }
    }
    // Puts the test program's environment back, also after a failure.
    void TearDown() override {
        for (std::size_t i = 0; i < kVariables.size(); ++i) Set(kVariables[i], saved[i] ? saved[i]->c_str() : nullptr);
    }
    static void Set(const char* name, const char* value) {
        if (value)
            qputenv(name, value);
        else
            qunsetenv(name);
    }
    std::array<std::optional<std::string>, 3> saved;
};

TEST_P(OffscreenPlatform, IsChosenOnlyWithoutADisplayOrAnExplicitChoice) {
    EXPECT_EQ(UseOffscreenPlatformWithoutDisplay(), GetParam().chosen);
    const char* after = GetParam().platformAfter;
    EXPECT_EQ(qEnvironmentVariableIsSet("QT_QPA_PLATFORM"), after != nullptr);
    if (after) EXPECT_EQ(qgetenv("QT_QPA_PLATFORM"), QByteArray(after));
}

INSTANTIATE_TEST_SUITE_P(
    Environments, OffscreenPlatform,
    testing::Values(TEnvironmentRow{"NoDisplay", {nullptr, nullptr, nullptr}, true, "offscreen"},
                    TEnvironmentRow{"EmptyNamesAreNoDisplay", {"", "", ""}, true, "offscreen"},
                    TEnvironmentRow{"X11", {":0", nullptr, nullptr}, false, nullptr},
                    TEnvironmentRow{"Wayland", {nullptr, "wayland-0", nullptr}, false, nullptr},
                    TEnvironmentRow{"ExplicitPlatformKept", {nullptr, nullptr, "xcb"}, false, "xcb"}),
    [](const testing::TestParamInfo<TEnvironmentRow>& info) { return std::string(info.param.name); });

}  // namespace
