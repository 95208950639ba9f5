#include "chartengine/offscreen_platform.h"

#include <QByteArray>
#include <QtGlobal>

bool UseOffscreenPlatformWithoutDisplay() {
    if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) return false;
    if (!qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) return false;
    // Without a display the default platform plugin cannot connect and the program would abort.
    return qputenv("QT_QPA_PLATFORM", "offscreen");
}
