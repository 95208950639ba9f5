// Entry of the window tests: one application object for every test, offscreen unless a platform
// is set.
#include <gtest/gtest.h>

#include "app/application.h"

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    TApplication app(argc, argv);
    TApplication::setApplicationName(QStringLiteral("Lorv304D"));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
