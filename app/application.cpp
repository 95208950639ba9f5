#include "app/application.h"

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
