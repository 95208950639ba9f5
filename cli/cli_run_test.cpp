// The run without a process: help, version and usage errors on the right stream, and results that could
// not be written reported as a failure.
#include "cli/cli_run.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "base/testing/temp_path.h"
#include "base/version.h"

namespace cli {
namespace {

TEST(RunCli, HelpGoesToStandardOutputAndUsageErrorsToStandardError) {
    std::ostringstream out, err;
    EXPECT_EQ(ExitOk, RunCli({"status", "--help"}, out, err, {}));
    EXPECT_EQ(0u, out.str().find("Usage: lorv304d-cli status [--json]\n"));
    EXPECT_EQ("", err.str());

    out.str("");
    EXPECT_EQ(ExitOk, RunCli({"--version"}, out, err, {}));
    EXPECT_EQ(std::string("lorv304d-cli ") + ProjectVersion + "\n", out.str());
    EXPECT_EQ("", err.str());

    out.str("");
    EXPECT_EQ(ExitUsage, RunCli({"status", "--all"}, out, err, {}));
    EXPECT_EQ("", out.str());
    EXPECT_EQ(0u, err.str().find("lorv304d-cli: status does not take the option --all\n\nUsage: lorv304d-cli status"))
        << err.str();
}

TEST(RunCli, ResultsThatCannotBeWrittenAreAFileError) {
    const TTempPath mapFile("cli_run_map_", ".txt");
    const std::string& map = mapFile.Path();
    std::ofstream(map) << "\\Device\\VCP0=ttyUSB7\n";
    setenv("LORV304D_DEVICEMAP", map.c_str(), 1);

    std::ostringstream out, err;
    EXPECT_EQ(ExitOk, RunCli({"ports"}, out, err, {}));
    EXPECT_EQ("\\Device\\VCP0:ttyUSB7\n", out.str());

    std::ostringstream broken;
    broken.setstate(std::ios::badbit);
    err.str("");
    EXPECT_EQ(ExitFileOrPort, RunCli({"ports"}, broken, err, {}));
    EXPECT_EQ(0u, err.str().find("lorv304d-cli: Cannot write standard output")) << err.str();

    // A port list that cannot be read is a file error, named in one line, for every command.
    std::ofstream(map, std::ios::trunc) << "no equals sign here\n";
    for (const char* command : {"ports", "find"}) {
        err.str("");
        EXPECT_EQ(ExitFileOrPort, RunCli({command}, out, err, {})) << command;
        const std::string text = err.str();
        EXPECT_NE(std::string::npos, text.find(map)) << text;
        EXPECT_EQ(1, std::count(text.begin(), text.end(), '\n')) << text;
    }
    unsetenv("LORV304D_DEVICEMAP");
}

}  // namespace
}  // namespace cli
