// Entry of the window tests: one application object for every test, offscreen unless a platform
// is set, and configuration and data folders of their own, so no test writes the user's settings
// or archive.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "app/application.h"

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    const QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    const QTemporaryDir data;
    qputenv("XDG_DATA_HOME", data.path().toLocal8Bit());
    qunsetenv("LORV304D_ARCHIVE");
    TApplication app(argc, argv);
    TApplication::setApplicationName(QStringLiteral("Lorv304D"));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
