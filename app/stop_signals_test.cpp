#include "app/stop_signals.h"

#include <gtest/gtest.h>

#include <QTest>
#include <csignal>
#include <vector>

namespace {

sighandler_t CurrentHandler(int signalNumber) {
    struct sigaction current {};
    sigaction(signalNumber, nullptr, &current);
    return current.sa_handler;
}

TEST(StopSignals, ASignalReachesTheEventLoopOnceAndTheEarlierHandlersComeBack) {
    std::signal(SIGHUP, SIG_IGN);
    std::vector<int> received;
    {
        TStopSignals stop;
        QObject::connect(&stop, &TStopSignals::Stop, [&](int signalNumber) { received.push_back(signalNumber); });
        ASSERT_EQ(0, std::raise(SIGTERM));
        EXPECT_TRUE(QTest::qWaitFor([&] { return !received.empty(); }, 5000));
        EXPECT_EQ(std::vector<int>{SIGTERM}, received);
        // A second SIGTERM would end the program at once.
        EXPECT_EQ(SIG_DFL, CurrentHandler(SIGTERM));
        EXPECT_NE(SIG_IGN, CurrentHandler(SIGHUP));
    }
    EXPECT_EQ(SIG_IGN, CurrentHandler(SIGHUP));
    std::signal(SIGHUP, SIG_DFL);
}

}  // namespace
