// The command line: what each accepted form sets, and the reason each refused one gives.
#include "cli/cli_options.h"

#include <gtest/gtest.h>

namespace cli {
namespace {

using Args = std::vector<std::string>;

TEST(ParseCommandLine, OptionsGoBeforeOrAfterTheCommandInBothForms) {
    const TCliOptions o = ParseCommandLine({"--port=/dev/ttyUSB1", "download", "-q", "--from", "2026-12-01 08:00:00",
                                            "--to=2026-12-02", "-o", "a.log", "--append", "--comm-log", "c.log"});
    EXPECT_EQ(Command::Download, o.Cmd);
    EXPECT_EQ("/dev/ttyUSB1", o.Port);
    EXPECT_TRUE(o.Quiet);
    EXPECT_EQ("2026-12-01 08:00:00", o.From.value_or(""));
    EXPECT_EQ("2026-12-02", o.To.value_or(""));
    EXPECT_EQ("a.log", o.Output);
    EXPECT_TRUE(o.Append);
    EXPECT_EQ("c.log", o.CommLog);
}

TEST(ParseCommandLine, EachCommandWithItsOwnOptions) {
    EXPECT_TRUE(ParseCommandLine({"ports", "--all"}).All);
    EXPECT_TRUE(ParseCommandLine({"status", "--json"}).Json);
    EXPECT_TRUE(ParseCommandLine({"erase", "--yes"}).Yes);
    const TCliOptions s =
        ParseCommandLine({"start", "--start", "2026-12-09 08:00:00", "--stop", "2026-12-10", "--interval", "0:5"});
    EXPECT_EQ(Command::Start, s.Cmd);
    EXPECT_EQ("2026-12-09 08:00:00", s.Start);
    EXPECT_EQ("2026-12-10", s.Stop);
    EXPECT_EQ("0:5", s.Interval);
    const TCliOptions d = ParseCommandLine({"download"});
    EXPECT_FALSE(d.From.has_value());
    EXPECT_TRUE(d.Output.empty());
    EXPECT_EQ("", d.Format);
    const TCliOptions t = ParseCommandLine({"download", "--format=tsv", "--utc", "-o", "a.tsv"});
    EXPECT_EQ("tsv", t.Format);
    EXPECT_TRUE(t.Utc);
    EXPECT_TRUE(ParseCommandLine({"download", "--format", "log", "-o", "a.log", "--append"}).Append);
    // One reading time is a range of its own.
    EXPECT_EQ(Command::Download, ParseCommandLine({"download", "--from", "2026-12-09", "--to", "2026-12-09"}).Cmd);
}

TEST(ParseCommandLine, HelpSkipsEveryOtherCheck) {
    const TCliOptions o = ParseCommandLine({"erase", "--help"});
    EXPECT_TRUE(o.Help);
    EXPECT_EQ(Command::Erase, o.Cmd);
    EXPECT_TRUE(ParseCommandLine({"-h"}).Help);
    EXPECT_EQ(Command::None, ParseCommandLine({"-h"}).Cmd);
}

struct TRefused {
    const char* Name;
    Args Arguments;
    Command UsageOf;
    const char* Reason;
};

class RefusedCommandLine : public testing::TestWithParam<TRefused> {};

TEST_P(RefusedCommandLine, NamesTheReasonAndTheUsageToShow) {
    try {
        ParseCommandLine(GetParam().Arguments);
        FAIL() << "accepted";
    } catch (const EUsageError& e) {
        EXPECT_EQ(std::string(GetParam().Reason), e.what());
        EXPECT_EQ(GetParam().UsageOf, e.Cmd);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, RefusedCommandLine,
    testing::Values(TRefused{"Empty", {}, Command::None, "no command given"},
                    TRefused{"UnknownCommand", {"fetch"}, Command::None, "unknown command 'fetch'"},
                    TRefused{"SecondWord", {"find", "now"}, Command::Find, "unexpected argument 'now'"},
                    TRefused{"UnknownOption", {"status", "--verbose"}, Command::Status, "unknown option '--verbose'"},
                    TRefused{"OptionOfAnotherCommand",
                             {"download", "--json"},
                             Command::Download,
                             "download does not take the option --json"},
                    TRefused{"OptionBeforeItsCommand",
                             {"--yes", "status"},
                             Command::Status,
                             "status does not take the option --yes"},
                    TRefused{"MissingValue", {"download", "-o"}, Command::Download, "option --output needs a value"},
                    TRefused{"EmptyValue", {"find", "--port="}, Command::Find, "option --port needs a value"},
                    TRefused{"ValueOnAFlag", {"erase", "--yes=no"}, Command::Erase, "option --yes takes no value"},
                    TRefused{"EraseUnconfirmed",
                             {"erase"},
                             Command::Erase,
                             "erase deletes every reading on the logger; give --yes to go ahead"},
                    TRefused{"AppendWithoutFile",
                             {"download", "--append"},
                             Command::Download,
                             "--append needs an output file (-o FILE)"},
                    TRefused{"DownloadFormat",
                             {"download", "--format", "xlsx"},
                             Command::Download,
                             "download takes --format log, csv or tsv"},
                    TRefused{"UtcOfDataFileLines",
                             {"download", "--utc", "--format", "log"},
                             Command::Download,
                             "--utc needs --format csv or tsv"},
                    TRefused{"AppendToATable",
                             {"download", "--format", "csv", "-o", "a.csv", "--append"},
                             Command::Download,
                             "--append keeps a data file (--format log); convert it to csv"},
                    TRefused{"BadFrom",
                             {"download", "--from", "yesterday"},
                             Command::Download,
                             "'yesterday' is not a valid date and time"},
                    TRefused{"ImpossibleTo",
                             {"download", "--to", "2026-02-30 10:00:00"},
                             Command::Download,
                             "'2026-02-30 10:00:00' is not a valid date and time"},
                    TRefused{"ReversedRange",
                             {"download", "--from", "2026-12-09 10:00:00", "--to", "2026-12-09"},
                             Command::Download,
                             "--to 2026-12-09 is before --from 2026-12-09 10:00:00"},
                    TRefused{"StopAtTheStart",
                             {"start", "--start", "2026-12-09", "--stop", "2026-12-09 00:00:00", "--interval", "1:0"},
                             Command::Start,
                             "--stop 2026-12-09 00:00:00 is not after --start 2026-12-09"},
                    TRefused{"StartIncomplete",
                             {"start", "--start", "2026-12-09"},
                             Command::Start,
                             "start needs --start, --stop and --interval"},
                    TRefused{"BadStop",
                             {"start", "--start", "2026-12-09", "--stop", "2026-12-9x", "--interval", "00:01:00"},
                             Command::Start,
                             "'2026-12-9x' is not a valid date and time"},
                    TRefused{"BadInterval",
                             {"start", "--start", "2026-12-09", "--stop", "2026-12-10", "--interval", "1 min"},
                             Command::Start,
                             "'1 min' is not a valid time"}),
    [](const testing::TestParamInfo<TRefused>& info) { return std::string(info.param.Name); });

TEST(UsageText, EveryCommandHasItsOwnWithTheCommonOptions) {
    for (Command c :
         {Command::Ports, Command::Find, Command::Status, Command::Download, Command::Start, Command::Erase}) {
        const std::string text = UsageText(c);
        EXPECT_EQ(0u, text.rfind("Usage: lorv304d-cli ", 0)) << text;
        EXPECT_NE(std::string::npos, text.find("--comm-log FILE")) << text;
    }
    EXPECT_NE(std::string::npos, UsageText(Command::None).find("Exit status"));
}

}  // namespace
}  // namespace cli
