// Program start: the application titled "Lorv304D" and its one window.
#include <QTranslator>
#include <cstdio>
#include <string_view>

#include "app/application.h"
#include "app/main_window.h"
#include "app/stop_signals.h"
#include "base/version.h"

namespace {

const char* const kUsage =
    "Usage: lorv304d [--help] [--version]\n"
    "The window of the client for a two-channel temperature data logger on a USB serial port:\n"
    "find the logger, read and set its clock and recording, erase it, download its readings,\n"
    "show them on a chart, print it, and keep the readings in \".log\" files.\n"
    "\n"
    "  -h, --help         show this text\n"
    "  --version          show the program's name and version\n"
    "\n"
    "Qt's own options (such as -platform offscreen) are accepted too.\n";

}  // namespace

int main(int argc, char** argv) {
    // Answered before the application object, so they need no display.
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--version") return std::fputs(VersionLine("lorv304d").c_str(), stdout) < 0;
        if (arg == "--help" || arg == "-h") return std::fputs(kUsage, stdout) < 0;
    }

    TApplication app(argc, argv);
    TApplication::setApplicationName(QString::fromLatin1(TForm1::AppTitle));
    TApplication::setApplicationDisplayName(QString::fromLatin1(TForm1::AppTitle));
    const std::unique_ptr<QTranslator> qtTexts = InstallQtTranslations(app);
    TForm1 form;
    app.ErrorReport = [&form](const std::string& what) { form.ShowErrorReport(what); };
    // The end of the desktop session or a kill closes the window the usual way, settings included.
    TStopSignals stopSignals;
    QObject::connect(&stopSignals, &TStopSignals::Stop, &form, &QWidget::close);
    form.show();
    const int result = TApplication::exec();
    app.ErrorReport = nullptr;
    return result;
}
