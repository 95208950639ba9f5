// The command-line tree: usage texts made from the declarations, commands under commands, and
// the one form the arguments are read in.
#include "cli/command_line.h"

#include <gtest/gtest.h>

namespace cli {
namespace {

// A program of its own, so the rows test the rules rather than the program's texts. The
// commands borrow values of Command; only their names and options matter here.
struct TTestLine {
    TCommandLine Line{{.Synopsis = "<command>", .About = "Does things.\n", .Epilog = "The end.\n"}};
    bool Quiet = false;
    std::string Output, Format, Low, High, Secret, File;
    int Recording = 0;
    CLI::App* Archive = nullptr;

    TTestLine() {
        Line.Program().add_flag("-q,--quiet", Quiet, "say less");
        CLI::App& fetch = Line.AddCommand(Line.Program(), Command::Download, "fetch",
                                          {.Synopsis = "[-o FILE]\n[--format F]",
                                           .Summary = "fetch [...]",
                                           .Brief = "gets them\nall",
                                           .About = "Gets the readings.\n",
                                           .Epilog = "Stops on Ctrl+C.\n"});
        fetch.add_option("-o,--output", Output, "write FILE")->type_name("FILE");
        fetch.add_option("--format", Format, "one of three,\nlog the default")->type_name("log|csv|tsv");
        fetch.add_option("--low", Low, "limits")->type_name("C");
        fetch.add_option("--high", High, "")->type_name("C");
        fetch.add_option("--secret", Secret, "not shown")->group("");
        fetch.add_option("FILE", File, "the file");
        Archive = &Line.AddCommand(Line.Program(), Command::Status, "archive",
                                   {.Synopsis = "<command>", .Brief = "the stored readings", .About = "Keeps them.\n"});
        CLI::App& list = Line.AddCommand(*Archive, Command::Stats, "list",
                                         {.Synopsis = "[--recording N]", .Brief = "lists", .About = "Lists.\n"});
        list.add_option("--recording", Recording, "this one")->type_name("N");
    }
};

TEST(CommandLineUsage, RowsFollowTheDeclarations) {
    TTestLine t;
    EXPECT_EQ(
        "Usage: lorv304d-cli fetch [-o FILE]\n"
        "                          [--format F]\n"
        "Gets the readings.\n"
        "  -o, --output FILE  write FILE\n"
        "  --format log|csv|tsv\n"
        "                     one of three,\n"
        "                     log the default\n"
        "  --low C, --high C  limits\n"
        "Stops on Ctrl+C.\n"
        "\n"
        "Common options:\n"
        "  -q, --quiet        say less\n",
        t.Line.Usage(Command::Download));
    EXPECT_EQ(
        "Usage: lorv304d-cli <command>\n"
        "Does things.\n"
        "\n"
        "Commands:\n"
        "  fetch [...]        gets them\n"
        "                     all\n"
        "  archive <command>  the stored readings\n"
        "\n"
        "Common options:\n"
        "  -q, --quiet        say less\n"
        "\n"
        "The end.\n",
        t.Line.Usage(Command::None));
    const std::string archive = t.Line.Usage(Command::Status);
    EXPECT_NE(std::string::npos, archive.find("\nCommands:\n  list [--recording N]\n                     lists\n"))
        << archive;
    EXPECT_EQ(0u, t.Line.Usage(Command::Stats).find("Usage: lorv304d-cli archive list [--recording N]\n"));
}

TEST(CommandLineParse, CommandsUnderACommandTakeOptionsOnEitherSide) {
    TTestLine t;
    const TParsedCommand parsed = t.Line.Parse({"--recording", "5", "archive", "-q", "list"});
    EXPECT_EQ(Command::Stats, parsed.Cmd);
    EXPECT_EQ(5, t.Recording);
    EXPECT_TRUE(t.Quiet);
    EXPECT_TRUE(parsed.Foreign.empty());
    EXPECT_EQ("archive list", t.Line.Name(Command::Stats));
}

TEST(CommandLineParse, ValuesAreTakenAsGivenAndOtherCommandsOptionsReturned) {
    TTestLine t;
    // A value that looks like an option or a command is still the value; a file named like a
    // command is still the file.
    const TParsedCommand parsed = t.Line.Parse({"fetch", "--output", "-x", "--low=archive", "list", "--recording=2"});
    EXPECT_EQ(Command::Download, parsed.Cmd);
    EXPECT_EQ("-x", t.Output);
    EXPECT_EQ("archive", t.Low);
    EXPECT_EQ("list", t.File);
    EXPECT_EQ(std::vector<std::string>{"--recording"}, parsed.Foreign);
    EXPECT_EQ(0, t.Recording);
}

struct TRefusedLine {
    const char* Name;
    std::vector<std::string> Arguments;
    Command UsageOf;
    const char* Reason;
};

class RefusedTestLine : public testing::TestWithParam<TRefusedLine> {};

TEST_P(RefusedTestLine, NamesTheReason) {
    TTestLine t;
    try {
        t.Line.Parse(GetParam().Arguments);
        FAIL() << "accepted";
    } catch (const EUsageError& e) {
        EXPECT_EQ(std::string(GetParam().Reason), e.what());
        EXPECT_EQ(GetParam().UsageOf, e.Cmd);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, RefusedTestLine,
    testing::Values(
        TRefusedLine{"UnknownUnderACommand", {"archive", "lsit"}, Command::Status, "unknown command 'lsit'"},
        // A second command word is no second command.
        TRefusedLine{"SecondCommand", {"archive", "list", "fetch"}, Command::Stats, "unexpected argument 'fetch'"},
        TRefusedLine{"SecondFile", {"fetch", "a", "b"}, Command::Download, "unexpected argument 'b'"},
        TRefusedLine{"HiddenOptionNamed", {"fetch", "--secret"}, Command::Download, "option --secret needs a value"},
        TRefusedLine{"FirstFaultWithItsCommand", {"-x", "fetch", "--low"}, Command::None, "unknown option '-x'"}),
    [](const testing::TestParamInfo<TRefusedLine>& info) { return std::string(info.param.Name); });

}  // namespace
}  // namespace cli
