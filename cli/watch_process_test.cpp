// lorv304d-cli watch as a separate process, with loggers (lorv304d-emulator on ptys) plugged in
// and out through a device map: the first plug-in downloads everything, the next only what was
// recorded since, a download cut by an unplug is completed at the next plug-in, a followed
// recording shows each reading within one interval, other devices are asked once, and a stop
// signal lets the logger go with "d!".
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <sstream>
#include <thread>

#include "archive/sqlite_archive.h"
#include "base/atomic_file.h"
#include "base/logger_format.h"
#include "base/testing/file_bytes.h"
#include "base/testing/temp_folder.h"
#include "cli/testing/cli_child.h"
#include "emulator/emulator_process.h"
#include "serial/testing/held_pty.h"


namespace {

using Json = nlohmann::json;
using Clock = std::chrono::steady_clock;
// Generous: the machine may be loaded; a passing run waits only as long as the events take.
constexpr auto kEventWait = std::chrono::seconds(20);

std::string FullText(TDateTime t) {
    const LoggerFormat f;
    return f.DateToText(t) + " " + f.TimeToText(t);
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// The first "D?" request an emulator logged; empty when none came.
std::string FirstRequest(const std::string& log) {
    for (const std::string& line : Lines(ReadFileBytes(log)))
        if (line.rfind("D?", 0) == 0) return line;
    return "";
}

// A running watch with its JSON lines read as they come.
class TWatch {
  public:
    TWatch(const TTempFolder& dir, const std::vector<std::string>& args)
        : outPath_(dir.File("watch.out")), errPath_(dir.File("watch.err")) {
        std::vector<std::string> all{"watch", "--json"};
        all.insert(all.end(), args.begin(), args.end());
        pid_ = StartCliChild(all, {"LORV304D_DEVICEMAP=" + dir.File("map"), "LORV304D_ARCHIVE=" + dir.File("archive.sqlite3")},
                             outPath_, errPath_);
    }
    ~TWatch() {
        if (pid_ > 0 && !ended_) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }

    // The first event of that name not taken yet that `match` accepts (waiting for it), taken now.
    // Empty after kEventWait.
    std::optional<Json> Next(const std::string& event, const std::function<bool(const Json&)>& match = {}) {
        const auto until = Clock::now() + kEventWait;
        do {
            const std::vector<std::string> lines = Lines(ReadFileBytes(outPath_));
            taken_.resize(lines.size(), false);
            for (std::size_t i = 0; i < lines.size(); ++i) {
                if (taken_[i]) continue;
                const Json j = Json::parse(lines[i], nullptr, false);
                if (j.is_discarded()) {
                    // A line still being written; read again next round.
                    continue;
                }
                if (j.value("event", "") == event && (!match || match(j))) {
                    taken_[i] = true;
                    return j;
                }
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        } while (Clock::now() < until);
        ADD_FAILURE() << "no '" << event << "' event; output:\n" << ReadFileBytes(outPath_) << ReadFileBytes(errPath_);
        return std::nullopt;
    }

    // Every event printed so far of that name.
    std::vector<Json> All(const std::string& event) const {
        std::vector<Json> found;
        for (const std::string& line : Lines(ReadFileBytes(outPath_))) {
            const Json j = Json::parse(line, nullptr, false);
            if (!j.is_discarded() && j.value("event", "") == event) found.push_back(j);
        }
        return found;
    }

    // Sends `sig` and returns the exit status (-1 when it did not end within kEventWait).
    int Stop(int sig = SIGTERM) {
        kill(pid_, sig);
        return Wait();
    }
    // Waits for the end without a signal: the exit status, -1 after kEventWait.
    int Wait() {
        const int status = WaitForCliChild(pid_, kEventWait);
        ended_ = status >= 0;
        return status;
    }
    std::string Err() const { return ReadFileBytes(errPath_); }

  private:
    std::string outPath_, errPath_;
    pid_t pid_ = -1;
    bool ended_ = false;
    std::vector<bool> taken_;
};

class WatchAgainstEmulator : public testing::Test {
  protected:
    TTempFolder dir_{"watch_process"};

    // A logger that writes the device map itself (plugged in while it runs) and logs its commands.
    std::unique_ptr<emulator::EmulatorProcess> Plug(std::vector<std::string> args, const std::string& log) {
        args.insert(args.end(), {"--devicemap", dir_.File("map"), "--command-log", dir_.File(log)});
        return std::make_unique<emulator::EmulatorProcess>(args);
    }
    void Map(const std::vector<std::string>& ports) {
        std::string text;
        for (std::size_t i = 0; i < ports.size(); ++i) text += "\\Device\\VCP" + std::to_string(i) + "=" + ports[i] + "\n";
        WriteFileAtomically(dir_.File("map"), text);
    }
};

bool Downloaded(const Json& j) { return j["follow"] == false; }

TEST_F(WatchAgainstEmulator, EachPlugInFetchesExactlyWhatTheArchiveLacks) {
    const TDateTime start = static_cast<TDateTime>(static_cast<std::int64_t>(Now() * 86400) - 400) / 86400;
    const auto recording = [&](int readings) {
        return std::vector<std::string>{"--model", "KX-05", "--interval", "1", "--start", FullText(start), "--stop",
                                        FullText(start + (readings - 1) / 86400.0)};
    };
    TWatch watch(dir_, {});
    ASSERT_TRUE(watch.Next("started"));

    // Plugged in with 60 readings: all of them.
    {
        auto logger = Plug(recording(60), "a.log");
        const auto d = watch.Next("downloaded", Downloaded);
        ASSERT_TRUE(d);
        EXPECT_EQ((*d)["received"], 60);
        EXPECT_EQ((*d)["complete"], true);
        EXPECT_EQ((*d)["held"], 60);
        EXPECT_EQ(FirstRequest(dir_.File("a.log")), "D?0");
    }
    ASSERT_TRUE(watch.Next("gone"));

    // Again with 90: only the 30 recorded since.
    {
        auto logger = Plug(recording(90), "b.log");
        const auto d = watch.Next("downloaded", Downloaded);
        ASSERT_TRUE(d);
        EXPECT_EQ((*d)["wanted"], 30);
        EXPECT_EQ((*d)["received"], 30);
        EXPECT_EQ((*d)["held"], 90);
        EXPECT_EQ(FirstRequest(dir_.File("b.log")), "D?60");
    }
    ASSERT_TRUE(watch.Next("gone"));

    // Unplugged after 50 reading lines, in the middle of its download: what came is kept...
    std::int64_t cut = 0;
    {
        auto args = recording(200);
        args.insert(args.end(), {"--unplug-after", "50"});
        auto logger = Plug(args, "c.log");
        const auto d = watch.Next("downloaded", Downloaded);
        ASSERT_TRUE(d);
        EXPECT_EQ((*d)["ending"], "port_failure");
        cut = (*d)["received"].get<std::int64_t>();
        EXPECT_GT(cut, 0);
        EXPECT_LT(cut, 110);
        ASSERT_TRUE(watch.Next("gone"));
    }
    // ...and the next plug-in fetches exactly the rest.
    {
        auto logger = Plug(recording(200), "d.log");
        const auto d = watch.Next("downloaded", Downloaded);
        ASSERT_TRUE(d);
        EXPECT_EQ((*d)["received"], 110 - cut);
        EXPECT_EQ((*d)["held"], 200);
        EXPECT_EQ(FirstRequest(dir_.File("d.log")), "D?" + std::to_string(90 + cut));
    }
    EXPECT_EQ(watch.Stop(), 0) << watch.Err();

    const auto archive = archive::OpenSqliteArchive(dir_.File("archive.sqlite3"));
    const auto recordings = archive->Recordings();
    ASSERT_EQ(recordings.size(), 1u);
    EXPECT_EQ(recordings[0].Readings, 200);
    EXPECT_EQ(recordings[0].Missing, 0);
    EXPECT_EQ(recordings[0].Damaged, 0);
    EXPECT_EQ(recordings[0].Conflicts, 0);
    // Each reading came once: the downloads added 200 rows in all.
    std::int64_t added = 0;
    for (const auto& download : archive->Downloads(recordings[0].Id)) added += download.ReadingsAdded;
    EXPECT_EQ(added, 200);
}

TEST_F(WatchAgainstEmulator, FollowShowsEachReadingWithinOneIntervalAndStopSaysGoodbye) {
    auto logger = Plug({"--interval", "2", "--readings", "3"}, "f.log");
    TWatch watch(dir_, {"--follow"});
    const auto caughtUp = watch.Next("downloaded", Downloaded);
    ASSERT_TRUE(caughtUp);
    std::int64_t next = (*caughtUp)["received"].get<std::int64_t>();
    EXPECT_GE(next, 3);
    const LoggerFormat format;
    for (int n = 0; n < 3; ++n, ++next) {
        const auto reading = watch.Next("reading");
        ASSERT_TRUE(reading);
        const double late = (Now() - format.TextToDateTime((*reading)["time"].get<std::string>())) * 86400;
        EXPECT_EQ((*reading)["index"], next);
        EXPECT_LT(late, 2.0) << "reading " << next;
    }
    EXPECT_EQ(watch.Stop(SIGTERM), 0) << watch.Err();
    EXPECT_EQ(watch.All("stopped").size(), 1u);
    const std::vector<std::string> commands = Lines(ReadFileBytes(dir_.File("f.log")));
    ASSERT_FALSE(commands.empty());
    EXPECT_EQ(commands.back(), "d!");
}

TEST_F(WatchAgainstEmulator, OtherDevicesAreAskedOnceAndABusyPortIsNamedOnce) {
    emulator::EmulatorProcess modem({"--model", "MODEM 56K", "--command-log", dir_.File("modem.log")});
    THeldPty held;
    ASSERT_TRUE(held.Held());
    Map({modem.SlavePath().substr(5), held.PortName()});
    TWatch watch(dir_, {});
    ASSERT_TRUE(watch.Next("other_device"));
    const auto busy = watch.Next("port_unavailable");
    ASSERT_TRUE(busy);
    EXPECT_EQ((*busy)["trouble"], "busy");

    // A logger comes and goes beside them: scans go on, the others are left alone.
    emulator::EmulatorProcess logger({"--readings", "5"});
    Map({modem.SlavePath().substr(5), held.PortName(), logger.SlavePath().substr(5)});
    ASSERT_TRUE(watch.Next("downloaded"));
    Map({modem.SlavePath().substr(5), held.PortName()});
    ASSERT_TRUE(watch.Next("gone"));
    EXPECT_EQ(watch.Stop(), 0);

    EXPECT_EQ(watch.All("other_device").size(), 1u);
    EXPECT_EQ(watch.All("port_unavailable").size(), 1u);
    EXPECT_EQ(Lines(ReadFileBytes(dir_.File("modem.log"))), std::vector<std::string>{"N?"});
}

TEST_F(WatchAgainstEmulator, AnArchiveThatCannotBeUsedEndsItAtTheStart) {
    WriteFileAtomically(dir_.File("archive.sqlite3"), "not a database, and never to be written\n");
    TWatch watch(dir_, {});
    EXPECT_EQ(watch.Wait(), 3);
    EXPECT_NE(watch.Err().find("lorv304d-cli: archive " + dir_.File("archive.sqlite3")), std::string::npos)
        << watch.Err();
    EXPECT_EQ(ReadFileBytes(dir_.File("archive.sqlite3")), "not a database, and never to be written\n");
    EXPECT_TRUE(watch.All("started").empty());
}

}  // namespace
