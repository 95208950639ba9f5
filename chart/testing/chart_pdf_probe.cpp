// chart_pdf_probe OUT.pdf: paints the program's chart of a day of readings onto an A4 page, with the Gui
// libraries only, choosing the offscreen platform when there is no display. Writes the platform's name
// and whether the widget library is loaded to standard output; exit code 0 when the PDF was written.
#include <dlfcn.h>

#include <QGuiApplication>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <cmath>
#include <cstdio>

#include "chart/logger_chart_picture.h"
#include "chartengine/offscreen_platform.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: chart_pdf_probe OUT.pdf\n");
        return 2;
    }
    UseOffscreenPlatformWithoutDisplay();
    QGuiApplication app(argc, argv);

    TLoggerChartPicture picture;
    const double start = 42799.0;  // 2017-03-05 00:00
    for (int i = 0; i < 1440; ++i) {
        picture.Series1.AddXY(start + i / 1440.0, 20 + 3 * std::sin(i / 200.0));
        picture.Series2.AddXY(start + i / 1440.0, 18 + 2 * std::cos(i / 300.0));
    }
    QPdfWriter pdf(QString::fromLocal8Bit(argv[1]));
    pdf.setPageSize(QPageSize(QPageSize::A4));
    QPainter painter;
    if (!painter.begin(&pdf)) return 1;
    picture.Paint(painter, QRectF(0, 0, pdf.width(), pdf.height() / 2.0));
    if (!painter.end()) return 1;

    const bool widgets = dlopen("libQt6Widgets.so.6", RTLD_NOW | RTLD_NOLOAD) != nullptr;
    std::printf("platform %s\nwidgets %s\n", qPrintable(QGuiApplication::platformName()),
                widgets ? "loaded" : "not loaded");
    return 0;
}
