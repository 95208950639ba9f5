#include "cli/report_command.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QGuiApplication>
#include <climits>
#include <memory>
#include <ostream>

#include "archive/archive_error.h"
#include "archive/archive_location.h"
#include "archive/sqlite_archive.h"
#include "base/errors.h"
#include "base/file_locations.h"
#include "base/version.h"
#include "chartengine/offscreen_platform.h"
#include "cli/cli_run.h"
#include "data/alarm_profile_file.h"
#include "report/report_document.h"
#include "report/report_source.h"

namespace cli {
namespace {

std::string ExecutablePath() {
    char path[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
    return n > 0 ? std::string(path, static_cast<std::size_t>(n)) : std::string();
}

struct TProfileNotFound {
    std::string Message;
};

// A built-in profile, a profile file, or an own profile of the settings file, in that order.
readings::TAlarmProfile ResolveProfile(const std::string& name) {
    if (name.empty()) return readings::LimitsProfile({});
    if (const readings::TAlarmProfile* builtIn = readings::FindBuiltInProfile(name)) return *builtIn;
    struct stat st {};
    if (::stat(name.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
        readings::TProfileError error;
        if (auto profile = readings::ReadSingleProfile(name, error)) return *profile;
        throw TProfileNotFound{readings::ProfileErrorText(name, error)};
    }
    const std::string settings = SettingsLocationFor(ExecutablePath(), TUserFolders::FromProcess());
    const readings::TProfileFileContents own = readings::ReadProfileFile(settings);
    for (const readings::TAlarmProfile& p : own.Profiles)
        if (readings::SameProfileName(p.Name, name)) return p;
    throw TProfileNotFound{"no profile '" + name + "' (built-in: 2-8, 15-25, frozen, who-indicator; or a profile file)"};
}

int Fail(std::ostream& err, int status, const std::string& message) {
    err << "lorv304d-cli: " << message << "\n";
    return status;
}

}  // namespace

int RunReport(const TCliOptions& o, std::ostream& err) {
    report::TReportRequest request;
    try {
        request.Profile = ResolveProfile(o.Profile);
    } catch (const TProfileNotFound& e) {
        return Fail(err, ExitUsage, e.Message);
    }
    request.MktWindowSeconds = o.MktWindowSeconds;
    const LoggerFormat format;
    if (o.From) request.From = format.TextToDateTime(*o.From);
    if (o.To) request.To = format.TextToDateTime(*o.To);
    request.Program = std::string("lorv304d-cli ") + ProjectVersion;
    const report::TLanguage language = o.Lang == "en" ? report::TLanguage::English : report::TLanguage::Polish;

    // Painting needs a Gui application; without a display it runs on the offscreen platform.
    UseOffscreenPlatformWithoutDisplay();
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
        const report::TReportModel model = report::BuildRecordingReport(*store, *o.Recording, request);
        archive::TReportMade made;
        made.From = request.From;
        made.To = request.To;
        made.Profile = request.Profile.Name;
        made.File = o.Output;
        made.Sha256Hex = report::WriteReportPdf(model, language, o.Output);
        store->AddEvent(archive::TActor::Current(request.Program), *o.Recording, made);
        return ExitOk;
    } catch (const EFileError& e) {
        return Fail(err, ExitFileOrPort, e.what());
    } catch (const archive::EArchiveError& e) {
        return Fail(err, ExitFileOrPort, "archive " + e.Path() + ": " + e.Message());
    }
}

}  // namespace cli
