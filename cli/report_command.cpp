#include "cli/report_command.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QGuiApplication>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <ostream>
#include <system_error>

#include "archive/archive_error.h"
#include "archive/archive_location.h"
#include "archive/sqlite_archive.h"
#include "base/errors.h"
#include "base/file_locations.h"
#include "base/version.h"
#include "chartengine/offscreen_platform.h"
#include "cli/cli_run.h"
#include "cli/profile_lookup.h"
#include "report/recording_report.h"

namespace cli {
namespace {

std::string ExecutablePath() {
    char path[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
    return n > 0 ? std::string(path, static_cast<std::size_t>(n)) : std::string();
}

// The runtime folder the Gui application's start looks into (for a display server's socket).
// Without XDG_RUNTIME_DIR the toolkit warns on standard error and falls back to a shared folder
// under /tmp; a command line run gets a private, empty one (mode 0700) for its own lifetime instead.
class TPrivateRuntimeFolder {
  public:
    TPrivateRuntimeFolder() {
        if (const char* set = std::getenv("XDG_RUNTIME_DIR"); set && *set) return;
        std::error_code error;
        std::string pattern = (std::filesystem::temp_directory_path(error) / "lorv304d-cli-XXXXXX").string();
        if (error || !::mkdtemp(pattern.data())) return;  // then the toolkit's own fallback serves
        path_ = pattern;
        ::setenv("XDG_RUNTIME_DIR", path_.c_str(), 1);
    }
    ~TPrivateRuntimeFolder() {
        if (path_.empty()) return;
        ::unsetenv("XDG_RUNTIME_DIR");
        std::error_code error;
        std::filesystem::remove_all(path_, error);
    }
    TPrivateRuntimeFolder(const TPrivateRuntimeFolder&) = delete;
    TPrivateRuntimeFolder& operator=(const TPrivateRuntimeFolder&) = delete;

  private:
    std::string path_;
};

int Fail(std::ostream& err, int status, const std::string& message) {
    err << "lorv304d-cli: " << message << "\n";
    return status;
}

}  // namespace

int RunReport(const TCliOptions& o, const std::string& settingsFile, std::ostream& err) {
    report::TReportRequest request;
    request.Profile = readings::LimitsProfile({});
    if (!o.Profile.empty()) {
        int status = ExitOk;
        const std::optional<readings::TAlarmProfile> profile = ChosenProfile(o.Profile, settingsFile, {}, err, status);
        if (!profile) return status;
        request.Profile = *profile;
    }
    request.MktWindowSeconds = o.MktWindowSeconds;
    const LoggerFormat format;
    if (o.From) request.From = format.TextToDateTime(*o.From);
    if (o.To) request.To = format.TextToDateTime(*o.To);
    request.Program = std::string("lorv304d-cli ") + ProjectVersion;
    const report::TLanguage language = o.Lang == "en" ? report::TLanguage::English : report::TLanguage::Polish;

    // Painting needs a Gui application; without a display it runs on the offscreen platform.
    UseOffscreenPlatformWithoutDisplay();
    const TPrivateRuntimeFolder runtimeFolder;  // outlives the application
    std::unique_ptr<QGuiApplication> ownApp;
    if (!QCoreApplication::instance()) {
        static int argc = 1;
        static char name[] = "lorv304d-cli";
        static char* argv[] = {name, nullptr};
        ownApp = std::make_unique<QGuiApplication>(argc, argv);
    }
    report::RegisterReportFont(ValueFontFileFor(ExecutablePath()));

    try {
        if (!o.Recording) {
            const report::TReportModel model = report::BuildFileReport(o.File, request);
            report::WriteReportPdf(model, language, o.Output);
            return ExitOk;
        }
        // --archive names the file like for every other command.
        const std::string path =
            o.Archive.empty() ? archive::DefaultArchivePath(archive::TArchiveEnvironment::FromProcess()) : o.Archive;
        if (path.empty()) return Fail(err, ExitFileOrPort, "no archive: set LORV304D_ARCHIVE or HOME");
        struct stat st {};
        if (::stat(path.c_str(), &st) != 0) return Fail(err, ExitFileOrPort, "no archive at " + path);
        const std::unique_ptr<archive::TArchive> store = archive::OpenSqliteArchive(path);
        if (!store->Recording(*o.Recording))
            return Fail(err, ExitUsage, "the archive " + path + " has no recording " + std::to_string(*o.Recording));
        report::WriteRecordingReport(*store, *o.Recording, request, language, o.Output);
        return ExitOk;
    } catch (const EFileError& e) {
        return Fail(err, ExitFileOrPort, e.what());
    } catch (const archive::EArchiveError& e) {
        return Fail(err, ExitFileOrPort, "archive " + e.Path() + ": " + e.Message());
    }
}

}  // namespace cli
