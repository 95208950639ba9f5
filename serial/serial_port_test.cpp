// The port logic over the scripted driver: virtual time, so time-outs cost nothing.
#include "serial/serial_port.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <random>
#include <sstream>

#include "serial/scripted_comm_driver.h"

namespace {

const std::string kPath = "\\\\.\\ttyTEST";

class ScriptedPort : public ::testing::Test {
  protected:
    void SetUp() override {
        dev = &drv->AddDevice(kPath);
        port.OpenPort(kPath);
        ASSERT_EQ(port.ErrorCode(), 0);
        ASSERT_TRUE(port.IsOpen());
    }
    // Hooks of a test capture its locals; the port reports again when it is destroyed.
    void TearDown() override { port.SetOnStatus(nullptr); }
    void At(uint64_t t, const std::string& bytes, uint32_t lineErrors = 0) { drv->Arrive(kPath, t, bytes, lineErrors); }

    std::shared_ptr<TScriptedCommDriver> drv = std::make_shared<TScriptedCommDriver>();
    TScriptedCommDriver::TDevice* dev = nullptr;
    TSerialPort port{drv};
};

// ---------------------------------------------------------------- free functions

struct TickRow {
    const char* name;
    uint32_t oldTick, newTick, span;
};
class TickSpanRows : public ::testing::TestWithParam<TickRow> {};
TEST_P(TickSpanRows, Span) { EXPECT_EQ(TickSpan(GetParam().oldTick, GetParam().newTick), GetParam().span); }
INSTANTIATE_TEST_SUITE_P(Ticks, TickSpanRows,
                         ::testing::Values(TickRow{"forward_across_wrap", 4294967040u, 256u, 512u},
                                           TickRow{"same", 77u, 77u, 0u}, TickRow{"slightly_behind", 512u, 256u, 256u},
                                           TickRow{"plain_forward", 1000u, 1500u, 500u},
                                           TickRow{"from_zero_to_top", 0u, 4294967295u, 4294967295u}),
                         [](const auto& info) { return std::string(info.param.name); });

struct BreakRow {
    const char* name;
    std::string text;
    int32_t pos;
    std::string found;
};
class FindLineBreakRows : public ::testing::TestWithParam<BreakRow> {};
TEST_P(FindLineBreakRows, Finds) {
    const auto [pos, found] = FindLineBreak(GetParam().text);
    EXPECT_EQ(pos, GetParam().pos);
    EXPECT_EQ(found, GetParam().found);
}
INSTANTIATE_TEST_SUITE_P(Breaks, FindLineBreakRows,
                         ::testing::Values(BreakRow{"crlf", "AB\r\nCD", 3, "\r\n"},
                                           BreakRow{"lfcr", "AB\n\rCD", 3, "\n\r"},
                                           BreakRow{"lone_cr_last", "AB\r", 3, "\r"},
                                           BreakRow{"lone_cr_inside", "A\rB", 2, "\r"},
                                           BreakRow{"lf_lf", "\n\n", 1, "\n"}, BreakRow{"none", "ABC", -1, ""},
                                           BreakRow{"empty", "", -1, ""}),
                         [](const auto& info) { return std::string(info.param.name); });

struct PortNameRow {
    const char* name;
    std::string text;
    int32_t number;
};
class ParsePortNumberRows : public ::testing::TestWithParam<PortNameRow> {};
TEST_P(ParsePortNumberRows, Parses) { EXPECT_EQ(ParsePortNumber(GetParam().text), GetParam().number); }
INSTANTIATE_TEST_SUITE_P(
    Names, ParsePortNumberRows,
    ::testing::Values(PortNameRow{"com3", "COM3", 2}, PortNameRow{"lower", "com12", 11}, PortNameRow{"bare", "COM", -1},
                      PortNameRow{"letters", "COMX", -1}, PortNameRow{"ttyS0", "/dev/ttyS0", 0},
                      PortNameRow{"ttyS_upper", "/DEV/TTYS7", 7}, PortNameRow{"ttyS_no_number", "/dev/ttyS", -2},
                      PortNameRow{"device_path", "\\\\.\\COM3", -1}, PortNameRow{"pts", "/dev/pts/3", -1},
                      PortNameRow{"huge", "COM99999999999", -1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ByteOrder, PackAndReverse) {
    EXPECT_EQ(PackInt32BE(0x01020304), std::string("\x01\x02\x03\x04", 4));
    EXPECT_EQ(PackInt32BE(-1), std::string("\xff\xff\xff\xff", 4));
    EXPECT_EQ(ReverseInt32Bytes(0x01020304), 0x04030201);
    EXPECT_EQ(ReverseInt32Bytes(5), 0x05000000);
    EXPECT_EQ(ReverseInt32Bytes(ReverseInt32Bytes(-123456789)), -123456789);
}

TEST(ErrorTexts, FixedTextsAndSystemTexts) {
    const std::pair<int32_t, const char*> rows[] = {
        {0, "OK"},
        {9991, "Port owned by other process"},
        {9992, "Instance already in use"},
        {9993, "Wrong parameter at call"},
        {9994, "Instance not yet connected"},
        {9995, "No device answer detected"},
        {9996, "Maximal buffer length exceeded"},
        {9997, "Timeout during operation"},
        {9998, "Reading of data failed"},
        {9999, "Receive framing error"},
        {10000, "Receive Overrun Error"},
        {10001, "Receive Queue overflow"},
        {10002, "Receive Parity Error"},
        {10003, "Tranceive Queue is full"},
    };
    for (const auto& [code, text] : rows) EXPECT_EQ(TSerialPort::GetErrorDesc(code), text) << code;
    EXPECT_EQ(TSerialPort::GetErrorDesc(EIO), "Input/output error");
    EXPECT_EQ(std::string(ESerialError(9997, "Timeout during operation").what()),
              "Communication error 9997: Timeout during operation");
}

TEST(Create, InitialValues) {
    TSerialPort port(std::make_shared<TScriptedCommDriver>());
    EXPECT_EQ(port.Handle(), -1);
    EXPECT_EQ(port.ErrorCode(), 0);
    EXPECT_EQ(port.ErrorText(), "OK");
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(port.InputQueueSize(), 4096);
    EXPECT_EQ(port.DeadlockTimeout(), 30000);
    EXPECT_EQ(port.AtTimeout(), 1000);
    EXPECT_TRUE(port.InterPacketTimeout());
    EXPECT_EQ(port.PortNumber(), -1);
    EXPECT_EQ(port.MaxLineLength(), 0);
    EXPECT_FALSE(port.RaiseExcept());
    EXPECT_EQ(port.LineState(), TLineState{});
}

// ---------------------------------------------------------------- open and close

TEST(OpenPort, ComNamesOpenTheComPath) {
    for (const std::string name : {"COM3", "com3", "/dev/ttyS2", "\\\\.\\COM3"}) {
        auto drv = std::make_shared<TScriptedCommDriver>();
        drv->AddDevice("\\\\.\\COM3");
        TSerialPort port(drv);
        port.OpenPort(name);
        EXPECT_EQ(port.ErrorCode(), 0) << name;
        EXPECT_TRUE(port.IsOpen()) << name;
        EXPECT_EQ(port.Device(), "\\\\.\\COM3") << name;
    }
}

TEST(OpenPort, FailuresAndStatusReports) {
    auto drv = std::make_shared<TScriptedCommDriver>();
    drv->AddDevice(kPath);
    std::vector<std::pair<TSerialStatusReason, std::string>> seen;  // outlives the port: Destroy reports too
    TSerialPort port(drv);
    port.SetOnStatus([&](TSerialPort& sender, TSerialStatusReason reason, const std::string& value) {
        EXPECT_EQ(&sender, &port);
        seen.emplace_back(reason, value);
    });

    port.ClosePort();  // never opened: still reported
    EXPECT_EQ(port.ErrorCode(), 0);

    port.OpenPort("\\\\.\\nothere");
    EXPECT_EQ(port.ErrorCode(), ENOENT);
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(port.Handle(), -1);
    EXPECT_EQ(port.Device(), "\\\\.\\nothere");

    port.OpenPort(kPath);
    ASSERT_TRUE(port.IsOpen());
    const TCommHandle first = port.Handle();
    port.OpenPort("COM1");
    EXPECT_EQ(port.ErrorCode(), SerialErrInUse);
    EXPECT_EQ(port.ErrorText(), "Instance already in use");
    EXPECT_TRUE(port.IsOpen());
    EXPECT_EQ(port.Handle(), first);
    EXPECT_EQ(port.Device(), kPath);

    // Open raised RTS and DTR and purged both queues.
    const auto& d = drv->Device(kPath);
    EXPECT_EQ(d.escapes, (std::vector<uint32_t>{TCommDriver::SETRTS, TCommDriver::SETDTR}));
    EXPECT_EQ(d.purges, (std::vector<uint32_t>{15}));

    port.ClosePort();
    EXPECT_FALSE(port.IsOpen());
    EXPECT_FALSE(drv->Device(kPath).open);
    // Closing discards the input only: what was written still goes out.
    EXPECT_EQ(d.purges, (std::vector<uint32_t>{15, TCommDriver::PURGE_RXABORT | TCommDriver::PURGE_RXCLEAR}));
    const decltype(seen) expected = {{SR_Close, ""}, {SR_Connect, kPath}, {SR_Close, kPath}};
    EXPECT_EQ(seen, expected);
}

TEST(OpenPort, LineTestFailureClosesAgain) {
    auto drv = std::make_shared<TScriptedCommDriver>();
    drv->AddDevice(kPath).modemStatus = TCommDriver::MS_CTS_ON;  // DSR off
    int connects = 0;
    TSerialPort port(drv);
    port.SetOnStatus([&](TSerialPort&, TSerialStatusReason r, const std::string&) { connects += r == SR_Connect; });
    port.SetTestDSR(true);
    port.OpenPort(kPath);
    EXPECT_EQ(port.ErrorCode(), SerialErrNoAnswer);
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(port.Handle(), -1);
    EXPECT_FALSE(drv->Device(kPath).open);
    EXPECT_EQ(connects, 1);
}

TEST_F(ScriptedPort, LineTestFailsWhileOpenWithoutClosing) {
    port.SetTestCTS(true);
    dev->modemStatus = TCommDriver::MS_DSR_ON;
    port.WriteText("x");
    EXPECT_EQ(port.ErrorCode(), SerialErrNoAnswer);
    EXPECT_TRUE(port.IsOpen());
    EXPECT_EQ(dev->written, "");
}

TEST(ClosedPort, ReadsAndWritesFailWithNotOpen) {
    auto drv = std::make_shared<TScriptedCommDriver>();
    TSerialPort port(drv);
    port.LineBuffer() = "left";
    EXPECT_EQ(port.ReadUntil(1000, "\n"), "");
    EXPECT_EQ(port.ErrorCode(), SerialErrNotOpen);
    port.WriteText("x");
    EXPECT_EQ(port.ErrorCode(), SerialErrNotOpen);
    EXPECT_EQ(port.ReadOneByte(10), 0);
    EXPECT_EQ(port.ErrorCode(), SerialErrNotOpen);
    EXPECT_TRUE(drv->Waits.empty());

    // DiscardAll does not check IsOpen: the OS refuses the handle, the buffer goes anyway.
    port.DiscardAll();
    EXPECT_EQ(port.ErrorCode(), EBADF);
    EXPECT_EQ(port.LineBuffer(), "");

    port.SetLineParams(115200, 8, 'N', 0, false, false);
    EXPECT_EQ(port.ErrorCode(), EBADF);
}

// ---------------------------------------------------------------- ReadUntil

TEST_F(ScriptedPort, LfTerminatorKeepsTheCrAndBuffersTheNextLine) {
    At(5, "AB\r\nCD\r\n");
    EXPECT_EQ(port.ReadUntil(1000, "\n"), "AB\r");
    EXPECT_EQ(port.LineBuffer(), "CD\r\n");
    const size_t waits = drv->Waits.size();
    EXPECT_EQ(port.ReadUntil(1000, "\n"), "CD\r");
    EXPECT_EQ(drv->Waits.size(), waits);  // second line came from the buffer, no wait
    EXPECT_EQ(port.LineBuffer(), "");
    EXPECT_EQ(port.ErrorCode(), 0);
}

TEST_F(ScriptedPort, EmptyTerminatorReadsNothing) {
    At(0, "AB\n");
    EXPECT_EQ(port.ReadUntil(1000, ""), "");
    EXPECT_EQ(port.ErrorCode(), 0);
    EXPECT_TRUE(drv->Reads.empty());
}

TEST_F(ScriptedPort, PerWaitTimeOutRunsWhileDataKeepsComing) {
    At(600, "AB");
    At(1200, "CD");
    At(1800, "EF\nG");
    EXPECT_EQ(port.ReadUntil(1000, "\n"), "ABCDEF");
    EXPECT_EQ(port.ErrorCode(), 0);
    EXPECT_EQ(drv->Now(), 1800u);
    EXPECT_EQ(port.LineBuffer(), "G");
}

TEST_F(ScriptedPort, WholeCallTimeOutKeepsWhatArrivedForTheNextCall) {
    port.SetInterPacketTimeout(false);
    At(600, "AB");
    At(1200, "CD");
    At(1800, "EF\n");
    EXPECT_EQ(port.ReadUntil(1000, "\n"), "");
    EXPECT_EQ(port.ErrorCode(), SerialErrTimeout);
    EXPECT_EQ(drv->Now(), 1000u);
    EXPECT_EQ(port.LineBuffer(), "AB");
    // The half line starts the next call.
    port.SetInterPacketTimeout(true);
    EXPECT_EQ(port.ReadUntil(1000, "\n"), "ABCDEF");
    EXPECT_EQ(port.ErrorCode(), 0);
}

TEST_F(ScriptedPort, TimeOutWithHalfLineThenDiscard) {
    At(100, "HALF");
    EXPECT_EQ(port.ReadUntil(1000, "\n"), "");
    EXPECT_EQ(port.ErrorCode(), SerialErrTimeout);
    EXPECT_EQ(port.ErrorText(), "Timeout during operation");
    EXPECT_EQ(drv->Now(), 1100u);
    EXPECT_EQ(port.LineBuffer(), "HALF");
    port.DiscardAll();
    EXPECT_EQ(port.LineBuffer(), "");
    At(1200, "NEW\n");
    EXPECT_EQ(port.ReadUntil(1000, "\n"), "NEW");
}

TEST_F(ScriptedPort, ContinuousSenderWithoutTerminator) {
    for (uint64_t t = 1; t <= 40; ++t) At(t * 500, "x");
    At(20500, "\n");
    EXPECT_EQ(port.ReadUntil(1000, "\n"), std::string(40, 'x'));
    EXPECT_EQ(port.ErrorCode(), 0);
}

TEST_F(ScriptedPort, MaxLineLengthStopsAContinuousSender) {
    port.SetMaxLineLength(10);
    for (uint64_t t = 1; t <= 40; ++t) At(t * 500, "x");
    EXPECT_EQ(port.ReadUntil(1000, "\n"), "");
    EXPECT_EQ(port.ErrorCode(), SerialErrLineTooLong);
    EXPECT_EQ(port.LineBuffer(), std::string(11, 'x'));
}

TEST_F(ScriptedPort, MaxLineLengthWithTerminatorInTheSamePassStillReturnsTheLine) {
    port.SetMaxLineLength(5);
    At(10, "AB\nCDEF");
    EXPECT_EQ(port.ReadUntil(1000, "\n"), "AB");
    EXPECT_EQ(port.ErrorCode(), SerialErrLineTooLong);
    EXPECT_EQ(port.LineBuffer(), "CDEF");
}

TEST_F(ScriptedPort, CrLfModeCrEndingOneCallAndLfStartingTheNext) {
    port.SetConvertLineEnd(true);
    At(10, "AB\r");
    At(20, "\nCD\r\n");
    EXPECT_EQ(port.ReadUntil(1000, "\r\n"), "AB");
    EXPECT_TRUE(port.PendingCr());
    EXPECT_EQ(port.ReadUntil(1000, "\r\n"), "CD");
    EXPECT_FALSE(port.PendingCr());
    EXPECT_EQ(port.LineBuffer(), "");
}

TEST_F(ScriptedPort, CrLfModeAcceptsEveryLineBreak) {
    port.SetConvertLineEnd(true);
    At(10, "A\n\rB\rC\nD\r\nE");
    EXPECT_EQ(port.ReadLine(1000), "A");
    EXPECT_EQ(port.ReadLine(1000), "B");
    EXPECT_EQ(port.ReadLine(1000), "C");
    EXPECT_EQ(port.ReadLine(1000), "D");
    EXPECT_EQ(port.LineBuffer(), "E");
    // Without ConvertLineEnd only CR LF ends a line.
    port.SetConvertLineEnd(false);
    port.LineBuffer().clear();
    At(drv->Now() + 10, "X\rY\nZ\r\n");
    EXPECT_EQ(port.ReadLine(1000), "X\rY\nZ");
}

// Same byte stream, any split into arrivals: the same lines come out.
TEST(ReadUntilProperty, LinesDoNotDependOnHowBytesArrive) {
    std::mt19937 rng(20240611);
    for (int round = 0; round < 300; ++round) {
        const bool crlfMode = round % 2 == 1;
        std::vector<std::string> lines;
        std::string stream;
        const int count = 1 + static_cast<int>(rng() % 8);
        for (int i = 0; i < count; ++i) {
            std::string line;
            const int len = static_cast<int>(rng() % 12);
            for (int k = 0; k < len; ++k) {
                const char pool[] = "AZ09 \t\r\x01\xff";
                char c = pool[rng() % (sizeof pool - 1)];
                if (crlfMode && c == '\r') c = 'r';
                line += c;
            }
            lines.push_back(line);
            stream += line + (crlfMode ? "\r\n" : "\n");
        }
        auto drv = std::make_shared<TScriptedCommDriver>();
        drv->AddDevice(kPath);
        TSerialPort port(drv);
        port.OpenPort(kPath);
        port.SetConvertLineEnd(crlfMode);
        uint64_t t = 0;
        for (size_t at = 0; at < stream.size();) {
            const size_t piece = 1 + rng() % 6;
            t += rng() % 900;  // gaps always under the time-out
            drv->Arrive(kPath, t, stream.substr(at, piece));
            at += piece;
        }
        for (size_t i = 0; i < lines.size(); ++i) {
            const std::string got = crlfMode ? port.ReadLine(1000) : port.ReadUntil(1000, "\n");
            ASSERT_EQ(port.ErrorCode(), 0) << "round " << round << " line " << i;
            ASSERT_EQ(got, lines[i]) << "round " << round << " line " << i;
        }
    }
}

TEST_F(ScriptedPort, RaiseExceptTimeOutKeepsGatheredTextInBothModes) {
    for (const bool perWait : {true, false}) {
        port.DiscardAll();
        port.SetRaiseExcept(true);
        port.SetInterPacketTimeout(perWait);
        At(drv->Now() + 100, "AB");
        try {
            port.ReadUntil(1000, "\n");
            ADD_FAILURE() << "no exception";
        } catch (const ESerialError& e) {
            EXPECT_EQ(std::string(e.what()), "Communication error 9997: Timeout during operation");
            EXPECT_EQ(e.ErrorCode, 9997);
            EXPECT_EQ(e.ErrorText, "Timeout during operation");
        }
        EXPECT_EQ(port.LineBuffer(), "AB") << "perWait " << perWait;
        port.SetRaiseExcept(false);
    }
}

TEST_F(ScriptedPort, NegativeTimeOutIsARangeError) {
    EXPECT_THROW(port.ReadUntil(-1, "\n"), std::out_of_range);
    EXPECT_THROW(port.WaitCommEventFor(TCommDriver::EV_RXCHAR, -5), std::out_of_range);
    EXPECT_THROW(port.SendBreakPulse(-1), std::out_of_range);
    EXPECT_EQ(port.ErrorCode(), 0);
}

TEST_F(ScriptedPort, HungUpPeerEndsReadsAndWritesWithTheOsCode) {
    At(100, "AB");
    dev->hangUpAt = 300;
    EXPECT_EQ(port.ReadUntil(1000, "\n"), "");
    EXPECT_EQ(port.ErrorCode(), EIO);
    EXPECT_EQ(drv->Now(), 300u);  // ended at the hang-up, not after a time-out
    EXPECT_EQ(port.LineBuffer(), "AB");
    // A second read fails the same way at once instead of reporting silence.
    EXPECT_EQ(port.ReadUntil(1000, "\n"), "");
    EXPECT_EQ(port.ErrorCode(), EIO);
    EXPECT_EQ(drv->Now(), 300u);
    port.WriteText("D?\r");
    EXPECT_EQ(port.ErrorCode(), EIO);
}

TEST_F(ScriptedPort, ReadsReportToTheHookInOrder) {
    std::vector<std::pair<TSerialStatusReason, std::string>> seen;
    port.SetOnStatus([&](TSerialPort&, TSerialStatusReason r, const std::string& v) { seen.emplace_back(r, v); });
    At(10, "abc\n");
    EXPECT_EQ(port.ReadUntil(1000, "\n"), "abc");
    const decltype(seen) expected = {{SR_CanRead, ""}, {SR_ReadCount, "4"}};
    EXPECT_EQ(seen, expected);
}

// A port whose line test passes once and then fails, as when CTS drops in the middle of a call.
class FlakyLinePort : public TSerialPort {
  public:
    using TSerialPort::TSerialPort;
    bool ControlLinesAnswer() override { return answers-- > 0; }
    int answers = 1;
};

TEST(LineTestFailingMidCall, KeepsTheBuffer) {
    auto drv = std::make_shared<TScriptedCommDriver>();
    drv->AddDevice(kPath);
    FlakyLinePort port(drv);
    port.OpenPort(kPath);
    for (const bool untilTerminator : {true, false}) {
        port.answers = untilTerminator ? 1 : 2;  // fails at the first read inside the loop
        port.LineBuffer() = "kept";
        if (untilTerminator) {
            EXPECT_EQ(port.ReadUntil(1000, "\n"), "");
        } else {
            EXPECT_EQ(port.ReadTextOfLength(2, 1000), "");
        }
        EXPECT_EQ(port.ErrorCode(), SerialErrNoAnswer);
        EXPECT_EQ(port.LineBuffer(), "kept");
    }
}

// ---------------------------------------------------------------- line errors

struct LineErrorRow {
    const char* name;
    uint32_t flags;
    int32_t code;
};
class MapLineErrorsRows : public ::testing::TestWithParam<LineErrorRow> {};
TEST_P(MapLineErrorsRows, LaterFlagsWin) {
    TSerialPort port(std::make_shared<TScriptedCommDriver>());
    port.SetError(SerialErrTimeout);
    port.MapLineErrors(GetParam().flags);
    EXPECT_EQ(port.ErrorCode(), GetParam().code);
    EXPECT_EQ(port.ErrorText(), "Timeout during operation");  // the text is not touched
}
INSTANTIATE_TEST_SUITE_P(Flags, MapLineErrorsRows,
                         ::testing::Values(LineErrorRow{"overrun_and_parity", 2 | 4, 10002},
                                           LineErrorRow{"frame", 8, 9999}, LineErrorRow{"input_overflow", 1, 10001},
                                           LineErrorRow{"overrun", 2, 10000},
                                           LineErrorRow{"frame_and_txfull", 8 | 256, 10003},
                                           LineErrorRow{"all", 1 | 2 | 4 | 8 | 256, 10003},
                                           LineErrorRow{"other_bits", 16 | 32, 9997}, LineErrorRow{"none", 0, 9997}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ScriptedPort, LineErrorAfterATransferKeepsTheData) {
    At(10, "AB", TCommDriver::CE_FRAME);
    EXPECT_EQ(port.ReadAvailable(1000), "AB");
    EXPECT_EQ(port.ErrorCode(), SerialErrFraming);
}

TEST_F(ScriptedPort, LineErrorRaisedKeepsTheBytesInTheBuffer) {
    port.SetRaiseExcept(true);
    At(10, "AB", TCommDriver::CE_RXPARITY);
    EXPECT_THROW(port.ReadAvailable(1000), ESerialError);
    EXPECT_EQ(port.LineBuffer(), "AB");
}

// ---------------------------------------------------------------- writes and other reads

TEST_F(ScriptedPort, WritesAreCountedToTheHook) {
    std::vector<std::string> counts;
    port.SetOnStatus([&](TSerialPort&, TSerialStatusReason r, const std::string& v) {
        if (r == SR_WriteCount) counts.push_back(v);
    });
    port.WriteText("N?\r");
    port.WriteOneByte(0);
    EXPECT_EQ(dev->written, std::string("N?\r\0", 4));
    EXPECT_EQ(counts, (std::vector<std::string>{"3", "1"}));
}

TEST_F(ScriptedPort, StalledWriteEndsAfterTheDeadlockTimeout) {
    dev->writeStalls = true;
    port.SetDeadlockTimeout(250);
    EXPECT_EQ(port.WriteBytes("abc", 3), 0);
    EXPECT_EQ(port.ErrorCode(), SerialErrTimeout);
    EXPECT_EQ(drv->Now(), 250u);
    EXPECT_EQ(dev->purges.back(), TCommDriver::PURGE_TXABORT);
}

TEST_F(ScriptedPort, FixedLengthAndByteReads) {
    At(10, "ABCDEF");
    EXPECT_EQ(port.ReadTextOfLength(4, 1000), "ABCD");
    EXPECT_EQ(port.LineBuffer(), "EF");
    EXPECT_EQ(port.ReadOneByte(1000), 'E');
    EXPECT_EQ(port.ReadOneByte(1000), 'F');
    EXPECT_EQ(port.ReadOneByte(1000), 0);
    EXPECT_EQ(port.ErrorCode(), SerialErrTimeout);
    At(drv->Now() + 10, "XY");
    EXPECT_EQ(port.ReadTextOfLength(3, 1000), "");  // fails after two bytes: both dropped
    EXPECT_EQ(port.ErrorCode(), SerialErrTimeout);
    EXPECT_EQ(port.ReadTextOfLength(0, 1000), "");
    EXPECT_EQ(port.ErrorCode(), 0);
}

// A fixed-length read longer than one internal piece (64 KiB) of 200,000 bytes arriving 1,000
// every 10 ms, over 2 s: a whole-call time-out of 1500 ms ends it at 1500 ms, not per piece.
struct LongReadRow {
    const char* name;
    bool perWait;
    uint64_t lastArrival;  // the 200th arrival
    bool whole;            // all 200,000 bytes come back
    uint64_t endsAt;
};
void PrintTo(const LongReadRow& row, std::ostream* os) { *os << row.name; }
class LongReadRows : public ScriptedPort, public ::testing::WithParamInterface<LongReadRow> {};

TEST_P(LongReadRows, TimeOutCoversTheWholeCall) {
    const LongReadRow& row = GetParam();
    port.SetInterPacketTimeout(row.perWait);
    const uint64_t gap = row.lastArrival / 200;
    for (uint64_t i = 1; i <= 200; ++i) At(i * gap, std::string(1000, static_cast<char>('a' + i % 26)));
    const std::string text = port.ReadTextOfLength(200000, 1500);
    EXPECT_EQ(text.size(), row.whole ? 200000u : 0u);
    EXPECT_EQ(port.ErrorCode(), row.whole ? 0 : SerialErrTimeout);
    EXPECT_EQ(drv->Now(), row.endsAt);
}
INSTANTIATE_TEST_SUITE_P(Pieces, LongReadRows,
                         ::testing::Values(LongReadRow{"per_wait_slow", true, 2000, true, 2000},
                                           LongReadRow{"whole_call_slow", false, 2000, false, 1500},
                                           LongReadRow{"whole_call_in_time", false, 1400, true, 1400}),
                         [](const auto& info) { return std::string(info.param.name); });

// With RaiseExcept the caller gets no count, so what a timed read took before the failure goes
// back into the line buffer, ahead of the rest.
TEST_F(ScriptedPort, RaisingTimedReadsGiveBackWhatTheyTook) {
    port.SetRaiseExcept(true);
    At(10, "AB");
    At(20, "CD", TCommDriver::CE_FRAME);
    char buf[4] = {};
    EXPECT_THROW(port.ReadBytesTimed(buf, 4, 1000), ESerialError);
    EXPECT_EQ(port.LineBuffer(), "ABCD");

    // Across the pieces of a long fixed-length read: the first piece and the part of the second.
    port.DiscardAll();
    const std::string sent = std::string(65536, 'x') + std::string(464, 'y');
    At(drv->Now() + 10, sent);
    EXPECT_THROW(port.ReadTextOfLength(70000, 1000), ESerialError);
    EXPECT_EQ(port.ErrorCode(), SerialErrTimeout);
    EXPECT_EQ(port.LineBuffer().size(), sent.size());
    EXPECT_TRUE(port.LineBuffer() == sent);  // in order
}

TEST_F(ScriptedPort, BogusCountedLengthTimesOutWithoutAllocatingIt) {
    At(10, std::string("\xff\xff\xff\x7f"
                       "abc",
                       7));
    EXPECT_EQ(port.ReadCountedText(1000), "");
    EXPECT_EQ(port.ErrorCode(), SerialErrTimeout);
}

TEST_F(ScriptedPort, QueueCountsAndWaits) {
    EXPECT_EQ(port.InputQueueCount(), 0);
    EXPECT_FALSE(port.WaitForInput(300));
    EXPECT_EQ(drv->Now(), 300u);
    At(400, "abc");
    EXPECT_TRUE(port.WaitForInput(1000));
    EXPECT_EQ(drv->Now(), 400u);
    EXPECT_EQ(port.InputQueueCount(), 3);
    EXPECT_EQ(port.PendingInputCount(), 3);
    port.LineBuffer() = "zz";
    EXPECT_EQ(port.PendingInputCount(), 2);
    EXPECT_TRUE(port.WaitForInputOrBuffered(0));
    EXPECT_TRUE(port.WaitForOutputDrained(100));
}

// ---------------------------------------------------------------- line settings

TEST_F(ScriptedPort, ProgramLineSettings) {
    port.SetLineParams(115200, 8, 'N', 0, false, false);
    EXPECT_EQ(port.ErrorCode(), 0);
    const TLineState& s = dev->state;
    EXPECT_EQ(s.DCBlength, 28u);
    EXPECT_EQ(s.BaudRate, 115200u);
    EXPECT_EQ(s.ByteSize, 8);
    EXPECT_EQ(s.Parity, 0);
    EXPECT_EQ(s.StopBits, 0);
    EXPECT_FALSE(s.fParity);
    EXPECT_TRUE(s.fBinary);
    EXPECT_FALSE(s.fOutX || s.fInX || s.fOutxCtsFlow);
    EXPECT_EQ(s.fRtsControl, 1);
    EXPECT_EQ(s.fDtrControl, 1);
    EXPECT_EQ(s.XonLim, 1024);
    EXPECT_EQ(s.XoffLim, 1024);
    EXPECT_EQ(s.XonChar, 17);
    EXPECT_EQ(s.XoffChar, 19);
    EXPECT_EQ(port.LineState(), s);
}

TEST_F(ScriptedPort, ParityCharactersAndFlow) {
    const std::pair<char, int> rows[] = {{'N', 0}, {'n', 0}, {'O', 1}, {'o', 1}, {'E', 2},
                                         {'e', 2}, {'M', 3}, {'m', 3}, {'S', 4}, {'s', 4}};
    for (const auto& [c, parity] : rows) {
        port.SetLineParams(9600, 7, c, 2, true, true);
        EXPECT_EQ(dev->state.Parity, parity) << c;
        EXPECT_EQ(dev->state.fParity, parity != 0) << c;
    }
    EXPECT_TRUE(dev->state.fOutX && dev->state.fInX && dev->state.fOutxCtsFlow);
    EXPECT_EQ(dev->state.fRtsControl, 2);
    // Any other character keeps the port's parity.
    dev->state.Parity = 1;
    port.SetLineParams(9600, 8, 'X', 0, false, false);
    EXPECT_EQ(dev->state.Parity, 1);
    EXPECT_TRUE(dev->state.fParity);
}

TEST_F(ScriptedPort, RangeErrorsWriteNothing) {
    port.SetLineParams(9600, 8, 'N', 0, false, false);
    const TLineState before = dev->state;
    EXPECT_THROW(port.SetLineParams(-1, 8, 'N', 0, false, false), std::out_of_range);
    EXPECT_THROW(port.SetLineParams(9600, 256, 'N', 0, false, false), std::out_of_range);
    EXPECT_THROW(port.SetLineParams(9600, 8, 'N', 256, false, false), std::out_of_range);
    EXPECT_THROW(port.ResizeInputQueue(-4), std::out_of_range);
    EXPECT_THROW(port.ResizeInputQueue(4 * 65536), std::out_of_range);
    EXPECT_EQ(dev->state, before);
    EXPECT_EQ(port.InputQueueSize(), 4096);
    port.ResizeInputQueue(8192);
    EXPECT_EQ(dev->state.XonLim, 2048);
    EXPECT_EQ(port.InputQueueSize(), 8192);
}

TEST_F(ScriptedPort, FailedStateReadLeavesTheRecordZero) {
    drv->FailCall("GetCommState", EIO);
    drv->FailCall("SetCommState", EIO);
    port.SetLineParams(115200, 8, 'N', 0, false, false);
    EXPECT_EQ(port.ErrorCode(), EIO);
    EXPECT_EQ(port.LineState().ByteSize, 8);  // built from an all-zero record
    EXPECT_EQ(port.LineState().EofChar, 0);
}

TEST_F(ScriptedPort, RtsToggleIsALineStateSetting) {
    port.SetRtsToggle(true);
    EXPECT_EQ(dev->state.fRtsControl, 3);
    EXPECT_FALSE(port.RtsToggle());
    port.SetRtsToggle(false);
    EXPECT_EQ(dev->state.fRtsControl, 0);
}

TEST_F(ScriptedPort, ModemLines) {
    dev->modemStatus = TCommDriver::MS_CTS_ON | TCommDriver::MS_RLSD_ON;
    EXPECT_TRUE(port.CtsIsOn());
    EXPECT_FALSE(port.DsrIsOn());
    EXPECT_TRUE(port.CarrierIsOn());
    EXPECT_FALSE(port.RingIsOn());
    EXPECT_EQ(port.ModemLines(), TCommDriver::MS_CTS_ON | TCommDriver::MS_RLSD_ON);
    drv->FailCall("GetCommModemStatus", ENOTTY);
    EXPECT_EQ(port.ReadModemLines(), 0u);
    EXPECT_EQ(port.ErrorCode(), ENOTTY);
}

// ---------------------------------------------------------------- throttle, break, destroy

TEST_F(ScriptedPort, SpeedCapDelaysTheNextTransfer) {
    std::vector<std::string> waits;
    port.SetOnStatus([&](TSerialPort&, TSerialStatusReason r, const std::string& v) {
        if (r == SR_Wait) waits.push_back(v);
    });
    port.SetSpeedCap(1000);
    port.WriteText(std::string(500, 'a'));
    port.WriteText(std::string(10, 'b'));
    EXPECT_EQ(waits, (std::vector<std::string>{"500"}));
    EXPECT_EQ(drv->Now(), 500u);
}

TEST_F(ScriptedPort, SpeedCapAcrossTheTickWrapWaitsOnlyTheRealDistance) {
    drv->SetTickBase(0xFFFFFF00u);
    port.SetSpeedCap(1000);
    port.WriteText(std::string(100, 'a'));  // due: 100 ms on, just before the wrap
    drv->Advance(300);                      // the tick has wrapped past it
    port.WriteText("b");
    EXPECT_EQ(drv->Now(), 300u);
}

TEST_F(ScriptedPort, BreakPulseHoldsTheLine) {
    drv->Advance(10);
    port.SendBreakPulse(250);
    EXPECT_EQ(port.ErrorCode(), 0);
    const std::vector<std::pair<uint64_t, bool>> expected = {{10, true}, {260, false}};
    EXPECT_EQ(dev->breaks, expected);
    drv->FailCall("ClearCommBreak", EIO);
    port.SetRaiseExcept(true);
    EXPECT_NO_THROW(port.SendBreakPulse(1));
    EXPECT_EQ(port.ErrorCode(), EIO);
}

TEST(Destroy, ClosesAndNeverThrows) {
    auto drv = std::make_shared<TScriptedCommDriver>();
    drv->AddDevice(kPath);
    {
        TSerialPort port(drv);
        port.OpenPort(kPath);
        port.SetRaiseExcept(true);
        drv->FailCall("PurgeComm", EIO);
    }
    EXPECT_FALSE(drv->Device(kPath).open);
}

// ---------------------------------------------------------------- typed values and streams

TEST_F(ScriptedPort, Int32BothWays) {
    port.WriteInt32(67305985);
    EXPECT_EQ(dev->written, std::string("\x01\x02\x03\x04", 4));
    At(10, std::string("\x01\x02\x03\x04\xfe\xff\xff\xff", 8));
    EXPECT_EQ(port.ReadInt32(1000), 67305985);
    EXPECT_EQ(port.ReadInt32(1000), -2);
    EXPECT_EQ(port.ReadInt32(1000), 0);
    EXPECT_EQ(port.ErrorCode(), SerialErrTimeout);
}

TEST_F(ScriptedPort, CountedTextRoundTrip) {
    port.WriteCountedText(std::string("a\0b", 3));
    EXPECT_EQ(dev->written, std::string("\x03\0\0\0a\0b", 7));
    At(10, dev->written);
    EXPECT_EQ(port.ReadCountedText(1000), std::string("a\0b", 3));
}

TEST_F(ScriptedPort, CountedStreamsInBothByteOrders) {
    std::istringstream little("xxHELLO");
    little.seekg(2);
    port.WriteCountedStream(little);
    EXPECT_EQ(dev->written, std::string("\x05\0\0\0HELLO", 9));
    dev->written.clear();
    std::istringstream big("HELLO");
    port.WriteCountedStreamBE(big);
    EXPECT_EQ(dev->written, std::string("\0\0\0\x05HELLO", 9));

    At(10, std::string("\x05\0\0\0HELLO\0\0\0\x03"
                       "abc",
                       16));
    std::ostringstream a, b;
    port.ReadCountedStream(a, 1000);
    port.ReadCountedStreamBE(b, 1000);
    EXPECT_EQ(a.str(), "HELLO");
    EXPECT_EQ(b.str(), "abc");
    EXPECT_EQ(port.ErrorCode(), 0);
}

TEST_F(ScriptedPort, StreamRestGoesOutInPiecesOf8192) {
    std::vector<std::string> counts;
    port.SetOnStatus([&](TSerialPort&, TSerialStatusReason r, const std::string& v) {
        if (r == SR_WriteCount) counts.push_back(v);
    });
    std::string data(20000, '\0');
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 7);
    std::istringstream in(data);
    port.WriteStreamRest(in);
    EXPECT_EQ(dev->written, data);
    EXPECT_EQ(counts, (std::vector<std::string>{"8192", "8192", "3616"}));
}

class PieceRecordingPort : public TSerialPort {
  public:
    using TSerialPort::TSerialPort;
    std::string ReadTextOfLength(int32_t count, int32_t timeoutMs) override {
        pieces.push_back(count);
        return TSerialPort::ReadTextOfLength(count, timeoutMs);
    }
    std::vector<int32_t> pieces;
};

TEST(ReadToStream, ReadsWholePiecesThenTheRest) {
    auto drv = std::make_shared<TScriptedCommDriver>();
    drv->AddDevice(kPath);
    PieceRecordingPort port(drv);
    port.OpenPort(kPath);
    std::string data(16385, '\0');
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i % 251);
    drv->Arrive(kPath, 10, data.substr(0, 10000));
    drv->Arrive(kPath, 20, data.substr(10000));
    std::ostringstream out;
    port.ReadToStream(out, 1000, 16385);
    EXPECT_EQ(port.ErrorCode(), 0);
    EXPECT_EQ(port.pieces, (std::vector<int32_t>{8192, 8192, 1}));
    EXPECT_EQ(out.str(), data);

    port.pieces.clear();
    port.ReadToStream(out, 1000, 0);
    EXPECT_TRUE(port.pieces.empty());

    // A failure keeps the whole pieces already written.
    std::ostringstream partial;
    drv->Arrive(kPath, drv->Now() + 10, std::string(9000, 'z'));
    port.ReadToStream(partial, 1000, 16385);
    EXPECT_EQ(port.ErrorCode(), SerialErrTimeout);
    EXPECT_EQ(partial.str(), std::string(8192, 'z'));
}

TEST_F(ScriptedPort, ReadToStreamUntilIdleEndsWithTimeOut) {
    At(10, "abc");
    At(800, "def");
    std::ostringstream out;
    port.ReadToStreamUntilIdle(out, 1000);
    EXPECT_EQ(out.str(), "abcdef");
    EXPECT_EQ(port.ErrorCode(), SerialErrTimeout);
    EXPECT_EQ(drv->Now(), 1800u);
}

// ---------------------------------------------------------------- modem commands

struct ModemRow {
    const char* name;
    bool dial;
    std::string reply;
    std::string result;
    bool ok;
    int32_t code;
};
class ModemRows : public ::testing::TestWithParam<ModemRow> {};
TEST_P(ModemRows, CollectsReplyLines) {
    const ModemRow& row = GetParam();
    auto drv = std::make_shared<TScriptedCommDriver>();
    drv->AddDevice(kPath);
    TSerialPort port(drv);
    port.OpenPort(kPath);
    drv->Arrive(kPath, 20, row.reply);
    const std::string cmd = row.dial ? "ATD123" : "ATI";
    const std::string result = row.dial ? port.ModemDial(cmd) : port.ModemCommand(cmd);
    EXPECT_EQ(result, row.result);
    EXPECT_EQ(port.ModemReplyOk(), row.ok);
    EXPECT_EQ(port.ErrorCode(), row.code);
    EXPECT_EQ(drv->Device(kPath).written, cmd + "\r");
    EXPECT_FALSE(port.ConvertLineEnd());
}
INSTANTIATE_TEST_SUITE_P(
    Replies, ModemRows,
    ::testing::Values(
        ModemRow{"echo_then_ok", false, "ATI\r\nOK\r\n", "OK\r\n", true, 0},
        ModemRow{"blank_lines", false, "ATI\r\n\r\nMODEL 7\r\n\r\nOK\r\n", "\r\nMODEL 7\r\n\r\nOK\r\n", true, 0},
        ModemRow{"error", false, "ATI\rERROR\r", "ERROR\r\n", false, 0},
        ModemRow{"silence", false, "ATI\r\nPARTIAL", "\r\n", false, 9997},
        ModemRow{"connect_with_speed", true, "ATD123\r\nCONNECT 9600\r\n", "CONNECT 9600\r\n", true, 0},
        ModemRow{"busy", true, "BUSY\r\n", "BUSY\r\n", false, 0},
        ModemRow{"no_carrier", true, "\r\nNO CARRIER\r\n", "\r\nNO CARRIER\r\n", false, 0},
        ModemRow{"ok_is_not_final_when_dialling", true, "OK\r\nCONNECT\r\n", "OK\r\nCONNECT\r\n", true, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ScriptedPort, ModemCommandRestoresConvertLineEndAfterAnException) {
    port.SetRaiseExcept(true);
    port.SetAtTimeout(300);
    EXPECT_THROW(port.ModemCommand("AT"), ESerialError);
    EXPECT_FALSE(port.ConvertLineEnd());
    EXPECT_EQ(drv->Now(), 300u);
    port.SetConvertLineEnd(true);
    At(drv->Now() + 5, "OK\r\n");
    port.ModemCommand("AT");
    EXPECT_TRUE(port.ConvertLineEnd());
    EXPECT_TRUE(port.ModemReplyOk());
}

TEST_F(ScriptedPort, ModemDialWaitsNinetyLineTimeOuts) {
    port.SetAtTimeout(100);
    At(8000, "CONNECT\r\n");
    port.ModemDial("ATD1");
    EXPECT_TRUE(port.ModemReplyOk());
    EXPECT_EQ(drv->Waits.back(), 9000);
}

}  // namespace
