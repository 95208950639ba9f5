#include "chart/logger_chart_picture.h"

#include <QPaintDevice>
#include <QPainter>
#include <cmath>

namespace {

constexpr double kScreenDpi = 96;

}  // namespace

TLoggerChartPicture::TLoggerChartPicture() : FPlot(FCanvas), Series1(FPlot.Series1), Series2(FPlot.Series2) {
    FCanvas.Legend.Visible = true;
}

void TLoggerChartPicture::SetTimeRange(double from, double to) {
    TAxis& axis = FCanvas.BottomAxis;
    axis.SetMinMax(from, to);
    axis.SetAutomatic(false);
}

void TLoggerChartPicture::Paint(QPainter& painter, const QRectF& target, QSize size) {
    if (size.isEmpty()) {
        const QPaintDevice* device = painter.device();
        const double sx = device ? kScreenDpi / device->logicalDpiX() : 1;
        const double sy = device ? kScreenDpi / device->logicalDpiY() : 1;
        // The painter's own scale counts too: a target of 100 units on a page scaled by 2 is 200 device units.
        const QTransform& t = painter.worldTransform();
        const double tx = std::hypot(t.m11(), t.m12()), ty = std::hypot(t.m21(), t.m22());
        size = QSize(static_cast<int>(std::lround(target.width() * tx * sx)),
                     static_cast<int>(std::lround(target.height() * ty * sy)));
    }
    FCanvas.DrawScaled(painter, target, size);
}
