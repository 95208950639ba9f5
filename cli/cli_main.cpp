// lorv304d-cli: the logger from the command line (see cli_run.h for the exit statuses).
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <iostream>
#include <string>
#include <system_error>
#include <vector>

#include "base/file_locations.h"
#include "cli/cli_run.h"
#ifdef LORV304D_HAVE_REPORT
#include "cli/report_command.h"
#endif

namespace {

volatile std::sig_atomic_t g_stopSignal = 0;

void OnStopSignal(int sig) { g_stopSignal = sig; }

}  // namespace

int main(int argc, char** argv) {
    // The first stop signal ends the download gently (what came is written); SA_RESETHAND lets a
    // second one end the program at once. No SA_RESTART: a wait under way ends early.
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    action.sa_flags = SA_RESETHAND;
    sigemptyset(&action.sa_mask);
    for (int s : {SIGINT, SIGTERM, SIGHUP}) sigaction(s, &action, nullptr);
    // A reader that went away must not kill the run before the comm log is written.
    std::signal(SIGPIPE, SIG_IGN);

    cli::TCliEnvironment env;
    env.StopSignal = &g_stopSignal;
    env.ErrIsTerminal = ::isatty(STDERR_FILENO) == 1;
    // The window's settings file holds the user's own alarm profiles: the one of the program
    // beside this executable.
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error)
        env.SettingsFile = SettingsLocationFor((self.parent_path() / "lorv304d").string(), TUserFolders::FromProcess());
#ifdef LORV304D_HAVE_REPORT
    env.Report = cli::RunReport;
#endif
    const int status = cli::RunCli(std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr, env);
    std::cout.flush();
    return status;
}
