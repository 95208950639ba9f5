#pragma once
// The one application object of a chart test program, made on first use; on the offscreen platform
// unless the environment chooses another.
#include <QApplication>

inline QApplication& TestApplication() {
    static int argc = 1;
    static char arg0[] = "chart_tests";
    static char* argv[] = {arg0, nullptr};
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}
