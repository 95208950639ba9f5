#include "emulator/emulator_session.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>

namespace emulator {
namespace {

// Fault settings changed by `set` from the defaults.
template <typename F>
FaultSettings With(F set) {
    FaultSettings faults;
    set(faults);
    return faults;
}

// A session over a model with 121 readings on a fixed clock.
struct Fixture {
    explicit Fixture(FaultSettings faults = {}) : model(Settings(), [] { return Now(); }), session(model, faults) {}
    static std::int64_t Now() { return *ParseLoggerTime("2024-03-05 14:00:30") * 1000; }
    static ModelSettings Settings() {
        ModelSettings s;
        s.Model = "KX-05";
        s.StartSec = *ParseLoggerTime("2024-03-05 12:00:00");
        s.StopSec = *ParseLoggerTime("2024-03-06 00:00:00");
        return s;
    }
    std::string Download(std::int64_t index) {
        std::string out;
        for (std::int64_t i = index; i < index + 25 && i < model.ReadingCount(); ++i)
            out += model.ReadingLine(i) + "\n";
        return out;
    }
    LoggerModel model;
    Session session;
};

TEST(SessionTest, CommandsEndAtCrAndAnswersEndAtLf) {
    Fixture f;
    EXPECT_EQ(f.session.Feed("N?\r"), "KX-05\n");
    // A command split over several reads, and two commands in one read.
    EXPECT_EQ(f.session.Feed("U"), "");
    EXPECT_EQ(f.session.Feed("?"), "");
    EXPECT_EQ(f.session.Feed("\rI?\rT?"), "3612\n00:01:00\n");
    EXPECT_EQ(f.session.Feed("\r"), "2024-03-05 14:00:30\n");
    // A CR LF sender gets one answer, not two; empty commands are skipped.
    EXPECT_EQ(f.session.Feed("N?\r\n\r\r"), "KX-05\n");
    EXPECT_EQ(f.session.Feed("D?100\r"), f.Download(100));
    EXPECT_EQ(f.session.CommandCount(), 6);
}

TEST(SessionTest, OverlongGarbageIsDroppedAndResetForgetsAHalfCommand) {
    Fixture f;
    EXPECT_EQ(f.session.Feed(std::string(300, 'N') + "?\r"), "");
    EXPECT_EQ(f.session.Feed("N?\r"), "KX-05\n");
    EXPECT_EQ(f.session.Feed("xx"), "");
    f.session.Reset();
    EXPECT_EQ(f.session.Feed("N?\r"), "KX-05\n");
}

TEST(SessionTest, CrLfAnswers) {
    Fixture f(With([](FaultSettings& x) { x.CrLf = true; }));
    EXPECT_EQ(f.session.Feed("N?\r"), "KX-05\r\n");
    const std::string lines = f.session.Feed("D?119\r");
    EXPECT_EQ(lines, f.model.ReadingLine(119) + "\r\n" + f.model.ReadingLine(120) + "\r\n");
}

TEST(SessionTest, SilentLoggerStillTakesSettings) {
    Fixture f(With([](FaultSettings& x) { x.Silent = true; }));
    EXPECT_EQ(f.session.Feed("N?\rT!2024-01-01 00:00:00\rD?0\r"), "");
    EXPECT_EQ(f.model.Handle("T?"), std::vector<std::string>{"2024-01-01 00:00:00"});
}

TEST(SessionTest, SilentAfterCountsEveryCommand) {
    Fixture f(With([](FaultSettings& x) { x.SilentAfter = 3; }));
    EXPECT_EQ(f.session.Feed("N?\r"), "KX-05\n");
    EXPECT_EQ(f.session.Feed("E!\r"), "");  // counted although it has no answer
    EXPECT_EQ(f.session.Feed("U?\r"), "3612\n");
    EXPECT_EQ(f.session.Feed("N?\r"), "");
    EXPECT_EQ(f.session.Feed("U?\r"), "");

    Fixture never(With([](FaultSettings& x) { x.SilentAfter = 0; }));
    EXPECT_EQ(never.session.Feed("N?\r"), "");
}

TEST(SessionTest, CutLineCutsTheLastLineOfTheFirstDownloadOnly) {
    Fixture f(With([](FaultSettings& x) { x.CutLine = true; }));
    EXPECT_EQ(f.session.Feed("N?\r"), "KX-05\n");
    EXPECT_EQ(f.session.Feed("D?500\r"), "");  // nothing to send: nothing to cut
    const std::string whole = f.Download(0);
    const std::string cut = f.session.Feed("D?0\r");
    const std::string last = f.model.ReadingLine(24);
    EXPECT_EQ(cut, whole.substr(0, whole.size() - last.size() - 1) + last.substr(0, last.size() / 2));
    EXPECT_EQ(f.session.Feed("D?0\r"), whole);
}

TEST(SessionTest, LineFaultsCountEveryReadingLineSent) {
    Fixture f(With([](FaultSettings& x) {
        x.LineNoiseEvery = 10;
        x.LostLineFeedEvery = 33;
    }));
    const std::string first = f.session.Feed("D?0\r");
    const std::string second = f.session.Feed("D?25\r");
    // The 10th and 20th reading lines sent (indices 9 and 19) carry noise inside, between their
    // first and last byte; the line feed after the 33rd (index 32) is lost.
    EXPECT_EQ(25, std::count(first.begin(), first.end(), '\n'));
    for (int i = 0; i < 25; ++i) {
        const std::string line = f.model.ReadingLine(i);
        EXPECT_EQ(i != 9 && i != 19, first.find(line + "\n") != std::string::npos) << i;
    }
    EXPECT_GT(first.size(), 25u * 36);
    EXPECT_NE(std::string::npos, second.find(f.model.ReadingLine(32) + f.model.ReadingLine(33) + "\n"));
    EXPECT_EQ(24, std::count(second.begin(), second.end(), '\n'));
}

TEST(SessionTest, UnplugEndsTheAnswersAfterTheLastReading) {
    Fixture f(With([](FaultSettings& x) { x.UnplugAfter = 30; }));
    EXPECT_EQ(f.session.Feed("D?0\r"), f.Download(0));
    EXPECT_FALSE(f.session.Unplugged());
    std::string five;
    for (std::int64_t i = 25; i < 30; ++i) five += f.model.ReadingLine(i) + "\n";
    EXPECT_EQ(f.session.Feed("D?25\r"), five);
    EXPECT_TRUE(f.session.Unplugged());
    EXPECT_EQ(f.session.Feed("N?\r"), "");
}

TEST(SessionTest, NoiseComesBeforeEachAnswerAndRepeatsWithItsSeed) {
    const auto noisy = [](FaultSettings& x) {
        x.Noise = true;
        x.NoiseSeed = 7;
    };
    Fixture a(With(noisy));
    Fixture b(With(noisy));
    std::set<std::string> kinds;
    for (int i = 0; i < 20; ++i) {
        const std::string out = a.session.Feed("N?\r");
        ASSERT_EQ(b.session.Feed("N?\r"), out);
        ASSERT_GE(out.size(), 7u);
        ASSERT_LE(out.size(), 11u);
        ASSERT_EQ(out.substr(out.size() - 6), "KX-05\n");
        // Before a model name only bytes that are no part of any text.
        const std::string noise = out.substr(0, out.size() - 6);
        for (char c : noise) EXPECT_NE(std::string::npos, std::string("\0\x1b\r\xff", 4).find(c)) << int(c);
        kinds.insert(noise);
    }
    EXPECT_GE(kinds.size(), 10u) << "the noise changes from answer to answer";
    EXPECT_EQ(a.session.Feed("E!\r"), "");  // no answer, no noise
}

}  // namespace
}  // namespace emulator
