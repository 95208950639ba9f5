// lorv304d-emulator: a temperature logger on a pseudo-terminal, for tests and the demo.
#include <signal.h>

#include <csignal>
#include <cstdio>
#include <exception>
#include <fstream>
#include <iostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "base/atomic_file.h"
#include "base/version.h"
#include "emulator/emulator_options.h"
#include "emulator/emulator_session.h"
#include "emulator/logger_model.h"
#include "emulator/pty_link.h"

namespace {

volatile std::sig_atomic_t g_stop = 0;

void OnStopSignal(int) { g_stop = 1; }

}  // namespace

int main(int argc, char** argv) {
    using namespace emulator;
    Options options;
    try {
        options = ParseOptions(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const std::exception& e) {
        std::cerr << "lorv304d-emulator: " << e.what() << "\nTry 'lorv304d-emulator --help'.\n";
        return 2;
    }
    if (options.Help) {
        std::cout << UsageText();
        return 0;
    }
    if (options.Version) {
        std::cout << VersionLine("lorv304d-emulator");
        return 0;
    }

    // The stop signals stay blocked except inside the line's waits, so a signal can never slip in
    // between the check of the flag and the start of a wait.
    sigset_t stopSignals, waitMask;
    sigemptyset(&stopSignals);
    for (int s : {SIGTERM, SIGINT, SIGHUP}) sigaddset(&stopSignals, s);
    sigprocmask(SIG_BLOCK, &stopSignals, &waitMask);
    for (int s : {SIGTERM, SIGINT, SIGHUP}) sigdelset(&waitMask, s);
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    for (int s : {SIGTERM, SIGINT, SIGHUP}) sigaction(s, &action, nullptr);
    signal(SIGPIPE, SIG_IGN);

    bool mapWritten = false;
    int status = 0;
    try {
        PtyLink link;
        LoggerModel model(options.Model);
        Session session(model, options.Faults);
        std::ofstream commandLog;
        if (!options.CommandLogFile.empty()) {
            commandLog.open(options.CommandLogFile, std::ios::app | std::ios::binary);
            if (!commandLog) throw std::runtime_error("cannot write " + options.CommandLogFile);
            // Flushed at once: whoever reads the log may do so while the line is served.
            session.SetCommandSink([&commandLog](std::string_view command) {
                commandLog << command << "\n" << std::flush;
            });
        }
        if (!options.DeviceMapFile.empty()) {
            WriteFileAtomically(options.DeviceMapFile, "\\Device\\VCP0=" + link.PortName() + "\n");
            mapWritten = true;
        }
        // The path line tells the starter that the line and the device map are ready.
        std::cout << link.SlavePath() << std::endl;
        link.Serve(session, BytePeriodUs(options), g_stop, waitMask);
    } catch (const std::exception& e) {
        std::cerr << "lorv304d-emulator: " << e.what() << "\n";
        status = 1;
    }
    if (mapWritten) std::remove(options.DeviceMapFile.c_str());
    return status;
}
