#include "logger/command_exchange.h"

#include <gtest/gtest.h>

#include <chrono>
#include <map>

#include "logger/testing/pty_peer.h"
#include "logger/testing/recording_host.h"
#include "serial/serial_port.h"

using lorv_test::TPtyPeer;
using lorv_test::TRecordingHost;

namespace {

using Clock = std::chrono::steady_clock;

long long MsSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

// A peer that answers each command from a table and stays silent for any other.
TPtyPeer::Handler Answers(std::map<std::string, std::string> table) {
    return [table](const std::string& command) -> std::optional<std::string> {
        const auto it = table.find(command);
        return it == table.end() ? std::string() : it->second;
    };
}

void OpenOnto(TSerialPort& port, const TPtyPeer& peer) {
    port.OpenPort(peer.SlavePath());
    ASSERT_TRUE(port.IsOpen()) << port.ErrorCode();
    port.SetLineParams(115200, 8, 'N', 0, false, false);
}

struct AnswerRow {
    const char* name;
    std::string reply;     // what the peer sends for "T?"
    std::string expected;  // what SendCommand returns and logs after the TAB
};
void PrintTo(const AnswerRow& row, std::ostream* os) { *os << row.name; }

class SendCommandAnswers : public testing::TestWithParam<AnswerRow> {};

TEST_P(SendCommandAnswers, ReturnsAndLogsTheTextBeforeTheLineFeed) {
    TPtyPeer peer(Answers({{"T?", GetParam().reply}}));
    TSerialPort port;
    OpenOnto(port, peer);
    TRecordingHost host;

    const auto start = Clock::now();
    EXPECT_EQ(GetParam().expected, SendCommand(port, host, "T?"));
    EXPECT_LT(MsSince(start), 800);  // a complete line never waits for the time-out
    ASSERT_EQ(1u, host.Log.size());
    EXPECT_EQ("T?\t" + GetParam().expected, host.Log[0]);
    EXPECT_EQ(std::vector<std::string>{"T?"}, peer.Commands());
}

INSTANTIATE_TEST_SUITE_P(Replies, SendCommandAnswers,
                         testing::Values(AnswerRow{"Clock", "2026-12-08 10:11:12\n", "2026-12-08 10:11:12"},
                                         // Only the LF ends the answer: a CR before it stays, so a model check fails.
                                         AnswerRow{"CrLfKeepsCr", "KX-05\r\n", "KX-05\r"},
                                         AnswerRow{"BareLineFeedIsEmpty", "\n", ""},
                                         AnswerRow{"SpacesKept", " 3612 \n", " 3612 "}),
                         [](const testing::TestParamInfo<AnswerRow>& info) { return std::string(info.param.name); });

TEST(SendCommand, TwoAnswersInOnePieceAreReturnedByTwoCalls) {
    TPtyPeer peer(Answers({{"T?", "first\nsecond\n"}}));
    TSerialPort port;
    OpenOnto(port, peer);
    TRecordingHost host;

    EXPECT_EQ("first", SendCommand(port, host, "T?"));
    const auto start = Clock::now();
    EXPECT_EQ("second", SendCommand(port, host, "U?"));  // the peer stays silent for "U?"
    EXPECT_LT(MsSince(start), 800);
    EXPECT_EQ((std::vector<std::string>{"T?\tfirst", "U?\tsecond"}), host.Log);
}

TEST(SendCommand, DiscardAllDropsAnAnswerLeftInThePort) {
    TPtyPeer peer(Answers({{"T?", "first\nsecond\n"}, {"U?", "3600\n"}}));
    TSerialPort port;
    OpenOnto(port, peer);
    TRecordingHost host;

    EXPECT_EQ("first", SendCommand(port, host, "T?"));
    port.DiscardAll();
    EXPECT_EQ("3600", SendCommand(port, host, "U?"));
}

TEST(SendCommand, SilentPeerTimesOutAfterAboutOneSecond) {
    TPtyPeer peer(Answers({}));
    TSerialPort port;
    OpenOnto(port, peer);
    TRecordingHost host;

    const auto start = Clock::now();
    EXPECT_EQ("", SendCommand(port, host, "T?"));
    const auto elapsed = MsSince(start);
    EXPECT_GE(elapsed, 950);
    EXPECT_LT(elapsed, 2000);
    EXPECT_EQ(std::vector<std::string>{"T?\t"}, host.Log);
}

TEST(SendCommand, PartialAnswerAtTimeOutIsNotReturnedButPrecedesTheNextAnswer) {
    TPtyPeer peer(Answers({{"T?", "2026-12"}, {"U?", "-08\n"}}));
    TSerialPort port;
    OpenOnto(port, peer);
    TRecordingHost host;

    EXPECT_EQ("", SendCommand(port, host, "T?"));
    EXPECT_EQ("2026-12-08", SendCommand(port, host, "U?"));
}

TEST(CommandExchange, WithoutAnOpenPortBothReturnAtOnceAndStillLog) {
    TSerialPort port;
    TRecordingHost host;

    const auto start = Clock::now();
    EXPECT_EQ("", SendCommand(port, host, "T?"));
    PostCommand(port, host, "E!");
    EXPECT_LT(MsSince(start), 200);
    EXPECT_EQ((std::vector<std::string>{"T?\t", "E!"}), host.Log);
}

TEST(PostCommand, WritesWithCarriageReturnLogsWithoutTabAndLeavesTheAnswer) {
    TPtyPeer peer(Answers({{"D?25", "line\n"}}));
    TSerialPort port;
    OpenOnto(port, peer);
    TRecordingHost host;

    PostCommand(port, host, "D?25");
    EXPECT_EQ(std::vector<std::string>{"D?25"}, host.Log);
    // The answer waits in the port for the caller.
    EXPECT_EQ("line", port.ReadUntil(1000, "\n"));
    EXPECT_EQ(std::vector<std::string>{"D?25"}, peer.Commands());
}

}  // namespace
