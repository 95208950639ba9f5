// The status output: JSON strings that any parser takes, and fields the logger left out.
#include "cli/status_report.h"

#include <gtest/gtest.h>

namespace cli {
namespace {

struct TEscape {
    const char* Name;
    std::string Text;
    std::string Json;
};

class JsonStringRows : public testing::TestWithParam<TEscape> {};

TEST_P(JsonStringRows, Escapes) { EXPECT_EQ(GetParam().Json, JsonString(GetParam().Text)); }

INSTANTIATE_TEST_SUITE_P(
    Rows, JsonStringRows,
    testing::Values(TEscape{"Plain", "KX-15-1", "\"KX-15-1\""},
                    TEscape{"QuoteAndBackslash", "a\"b\\c", "\"a\\\"b\\\\c\""},
                    TEscape{"CrOfAnAnswer", "OK\r", "\"OK\\r\""}, TEscape{"TabAndNewline", "a\tb\nc", "\"a\\tb\\nc\""},
                    TEscape{"OtherControls", std::string("\x01\x1f\0", 3), "\"\\u0001\\u001f\\u0000\""},
                    TEscape{"Polish", "Połączono", "\"Połączono\""},
                    TEscape{"StrayByte", "a\xB3z", "\"a\xEF\xBF\xBDz\""},
                    TEscape{"CutSequence", "\xC5", "\"\xEF\xBF\xBD\""},
                    TEscape{"Surrogate", "\xED\xA0\x80", "\"\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\""},
                    TEscape{"Overlong", "\xC0\xAF", "\"\xEF\xBF\xBD\xEF\xBF\xBD\""}),
    [](const testing::TestParamInfo<TEscape>& info) { return std::string(info.param.Name); });

TEST(FormatClockOffset, SignAndUnits) {
    EXPECT_EQ("+0 s", FormatClockOffset(0));
    EXPECT_EQ("-2 s", FormatClockOffset(-2));
    EXPECT_EQ("+1 min 00 s", FormatClockOffset(60));
    EXPECT_EQ("-1 h 02 min 05 s", FormatClockOffset(-3725));
}

TStatusReport FullReport() {
    TStatusReport r;
    r.Port = "ttyUSB0";
    r.Model = "KX-15-1";
    r.Battery = "3612";
    r.BatteryMv = 3612;
    r.Clock = "2026-12-08 10:00:05";
    r.ClockOffsetSeconds = 5;
    r.Start = "2026-12-07 10:00:00";
    r.Stop = "2027-01-06";
    r.Interval = "00:01:00";
    r.IntervalSeconds = 60;
    return r;
}

TEST(FormatStatus, AllValues) {
    EXPECT_EQ(
        "{\"port\":\"ttyUSB0\",\"model\":\"KX-15-1\",\"battery_mv\":3612,\"battery\":\"3612 mV\","
        "\"clock\":\"2026-12-08 10:00:05\",\"clock_offset_s\":5,\"start\":\"2026-12-07 10:00:00\","
        "\"stop\":\"2027-01-06\",\"interval\":\"00:01:00\",\"interval_s\":60}\n",
        FormatStatusJson(FullReport()));
    EXPECT_EQ(
        "Port:     ttyUSB0\nModel:    KX-15-1\nBattery:  3612 mV\n"
        "Clock:    2026-12-08 10:00:05 (+5 s from this computer)\nStart:    2026-12-07 10:00:00\n"
        "Stop:     2027-01-06\nInterval: 00:01:00\n",
        FormatStatusText(FullReport()));
}

TEST(FormatStatus, UnreportedValuesAreNullAndNumbersOnlyWhenTheyAreNumbers) {
    TStatusReport r = FullReport();
    r.Battery = "3.6V";
    r.BatteryMv.reset();
    r.Clock.clear();  // the offset means nothing without the clock
    r.Interval.clear();
    r.Stop.clear();
    EXPECT_EQ(
        "{\"port\":\"ttyUSB0\",\"model\":\"KX-15-1\",\"battery_mv\":null,\"battery\":\"3.6V mV\","
        "\"clock\":null,\"clock_offset_s\":null,\"start\":\"2026-12-07 10:00:00\",\"stop\":null,"
        "\"interval\":null,\"interval_s\":null}\n",
        FormatStatusJson(r));
    const std::string text = FormatStatusText(r);
    EXPECT_NE(std::string::npos, text.find("Clock:    ---\n")) << text;
    EXPECT_NE(std::string::npos, text.find("Stop:     ---\n")) << text;
}

}  // namespace
}  // namespace cli
