#pragma once
// TAxis: the scale settings of TPlotAxis with the look the chart draws it in (labels, title, line,
// grid).
#include <QColor>
#include <QFont>
#include <QString>

#include "chartengine/plot_axis.h"

// An axis with its look.
class TAxis : public TPlotAxis {
  public:
    QFont LabelsFont;
    QColor LabelsColor = Qt::black;
    int LabelsAngle = 0;  // 0 or 90 (turned, read from bottom to top)
    QString Title;
    QFont TitleFont;
    QColor TitleColor = Qt::black;
    int AxisLineWidth = 1;
    bool GridVisible = true;
    QColor GridColor = QColor(170, 170, 170);
};
