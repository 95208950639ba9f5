// The command exchange over a scripted logger on the virtual clock.
#include "logger/command_exchange.h"

#include <gtest/gtest.h>

#include <map>

#include "logger/testing/recording_host.h"
#include "logger/testing/scripted_logger.h"
#include "serial/serial_port.h"

using lorv_test::TRecordingHost;
using lorv_test::TScriptedLogger;

namespace {

const std::string Path = "\\\\.\\ttyUSB0";

// A port open onto a logger that answers each command from a table and stays silent otherwise.
struct ExchangeRig {
    std::shared_ptr<TScriptedLogger> drv = std::make_shared<TScriptedLogger>();
    TSerialPort port{drv};
    TRecordingHost host;

    explicit ExchangeRig(std::map<std::string, std::string> table) {
        drv->AddLogger(Path, [table](const std::string& command) -> std::optional<std::string> {
            const auto it = table.find(command);
            return it == table.end() ? std::string() : it->second;
        });
        port.OpenPort(Path);
        port.SetLineParams(115200, 8, 'N', 0, false, false);
    }
};

struct AnswerRow {
    const char* name;
    std::string reply;     // what the logger sends for "T?"
    std::string expected;  // what SendCommand returns and logs after the TAB
};
void PrintTo(const AnswerRow& row, std::ostream* os) { *os << row.name; }

class SendCommandAnswers : public testing::TestWithParam<AnswerRow> {};

TEST_P(SendCommandAnswers, ReturnsAndLogsTheTextBeforeTheLineFeed) {
    ExchangeRig rig({{"T?", GetParam().reply}});
    EXPECT_EQ(GetParam().expected, SendCommand(rig.port, rig.host, "T?"));
    EXPECT_LT(rig.drv->Now(), 1000u);  // a complete line never waits for the time-out
    EXPECT_EQ(std::vector<std::string>{"T?\t" + GetParam().expected}, rig.host.Log);
    EXPECT_EQ(std::vector<std::string>{"T?"}, rig.drv->Commands(Path));
    EXPECT_EQ("T?\r", rig.drv->Device(Path).written);
}

INSTANTIATE_TEST_SUITE_P(Replies, SendCommandAnswers,
                         testing::Values(AnswerRow{"Clock", "2026-12-08 10:11:12\n", "2026-12-08 10:11:12"},
                                         // Only the LF ends the answer: a CR before it stays, so a model check fails.
                                         AnswerRow{"CrLfKeepsCr", "KX-05\r\n", "KX-05\r"},
                                         AnswerRow{"BareLineFeedIsEmpty", "\n", ""},
                                         AnswerRow{"SpacesKept", " 3612 \n", " 3612 "}),
                         [](const testing::TestParamInfo<AnswerRow>& info) { return std::string(info.param.name); });

TEST(SendCommand, TwoAnswersInOnePieceAreReturnedByTwoCallsUnlessDiscarded) {
    ExchangeRig rig({{"T?", "first\nsecond\n"}, {"U?", "3600\n"}});
    EXPECT_EQ("first", SendCommand(rig.port, rig.host, "T?"));
    EXPECT_EQ("second", SendCommand(rig.port, rig.host, "C?"));  // the logger stays silent for "C?"
    EXPECT_LT(rig.drv->Now(), 1000u);
    EXPECT_EQ("first", SendCommand(rig.port, rig.host, "T?"));
    rig.port.DiscardAll();
    EXPECT_EQ("3600", SendCommand(rig.port, rig.host, "U?"));
    EXPECT_EQ((std::vector<std::string>{"T?\tfirst", "C?\tsecond", "T?\tfirst", "U?\t3600"}), rig.host.Log);
}

TEST(SendCommand, SilenceTimesOutAfterOneSecondAndAPartialAnswerWaitsForTheNext) {
    ExchangeRig rig({{"T?", "2026-12"}, {"U?", "-08\n"}});
    EXPECT_EQ("", SendCommand(rig.port, rig.host, "T?"));
    EXPECT_GE(rig.drv->Now(), 1000u);
    EXPECT_EQ("2026-12-08", SendCommand(rig.port, rig.host, "U?"));
    EXPECT_EQ((std::vector<std::string>{"T?\t", "U?\t2026-12-08"}), rig.host.Log);
}

TEST(CommandExchange, WithoutAnOpenPortBothReturnAtOnceAndStillLog) {
    auto drv = std::make_shared<TScriptedLogger>();
    TSerialPort port(drv);
    TRecordingHost host;
    EXPECT_EQ("", SendCommand(port, host, "T?"));
    PostCommand(port, host, "E!");
    EXPECT_EQ(0u, drv->Now());
    EXPECT_EQ((std::vector<std::string>{"T?\t", "E!"}), host.Log);
}

TEST(PostCommand, WritesWithCarriageReturnLogsWithoutTabAndLeavesTheAnswer) {
    ExchangeRig rig(std::map<std::string, std::string>{{"D?25", "line\n"}});
    PostCommand(rig.port, rig.host, "D?25");
    EXPECT_EQ(std::vector<std::string>{"D?25"}, rig.host.Log);
    EXPECT_EQ("D?25\r", rig.drv->Device(Path).written);
    // The answer waits in the port for the caller.
    EXPECT_EQ("line", rig.port.ReadUntil(1000, "\n"));
}

}  // namespace
