// The download over scripted loggers on the virtual clock: chunks and progress, every kind of
// damaged line, port failures and silence, without waiting for any real time-out.
#include "logger/reading_download.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>

#include "base/errors.h"
#include "logger/logger_session.h"
#include "logger/testing/recording_host.h"
#include "logger/testing/scripted_logger.h"
#include "serial/serial_port.h"

using lorv_test::ReadingLine;
using lorv_test::TRecordingHost;
using lorv_test::TScriptedLogger;

namespace {

const LoggerFormat Format;
const std::string Path = "\\\\.\\ttyUSB0";

TDateTime At(const char* text) { return Format.TextToDateTime(text); }

std::vector<std::string> Lines(int from, int to) {
    std::vector<std::string> lines;
    for (int i = from; i < to; ++i) lines.push_back(ReadingLine(i));
    return lines;
}

// Changes the lines of one answer (request counts from 1, `first` is the index asked for) and
// returns the bytes sent; the default joins them with line feeds.
using Shape = std::function<std::string(int request, std::int64_t first, std::vector<std::string>& lines)>;

std::string Joined(const std::vector<std::string>& lines) {
    std::string bytes;
    for (const auto& line : lines) bytes += line + "\n";
    return bytes;
}

// A logger holding lorv_test::ReadingLine(i) for i below `held` (one a minute from 2026-01-01
// 00:00), answering "D?n" with `perRequest` of them and nothing else.
TScriptedLogger::Handler Readings(int perRequest = 25, Shape shape = nullptr, int held = 1000000) {
    auto requests = std::make_shared<int>(0);
    return [=](const std::string& command) -> std::optional<std::string> {
        if (command.rfind("D?", 0) != 0) return std::string();
        const int first = std::stoi(command.substr(2));
        std::vector<std::string> lines = Lines(first, std::min(first + perRequest, held));
        ++*requests;
        return shape ? shape(*requests, first, lines) : Joined(lines);
    };
}

// A session on a scripted logger whose recording matches ReadingLine, with the computer's (and
// so the logger's) clock a day after its start.
struct DownloadRig {
    std::shared_ptr<TScriptedLogger> drv = std::make_shared<TScriptedLogger>();
    TSerialPort port{drv};
    TRecordingHost host;
    TLoggerSession session{port, host};

    explicit DownloadRig(TScriptedLogger::Handler logger, TDateTime now = At("2026-01-02 00:00:00")) {
        session.CurrentTime = [now] { return now; };
        session.RecStart = At("2026-01-01 00:00:00");
        session.RecStop = At("2027-01-01 00:00:00");
        session.RecIntervalSeconds = 60;
        drv->AddLogger(Path, std::move(logger));
        port.OpenPort(Path);
        port.SetLineParams(115200, 8, 'N', 0, false, false);
        // A download that never ends is a fault of its own; this ends it so the test can say so.
        host.OnEvents = [this] {
            if (host.EventPumps > 20000) host.Wanted = false;
        };
    }
    TDownloadReport Download(std::int64_t first, std::int64_t end, bool wholeChunks = true) {
        return session.DownloadReadings(TDownloadRange{first, end, wholeChunks});
    }
    std::vector<std::string> Commands() const { return drv->Commands(Path); }
};

TEST(DownloadReadings, RequestsChunksReportsProgressAndKeepsEveryLine) {
    DownloadRig rig(Readings());
    const TDownloadReport report = rig.Download(0, 60);

    EXPECT_EQ((std::vector<std::string>{"D?0", "D?25", "D?50"}), rig.Commands());
    EXPECT_EQ((std::vector<std::string>{"D?0", "D?25", "D?50"}), rig.host.Log);
    ASSERT_EQ(3u, rig.host.Chunks.size());
    EXPECT_EQ(25, rig.host.Chunks[0].Next);
    EXPECT_EQ(50, rig.host.Chunks[1].Next);
    EXPECT_EQ(75, rig.host.Chunks[2].Next);
    EXPECT_EQ(75, rig.host.Chunks[2].ReadingsStored);
    // The line that fills a chunk is stored too: no reading is lost between chunks.
    EXPECT_EQ(Lines(0, 75), rig.host.Data);
    EXPECT_TRUE(report.Complete());
    EXPECT_EQ(0, report.First);
    EXPECT_EQ(60, report.End);
    EXPECT_EQ(75, report.Next);
    EXPECT_EQ(75, report.LinesReceived);
    EXPECT_EQ(75, report.ReadingsStored);
    EXPECT_EQ(0, report.Rerequested);
    EXPECT_EQ(ReadingLine(74), rig.session.LastReadingLine);
    EXPECT_FALSE(rig.session.Downloading());
    // Every request is preceded by a purge of the input alone, the first one included.
    const std::uint32_t inputOnly = TCommDriver::PURGE_RXABORT | TCommDriver::PURGE_RXCLEAR;
    EXPECT_EQ((std::vector<std::uint32_t>{15, inputOnly, inputOnly, inputOnly}), rig.drv->Device(Path).purges);
}

TEST(DownloadReadings, RepeatOfTheLastStoredLineIsDroppedAcrossDownloads) {
    DownloadRig rig(Readings());
    rig.session.LastReadingLine = ReadingLine(0);  // stored by an earlier download

    const TDownloadReport first = rig.Download(0, 24);
    EXPECT_EQ(24, first.ReadingsStored);
    EXPECT_EQ(1, first.RepeatsDropped);
    EXPECT_EQ(Lines(1, 25), rig.host.Data);

    // The next download starts at the last reading fetched, which comes again and is dropped.
    rig.host.Data.clear();
    rig.Download(24, 48);
    EXPECT_EQ(Lines(25, 49), rig.host.Data);
}

TEST(DownloadReadings, ShortChunksEndAtTheLineTimeOutAndMoveTheIndexByWhatCame) {
    DownloadRig rig(Readings(24));
    rig.Download(0, 47);
    EXPECT_GE(rig.drv->Now(), 1000u);  // two chunks, each ended by 500 ms of silence
    EXPECT_EQ((std::vector<std::string>{"D?0", "D?24"}), rig.Commands());
    EXPECT_EQ(Lines(0, 48), rig.host.Data);
}

TEST(DownloadReadings, StoppingMidwayKeepsWhatCame) {
    DownloadRig rig(Readings());
    rig.host.OnEvents = [&rig] {
        if (rig.host.Data.size() >= 10) rig.host.Wanted = false;
    };
    const TDownloadReport report = rig.Download(0, 60);
    EXPECT_EQ(std::vector<std::string>{"D?0"}, rig.Commands());
    EXPECT_EQ(Lines(0, 10), rig.host.Data);
    EXPECT_EQ(TDownloadEnd::StoppedByUser, report.Ending);
    EXPECT_EQ(10, report.Next);
}

// ---------------------------------------------------------------- lines to ask for again

struct FaultRow {
    const char* name;
    std::int64_t first;
    Shape shape;
    std::int64_t lastStored;  // the readings first .. lastStored arrive clean, in order
    std::int64_t rerequested;
    std::vector<std::string> requests;
};
void PrintTo(const FaultRow& row, std::ostream* os) { *os << row.name; }

class DownloadFaults : public testing::TestWithParam<FaultRow> {};

TEST_P(DownloadFaults, StoreEveryReadingOnceAndClean) {
    const FaultRow& row = GetParam();
    DownloadRig rig(Readings(25, row.shape));
    if (std::string(row.name) == "StaleBytesWaitingInThePort") rig.drv->Arrive(Path, rig.drv->Now(), "3612\n2026-12-");

    const TDownloadReport report = rig.Download(row.first, 60);

    EXPECT_EQ(Lines(static_cast<int>(row.first), static_cast<int>(row.lastStored) + 1), rig.host.Data);
    EXPECT_TRUE(report.Complete()) << "damaged " << report.DamagedKept.size() << ", off time "
                                   << report.OffTimeKept.size();
    EXPECT_EQ(row.rerequested, report.Rerequested);
    EXPECT_EQ(row.requests, rig.Commands());
}

std::string WithInsert(const std::string& line, std::size_t at, const std::string& noise) {
    return line.substr(0, at) + noise + line.substr(at);
}

INSTANTIATE_TEST_SUITE_P(Rows, DownloadFaults,
                         testing::Values(
                             // The unfinished line at the end of a chunk is dropped with the input, not glued to the
                             // next answer; the next request fetches it whole.
                             FaultRow{"CutLineAtTheEndOfAChunk",
                                      0,
                                      [](int request, std::int64_t, std::vector<std::string>& lines) {
                                          if (request > 1) return Joined(lines);
                                          const std::string last = lines.back();
                                          lines.pop_back();
                                          return Joined(lines) + last.substr(0, last.size() / 2);
                                      },
                                      73,
                                      0,
                                      {"D?0", "D?24", "D?49"}},
                             FaultRow{"NoiseInsideALine",
                                      0,
                                      [](int request, std::int64_t, std::vector<std::string>& lines) {
                                          if (request == 1) lines[10] = WithInsert(lines[10], 22, "\x8f~");
                                          return Joined(lines);
                                      },
                                      83,
                                      1,
                                      {"D?0", "D?9", "D?34", "D?59"}},
                             // A digit pushed into the second channel keeps both fields numbers; the extra character
                             // gives it away.
                             FaultRow{"DigitInsideTheLastField",
                                      0,
                                      [](int request, std::int64_t, std::vector<std::string>& lines) {
                                          if (request == 1) lines[3] = WithInsert(lines[3], 33, "7");
                                          return Joined(lines);
                                      },
                                      76,
                                      1,
                                      {"D?0", "D?2", "D?27", "D?52"}},
                             FaultRow{"LostLineFeed",
                                      0,
                                      [](int request, std::int64_t, std::vector<std::string>& lines) {
                                          if (request == 1) {
                                              lines[10] += lines[11];
                                              lines.erase(lines.begin() + 11);
                                          }
                                          return Joined(lines);
                                      },
                                      83,
                                      1,
                                      {"D?0", "D?9", "D?34", "D?59"}},
                             // Noise in front of every answer is dropped from the reading it stands before.
                             FaultRow{"NoiseBeforeEveryAnswer",
                                      5,
                                      [](int, std::int64_t, std::vector<std::string>& lines) {
                                          return "\x7f@!" + Joined(lines);
                                      },
                                      79,
                                      0,
                                      {"D?5", "D?30", "D?55"}},
                             // Noise before the line of a reading that is asked for again lands on the line
                             // before it.
                             FaultRow{"NoiseBeforeALineAskedForAgain",
                                      0,
                                      [](int request, std::int64_t, std::vector<std::string>& lines) {
                                          if (request == 1) lines[10] = WithInsert(lines[10], 22, "\x8f~");
                                          return "\x1b" + Joined(lines);
                                      },
                                      83,
                                      1,
                                      {"D?0", "D?9", "D?34", "D?59"}},
                             FaultRow{"StaleBytesWaitingInThePort", 0, nullptr, 74, 0, {"D?0", "D?25", "D?50"}},
                             FaultRow{"AReadingOfAnotherIndex",
                                      0,
                                      [](int request, std::int64_t, std::vector<std::string>& lines) {
                                          if (request == 2) lines.insert(lines.begin(), ReadingLine(3));
                                          return Joined(lines);
                                      },
                                      73,
                                      1,
                                      {"D?0", "D?25", "D?24", "D?49"}}),
                         [](const testing::TestParamInfo<FaultRow>& info) { return std::string(info.param.name); });

struct NoiseRow {
    const char* name;
    std::string noise;     // in front of every answer
    const char* lineEnd;   // "\n", or "\r\n" from a logger that ends its lines so
    std::int64_t dropped;  // bytes counted as noise in the download
};
void PrintTo(const NoiseRow& row, std::ostream* os) { *os << row.name; }

class DownloadBehindNoise : public testing::TestWithParam<NoiseRow> {};

// The first reading of every answer is taken clean without asking again, the noise counted apart
// from damage; the repeat of the last stored line is known behind noise too.
TEST_P(DownloadBehindNoise, TakesEveryReadingCleanAndCountsTheNoise) {
    const NoiseRow& row = GetParam();
    DownloadRig rig(Readings(25, [&](int, std::int64_t, std::vector<std::string>& lines) {
        std::string bytes = row.noise;
        for (const auto& line : lines) bytes += line + row.lineEnd;
        return bytes;
    }));
    const std::string cr = std::string(row.lineEnd) == "\r\n" ? "\r" : "";

    const TDownloadReport first = rig.Download(0, 40);
    ASSERT_EQ(50u, rig.host.Data.size());
    for (int i = 0; i < 50; ++i) EXPECT_EQ(ReadingLine(i) + cr, rig.host.Data[i]);
    EXPECT_TRUE(first.Complete());
    EXPECT_EQ(0, first.Rerequested);
    EXPECT_EQ(2 * row.dropped, first.NoiseDropped);
    EXPECT_EQ(2, first.ReadingsBehindNoise);
    EXPECT_EQ((std::vector<std::string>{"D?0", "D?25"}), rig.Commands());

    // The next download starts at the last reading stored, which comes again behind the noise.
    const TDownloadReport next = rig.Download(49, 60);
    EXPECT_EQ(1, next.RepeatsDropped);
    EXPECT_EQ(0, next.Rerequested);
    EXPECT_TRUE(next.DamagedKept.empty());
    ASSERT_EQ(74u, rig.host.Data.size());
    EXPECT_EQ(ReadingLine(50) + cr, rig.host.Data[50]);
}

INSTANTIATE_TEST_SUITE_P(Answers, DownloadBehindNoise,
                         testing::Values(NoiseRow{"AdapterBytes", std::string("\0\x1b\xff\rq", 5), "\n", 5},
                                         NoiseRow{"OneByteBeforeCrLfLines", "\xff", "\r\n", 1},
                                         // Noise that looks like the end of a reading is still in front of it.
                                         NoiseRow{"DigitsAndBlanks", " 21.5 ", "\n", 6}),
                         [](const testing::TestParamInfo<NoiseRow>& info) { return std::string(info.param.name); });

TEST(DownloadReadings, AReadingOfAnotherIndexBehindNoiseIsNotTakenForThisOne) {
    // Reading 3 behind noise where reading 0 is expected: asked for again like any misplaced line.
    DownloadRig rig(Readings(25, [](int request, std::int64_t, std::vector<std::string>& lines) {
        if (request == 1) lines[0] = "\x1b" + ReadingLine(3);
        return Joined(lines);
    }));
    const TDownloadReport report = rig.Download(0, 20);
    EXPECT_EQ(Lines(0, 25), rig.host.Data);
    EXPECT_EQ(1, report.Rerequested);
    EXPECT_EQ(0, report.NoiseDropped);
    EXPECT_TRUE(report.Complete());
}

TEST(DownloadReadings, ALineStillDamagedAfterTwoRepeatsIsKeptAndReported) {
    const std::string damaged = ReadingLine(7).substr(0, 27) + "   Err  ";
    DownloadRig rig(Readings(25, [&](int, std::int64_t first, std::vector<std::string>& lines) {
        if (first <= 7) lines[7 - first] = damaged;
        return Joined(lines);
    }));

    const TDownloadReport report = rig.Download(0, 20);

    // The repeats start one and five readings early.
    EXPECT_EQ((std::vector<std::string>{"D?0", "D?6", "D?2"}), rig.Commands());
    std::vector<std::string> expected = Lines(0, 27);
    expected[7] = damaged;
    EXPECT_EQ(expected, rig.host.Data);
    EXPECT_EQ(std::vector<std::int64_t>{7}, report.DamagedKept);
    EXPECT_EQ(2, report.Rerequested);
    EXPECT_EQ(TDownloadEnd::RangeCovered, report.Ending);
    EXPECT_FALSE(report.Complete());
}

TEST(DownloadReadings, AReadingOffItsTimeIsKeptAfterOneRepeatAndLaterOnesFollowIt) {
    // From reading 10 on the logger's readings lie 30 s after their nominal times.
    auto late = [](int index) {
        std::string line = ReadingLine(index);
        if (index >= 10) line.replace(17, 2, "30");
        return line;
    };
    DownloadRig rig(Readings(25, [&](int, std::int64_t first, std::vector<std::string>& lines) {
        for (std::size_t i = 0; i < lines.size(); ++i) lines[i] = late(static_cast<int>(first + i));
        return Joined(lines);
    }));

    const TDownloadReport report = rig.Download(0, 40);

    EXPECT_EQ((std::vector<std::string>{"D?0", "D?9", "D?34"}), rig.Commands());
    ASSERT_EQ(59u, rig.host.Data.size());
    EXPECT_EQ(late(10), rig.host.Data[10]);
    EXPECT_EQ(late(58), rig.host.Data.back());
    EXPECT_EQ(std::vector<std::int64_t>{10}, report.OffTimeKept);
    EXPECT_TRUE(report.DamagedKept.empty());
    EXPECT_EQ(1, report.Rerequested);
}

TEST(DownloadReadings, AReadingThatNeverComesIsReportedNotReceivedAndTheCountFollowsTheTimes) {
    // The logger skips reading 7 in every answer: the reading after it comes in its place.
    DownloadRig rig(Readings(25, [](int, std::int64_t first, std::vector<std::string>& lines) {
        if (first <= 7) lines.erase(lines.begin() + (7 - first));
        return Joined(lines);
    }));

    const TDownloadReport report = rig.Download(0, 30);

    EXPECT_EQ((std::vector<std::string>{"D?0", "D?6", "D?2", "D?27"}), rig.Commands());
    std::vector<std::string> expected = Lines(0, 7);
    const std::vector<std::string> after = Lines(8, 52);
    expected.insert(expected.end(), after.begin(), after.end());
    EXPECT_EQ(expected, rig.host.Data);
    EXPECT_EQ(std::vector<std::int64_t>{7}, report.Missing);
    EXPECT_FALSE(report.Complete());
}

// ---------------------------------------------------------------- how a download ends

struct FailureRow {
    const char* name;
    std::int32_t code;
    std::string text;
    std::size_t stored;
    std::vector<std::string> requests;
};
void PrintTo(const FailureRow& row, std::ostream* os) { *os << row.name; }

class DownloadPortFailure : public testing::TestWithParam<FailureRow> {};

TEST_P(DownloadPortFailure, EndsAtOnceKeepingWhatCame) {
    const FailureRow& row = GetParam();
    const std::string name = row.name;
    int requests = 0;
    DownloadRig rig([&](const std::string& command) -> std::optional<std::string> {
        if (name == "Unplugged" && ++requests == 2) return std::nullopt;
        return Readings()(command);
    });
    if (name == "PortClosedFromTheEventPump") {
        // A new search from the window that found nothing closes the port mid-download.
        rig.host.OnEvents = [&rig] {
            if (rig.host.Data.size() == 30 && rig.port.IsOpen()) rig.port.ClosePort();
        };
    }
    if (name == "WriteFails") rig.drv->FailCall("WriteFile", EIO);

    const TDownloadReport report = rig.Download(0, 1000);

    EXPECT_EQ(TDownloadEnd::PortFailure, report.Ending);
    EXPECT_EQ(row.code, report.PortError);
    EXPECT_EQ(row.text, report.PortErrorText);
    EXPECT_EQ(Lines(0, static_cast<int>(row.stored)), rig.host.Data);
    EXPECT_EQ(row.requests, rig.Commands());
    // The progress stays at the last chunk that ended well.
    EXPECT_EQ(row.stored / 25, rig.host.Chunks.size());
}

INSTANTIATE_TEST_SUITE_P(
    Rows, DownloadPortFailure,
    testing::Values(
        FailureRow{"Unplugged", EIO, "Input/output error", 25, {"D?0", "D?25"}},
        FailureRow{"PortClosedFromTheEventPump", SerialErrNotOpen, "Instance not yet connected", 30, {"D?0", "D?25"}},
        FailureRow{"WriteFails", EIO, "Input/output error", 0, {}}),
    [](const testing::TestParamInfo<FailureRow>& info) { return std::string(info.param.name); });

TEST(DownloadReadings, ASilentLoggerEndsTheDownloadAfterThreeRequests) {
    for (const bool stopKnown : {true, false}) {
        DownloadRig rig([](const std::string&) -> std::optional<std::string> { return std::string(); });
        if (!stopKnown) rig.session.RecStop = 0;  // not read yet: it limits nothing
        const TDownloadReport report = rig.Download(0, 60);
        EXPECT_EQ(TDownloadEnd::LoggerSilent, report.Ending) << stopKnown;
        EXPECT_EQ((std::vector<std::string>{"D?0", "D?0", "D?0"}), rig.Commands());
        EXPECT_GE(rig.drv->Now(), 1500u);
        EXPECT_EQ(0, report.Next);
    }
}

TEST(DownloadReadings, SilenceAtAReadingNotTakenYetEndsTheRangeQuietly) {
    // The logger's clock stands at 01:00:30: it holds readings 0 to 60, the range asks up to 61.
    DownloadRig rig(Readings(25, nullptr, 61), At("2026-01-01 01:00:30"));
    const TDownloadReport report = rig.Download(0, 61);
    EXPECT_EQ((std::vector<std::string>{"D?0", "D?25", "D?50", "D?61"}), rig.Commands());
    EXPECT_TRUE(report.Complete());
    EXPECT_EQ(61, report.Next);
}

TEST(DownloadReadings, ARecordingThatStartsLaterSendsNothing) {
    DownloadRig rig(Readings(), At("2025-12-31 23:00:00"));
    const TDownloadReport report = rig.Download(0, 10);
    EXPECT_EQ(TDownloadEnd::NotStarted, report.Ending);
    EXPECT_TRUE(rig.host.Log.empty());
}

TEST(DownloadReadings, RangeLimits) {
    // An end before the start fetches one chunk from the first index.
    DownloadRig whole(Readings());
    whole.Download(10, 5);
    EXPECT_EQ(std::vector<std::string>{"D?10"}, whole.Commands());
    EXPECT_EQ(Lines(10, 35), whole.host.Data);

    // Without whole chunks nothing beyond the end is kept.
    DownloadRig exact(Readings());
    const TDownloadReport report = exact.Download(0, 30, false);
    EXPECT_EQ(Lines(0, 31), exact.host.Data);
    EXPECT_EQ(31, report.Next);
    EXPECT_TRUE(report.Complete());

    try {
        exact.Download(0, 3000000000LL);
        FAIL() << "no error";
    } catch (const EConvertError& e) {
        EXPECT_EQ(std::string("'3000000000' is not a valid integer value"), e.what());
    }
}

TEST(IndexListText, NamesAtMostTheGivenNumber) {
    EXPECT_EQ("", IndexListText({}));
    EXPECT_EQ("7", IndexListText({7}));
    EXPECT_EQ("1, 2 and 2 more", IndexListText({1, 2, 3, 4}, 2));
}

}  // namespace
