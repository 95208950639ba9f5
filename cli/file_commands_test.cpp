// convert and stats: their command lines, and runs on real files under a time zone set by the
// test.
#include "cli/file_commands.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "base/testing/file_bytes.h"
#include "base/testing/temp_path.h"
#include "cli/cli_run.h"
#include "data/scoped_time_zone.h"

namespace cli {
namespace {

TEST(FileCommandLine, FileFormatLimitsAndRange) {
    const TCliOptions c = ParseCommandLine({"convert", "a.log", "--format=tsv", "-o", "a.tsv", "--utc"});
    EXPECT_EQ(Command::Convert, c.Cmd);
    EXPECT_EQ("a.log", c.File);
    EXPECT_EQ("tsv", c.Format);
    EXPECT_EQ("a.tsv", c.Output);
    EXPECT_TRUE(c.Utc);

    const TCliOptions s = ParseCommandLine(
        {"stats", "--low", "-18.5", "a.log", "--high=8", "--from", "2026-03-01", "--to", "2026-03-02", "--json"});
    EXPECT_EQ(Command::Stats, s.Cmd);
    EXPECT_EQ("a.log", s.File);
    EXPECT_EQ(-18.5, s.Low.value_or(0));
    EXPECT_EQ(8.0, s.High.value_or(0));
    EXPECT_EQ("2026-03-01", s.From.value_or(""));
    EXPECT_TRUE(s.Json);
}

struct TRefusedFileCommand {
    const char* Name;
    std::vector<std::string> Arguments;
    const char* Reason;
};

class RefusedFileCommand : public testing::TestWithParam<TRefusedFileCommand> {};

TEST_P(RefusedFileCommand, NamesTheReason) {
    try {
        ParseCommandLine(GetParam().Arguments);
        FAIL() << "accepted";
    } catch (const EUsageError& e) {
        EXPECT_EQ(std::string(GetParam().Reason), e.what());
        EXPECT_EQ(GetParam().Arguments[0] == "convert" ? Command::Convert : Command::Stats, e.Cmd);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, RefusedFileCommand,
    testing::Values(
        TRefusedFileCommand{"ConvertNoFile", {"convert", "--format", "csv"}, "convert needs a data file or --recording ID (one of them)"},
        TRefusedFileCommand{"ConvertNoFormat", {"convert", "a.log"}, "convert needs --format csv or tsv"},
        TRefusedFileCommand{
            "ConvertLogFormat", {"convert", "a.log", "--format", "log"}, "convert needs --format csv or tsv"},
        TRefusedFileCommand{
            "ConvertTwoFiles", {"convert", "a.log", "b.log", "--format", "csv"}, "unexpected argument 'b.log'"},
        TRefusedFileCommand{"ConvertLimit",
                            {"convert", "a.log", "--format", "csv", "--low", "2"},
                            "convert does not take the option --low"},
        TRefusedFileCommand{"StatsNoFile", {"stats", "--json"}, "stats needs a data file or --recording ID (one of them)"},
        TRefusedFileCommand{"StatsComma", {"stats", "a.log", "--low", "2,5"}, "'2,5' is not a temperature"},
        TRefusedFileCommand{
            "StatsLimitsCrossed", {"stats", "a.log", "--low", "8", "--high", "2"}, "--low is above --high"},
        TRefusedFileCommand{
            "StatsBadFrom", {"stats", "a.log", "--from", "monday"}, "'monday' is not a valid date and time"},
        TRefusedFileCommand{"StatsUtc", {"stats", "a.log", "--utc"}, "stats does not take the option --utc"}),
    [](const testing::TestParamInfo<TRefusedFileCommand>& info) { return std::string(info.param.Name); });

class FileCommandRun : public testing::Test {
  protected:
    void SetUp() override {
        std::ofstream(input_, std::ios::binary) << "2026-10-25 01:45:00     2.5    20.0\r\n"
                                                   "2026-10-25 02:00:00     3.5    20.0\r\n"
                                                   "N?\r\n"
                                                   "2026-10-25 03:00:00     9.0   x\r\n"
                                                   "2026-10-25 02:15:00     3.5    20.0\r\n";
    }
    void TearDown() override {
        std::remove(input_.c_str());
        std::remove(output_.c_str());
    }
    int Run(std::vector<std::string> args, const TCliEnvironment& env = {}) {
        out_.str("");
        err_.str("");
        return RunCli(args, out_, err_, env);
    }

    const TScopedTimeZone zone_{"Europe/Warsaw"};
    const std::string base_ = testing::TempDir() + "file_commands_" + std::to_string(::getpid());
    const std::string input_ = base_ + ".log";
    const std::string output_ = base_ + ".csv";
    std::ostringstream out_, err_;
};

TEST_F(FileCommandRun, ConvertToStandardOutputOrAWholeFile) {
    EXPECT_EQ(ExitOk, Run({"convert", input_, "--format", "csv"}));
    EXPECT_EQ(
        "time,t1_c,t2_c\r\n"
        "2026-10-25T01:45:00+02:00,2.5,20.0\r\n"
        "2026-10-25T02:00:00+02:00,3.5,20.0\r\n"
        "2026-10-25T03:00:00+01:00,9.0,\r\n"
        "2026-10-25T02:15:00+02:00,3.5,20.0\r\n",
        out_.str());
    EXPECT_EQ(
        "4 readings, 1 line skipped; 0 times in a gap and 2 in a fold of the clocks, written with the offset "
        "before the change\n",
        err_.str());

    EXPECT_EQ(ExitOk, Run({"convert", input_, "--format", "tsv", "--utc", "-o", output_, "-q"}));
    EXPECT_EQ("", out_.str() + err_.str());
    EXPECT_EQ(
        "time\tt1_c\tt2_c\n2026-10-24T23:45:00Z\t2.5\t20.0\n2026-10-25T00:00:00Z\t3.5\t20.0\n"
        "2026-10-25T02:00:00Z\t9.0\t\n2026-10-25T00:15:00Z\t3.5\t20.0\n",
        ReadFileBytes(output_));

    // A file that cannot be read, or an output that cannot be written, is one line and status 3.
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"convert", base_ + ".missing", "--format", "csv"},
          std::vector<std::string>{"convert", input_, "--format", "csv", "-o", testing::TempDir()}}) {
        EXPECT_EQ(ExitFileOrPort, Run(args));
        const std::string error = err_.str();
        EXPECT_EQ(0u, error.find("lorv304d-cli: Cannot ")) << error;
        EXPECT_EQ(1, std::count(error.begin(), error.end(), '\n')) << error;
    }
}

TEST_F(FileCommandRun, StatsAsTextAndJson) {
    EXPECT_EQ(ExitOk, Run({"stats", input_, "--high", "3.5"}));
    EXPECT_EQ("File:                 " + input_ +
                  "\n"
                  "Lines:                5 (4 readings, 1 skipped)\n"
                  "Readings taken:       4, 2026-10-25 01:45:00 to 2026-10-25 03:00:00\n"
                  "Interval:             900 s (most common spacing)\n"
                  "Limits:               high 3.5 °C\n"
                  "\n"
                  "Channel 1 (t1_c)\n"
                  "  Count:                4\n"
                  "  Minimum:              2.5 °C at 2026-10-25 01:45:00\n"
                  "  Maximum:              9.0 °C at 2026-10-25 03:00:00\n"
                  "  Mean:                 4.62 °C\n"
                  "  Standard deviation:   2.95 °C\n"
                  "  MKT:                  5.06 °C\n"
                  "  Above 3.5 °C:         900 s (0:15:00), 25.0 %\n"
                  "Channel 2 (t2_c)\n"
                  "  Count:                3\n"
                  "  Minimum:              20.0 °C at 2026-10-25 01:45:00\n"
                  "  Maximum:              20.0 °C at 2026-10-25 01:45:00\n"
                  "  Mean:                 20.00 °C\n"
                  "  Standard deviation:   0.00 °C\n"
                  "  MKT:                  20.00 °C\n"
                  "  Above 3.5 °C:         2700 s (0:45:00), 100.0 %\n"
                  "\n"
                  "Gaps:                 1, 2 readings missing\n"
                  "  2026-10-25 02:15:00 to 2026-10-25 03:00:00: 2 missing\n"
                  "Out of time order:    1\n"
                  "  line 5: 2026-10-25 02:15:00 after 2026-10-25 03:00:00\n"
                  "Repeated times:       0, 0 extra readings\n",
              out_.str());

    EXPECT_EQ(ExitOk, Run({"stats", input_, "--json", "--from", "2026-10-25 02:00:00", "--to", "2026-10-25 02:30"}));
    const std::string json = out_.str();
    EXPECT_EQ(1, std::count(json.begin(), json.end(), '\n'));
    for (const char* part :
         {"\"lines\":5,\"readings\":2,\"skipped_lines\":1,\"from\":\"2026-10-25 02:00:00\",\"to\":\"2026-10-25 "
          "02:30:00\",\"first\":\"2026-10-25 02:00:00\",\"last\":\"2026-10-25 02:15:00\",\"interval_s\":900,"
          "\"interval_given\":false,\"low_c\":null,\"high_c\":null",
          "\"t1\":{\"count\":2,\"min\":3.5,\"min_time\":\"2026-10-25 02:00:00\",\"max\":3.5,",
          "\"gaps\":[],\"missing_readings\":0,\"out_of_order\":[],\"repeated\":[],\"repeated_readings\":0}"})
        EXPECT_NE(std::string::npos, json.find(part)) << part << "\n" << json;
}

// Alarm profiles: built in, own (settings file) and named as a file; the JSON of the rules and
// the exit statuses that scripts rely on.
class StatsProfileRun : public FileCommandRun {
  protected:
    void SetUp() override {
        std::filesystem::create_directory(dir_.Path());
        std::ofstream(input_, std::ios::binary) << "2026-03-01 00:00:00     5.0    20.0\r\n"
                                                   "2026-03-01 00:15:00     9.0    20.0\r\n"
                                                   "2026-03-01 00:30:00     9.5    20.0\r\n"
                                                   "2026-03-01 00:45:00     6.0    20.0\r\n"
                                                   "2026-03-01 01:00:00     8.0    20.0\r\n"
                                                   "2026-03-01 01:15:00    10.0    20.0\r\n";
        std::ofstream(env_.SettingsFile) << "[Form]\nTop=1\n[Profil chłodnia]\nRegula1 = 1 > 9.5 consecutive 30min\n"
                                            "[Profil broken]\nRegula1 = 1 > 9.5 sometimes\n";
        std::ofstream(profileFile_) << "; shipping\n[Profil lane]\nRegula1 = both >= 9.5 cumulative 15min | warm\n";
        std::ofstream(faultyFile_) << "[Profil lane]\nRegula1 = 1 >= 9.5 single\nRegula2 = 3 > 1 single\n";
    }
    nlohmann::json RunJson(std::vector<std::string> args, int status = ExitOk) {
        EXPECT_EQ(status, Run(args, env_)) << err_.str();
        return nlohmann::json::parse(out_.str());
    }

    const TTempPath dir_{"stats_profiles_"};
    const std::string profileFile_ = dir_.Path() + "/lane.ini";
    const std::string faultyFile_ = dir_.Path() + "/faulty.ini";
    const TCliEnvironment env_{.SettingsFile = dir_.Path() + "/lorv304d.INI", .Report = {}};
};

TEST_F(StatsProfileRun, RulesAndExcursionsAsJsonAndText) {
    EXPECT_EQ(ExitOk, Run({"stats", input_, "--profile", "2-8", "--json"}));
    const std::string json = out_.str();
    EXPECT_NE(std::string::npos,
              json.find(
                  "\"repeated_readings\":0,\"profile\":\"2-8\",\"rules\":["
                  "{\"channel\":1,\"compare\":\">\",\"limit\":8.0,\"kind\":\"single\",\"duration_s\":0,"
                  "\"label\":\"above 8 °C\",\"triggered\":true,\"seconds_beyond\":2700,\"excursions\":["
                  "{\"start\":\"2026-03-01 00:15:00\",\"end\":\"2026-03-01 00:45:00\",\"seconds\":1800,"
                  "\"peak\":9.5,\"peak_time\":\"2026-03-01 00:30:00\"},"
                  "{\"start\":\"2026-03-01 01:15:00\",\"end\":\"2026-03-01 01:30:00\",\"seconds\":900,"
                  "\"peak\":10.0,\"peak_time\":\"2026-03-01 01:15:00\"}]},"
                  "{\"channel\":1,\"compare\":\"<\",\"limit\":2.0,\"kind\":\"single\",\"duration_s\":0,"
                  "\"label\":\"below 2 °C\",\"triggered\":false,\"seconds_beyond\":0,\"excursions\":[]}]}\n"))
        << json;

    EXPECT_EQ(ExitOk, Run({"stats", input_, "--profile", "2-8", "--to", "2026-03-01 01:00"}));
    const std::string text = out_.str();
    EXPECT_NE(std::string::npos,
              text.find("\nProfile:              2-8\n"
                        "Rule 1, channel 1: > 8.0 °C single (above 8 °C)\n"
                        "  Triggered:            YES\n"
                        "  Time beyond:          1800 s (0:30:00)\n"
                        "  Excursions:           1\n"
                        "  Longest:              1800 s (0:30:00)\n"
                        "    2026-03-01 00:15:00 to 2026-03-01 00:45:00: 1800 s (0:30:00), peak 9.5 °C at "
                        "2026-03-01 00:30:00\n"
                        "Rule 2, channel 1: < 2.0 °C single (below 2 °C)\n"
                        "  Triggered:            no\n"))
        << text;

    // A rule on both channels gives one entry per channel; a window longer than the readings
    // gives the MKT of them all.
    const nlohmann::json lane = RunJson({"stats", input_, "--profile", profileFile_, "--mkt-window", "1d", "--json"});
    EXPECT_EQ("lane", lane["profile"]);
    ASSERT_EQ(2u, lane["rules"].size());
    EXPECT_EQ(1, lane["rules"][0]["channel"]);
    EXPECT_EQ(">=", lane["rules"][0]["compare"]);
    EXPECT_EQ(900, lane["rules"][0]["duration_s"]);
    EXPECT_EQ(1800, lane["rules"][0]["seconds_beyond"]);
    EXPECT_EQ(true, lane["rules"][0]["triggered"]);
    EXPECT_EQ(2, lane["rules"][1]["channel"]);
    EXPECT_EQ(true, lane["rules"][1]["triggered"]);
    EXPECT_EQ(5400, lane["rules"][1]["seconds_beyond"]);
    ASSERT_EQ(2u, lane["rolling_mkt"].size());
    EXPECT_EQ(86400, lane["rolling_mkt"][0]["window_s"]);
    EXPECT_EQ(true, lane["rolling_mkt"][0]["shorter_than_window"]);
    EXPECT_EQ("2026-03-01 00:00:00", lane["rolling_mkt"][0]["start"]);
    EXPECT_EQ(lane["t1"]["mkt"], lane["rolling_mkt"][0]["mkt"]);
    EXPECT_EQ(2, lane["rolling_mkt"][1]["channel"]);
}

TEST_F(StatsProfileRun, ExitStatusForScriptsAndFaultyProfiles) {
    EXPECT_EQ(ExitOk, Run({"stats", input_, "--profile", "2-8"}, env_));
    EXPECT_EQ(ExitAlarm, Run({"stats", input_, "--profile", "2-8", "--fail-on-alarm", "--json"}, env_));
    EXPECT_EQ("2-8", nlohmann::json::parse(out_.str())["profile"]);  // the output is still whole
    // The own profile's excursion above 9.5 lasts 15 min, short of its 30 min.
    EXPECT_EQ(false, RunJson({"stats", input_, "--profile", "Chłodnia", "--json"})["rules"][0]["triggered"]);
    EXPECT_EQ(ExitOk, Run({"stats", input_, "--profile", "chłodnia", "--fail-on-alarm"}, env_));
    // The plain limits as a profile: 8.0 is within a high limit of 8.
    EXPECT_EQ(2700, RunJson({"stats", input_, "--profile", "limits", "--high", "8", "--json"})["rules"][0]
                        ["seconds_beyond"]);

    EXPECT_EQ(ExitFileOrPort, Run({"stats", input_, "--profile", faultyFile_}, env_));
    EXPECT_EQ("lorv304d-cli: " + faultyFile_ + ", line 3: '3' is not a channel (1, 2, both)\n", err_.str());
    EXPECT_EQ("", out_.str());

    // An unknown name, and a faulty own profile that may be meant, are told; nothing is printed.
    EXPECT_EQ(ExitUsage, Run({"stats", input_, "--profile", "broken"}, env_));
    EXPECT_EQ("lorv304d-cli: 'broken' is no built-in or own profile and no profile file\n"
              "lorv304d-cli: " + env_.SettingsFile + ", line 6: 'sometimes' is not a kind of rule (single, "
              "consecutive, cumulative)\n",
              err_.str());
    EXPECT_EQ("", out_.str());

    EXPECT_EQ(ExitUsage, Run({"stats", input_, "--fail-on-alarm"}));
    EXPECT_EQ(0u, err_.str().find("lorv304d-cli: --fail-on-alarm needs --profile\n"));
    EXPECT_EQ(ExitUsage, Run({"stats", input_, "--mkt-window", "30min"}));
    EXPECT_EQ(0u, err_.str().find("lorv304d-cli: '30min' is not a window length (such as 24h or 30d)\n"));
}

}  // namespace
}  // namespace cli
