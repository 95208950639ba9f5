#pragma once
// Painting without a display: a program that only draws (a chart into a PDF, say) runs on a machine
// with no X server and no Wayland compositor through Qt's offscreen platform.

// Chooses the offscreen platform (QT_QPA_PLATFORM=offscreen) when neither DISPLAY nor WAYLAND_DISPLAY
// names a display and QT_QPA_PLATFORM is not set; an explicit choice is always kept. Call it before the
// QGuiApplication is made. True when it chose offscreen.
bool UseOffscreenPlatformWithoutDisplay();
