#include "app/application.h"

#include <QLibraryInfo>
#include <QTranslator>
#include <cstdio>
#include <exception>

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool TApplication::notify(QObject* receiver, QEvent* event) {
    // Qt cannot carry an exception through its event loop; this is the last place to stop it.
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        if (ErrorReport)
            ErrorReport(e.what());
        else
            std::fprintf(stderr, "%s\n", e.what());
    } catch (...) {
        if (ErrorReport)
            ErrorReport("Unknown error");
        else
            std::fprintf(stderr, "Unknown error\n");
    }
    return false;
}

std::unique_ptr<QTranslator> InstallQtTranslations(QCoreApplication& app) {
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(QStringLiteral("qtbase_pl"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        return nullptr;
    if (!app.installTranslator(translator.get())) return nullptr;
    return translator;
}
