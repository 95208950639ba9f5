#include "chartengine/line_series.h"

#include <algorithm>
#include <cmath>
#include <iterator>

void TLineSeries::Changed() {
    if (OnChange) OnChange();
}

void TLineSeries::AddXY(double x, double y) {
    if (std::isfinite(y)) {
        FMinY = FHasY ? std::min(FMinY, y) : y;
        FMaxY = FHasY ? std::max(FMaxY, y) : y;
        FHasY = true;
    }
    if (FX.empty() || !(x < FX.back())) {
        FX.push_back(x);
        FY.push_back(y);
    } else {
        auto at = std::upper_bound(FX.begin(), FX.end(), x);
        auto index = std::distance(FX.begin(), at);
        FX.insert(at, x);
        FY.insert(FY.begin() + index, y);
    }
    Changed();
}

void TLineSeries::Clear() {
    FX.clear();
    FY.clear();
    FMinY = FMaxY = 0;
    FHasY = false;
    Changed();
}

bool TLineSeries::MinMaxX(double& min, double& max) const {
    if (FX.empty()) return false;
    min = FX.front();
    max = FX.back();
    return true;
}

bool TLineSeries::MinMaxY(double& min, double& max) const {
    if (!FHasY) return false;
    min = FMinY;
    max = FMaxY;
    return true;
}

void TLineSeries::SetTitle(const std::string& title) {
    FTitle = title;
    Changed();
}
void TLineSeries::SetColor(std::uint32_t rgb) {
    FColor = rgb & 0xFFFFFF;
    Changed();
}
void TLineSeries::SetLineWidth(int px) {
    FLineWidth = std::max(1, px);
    Changed();
}
void TLineSeries::SetStairs(bool on) {
    FStairs = on;
    Changed();
}
void TLineSeries::SetLinePenVisible(bool on) {
    FLineVisible = on;
    Changed();
}
void TLineSeries::SetPointerVisible(bool on) {
    FPointerVisible = on;
    Changed();
}
void TLineSeries::SetHorizSize(int px) {
    FHorizSize = std::max(1, px);
    Changed();
}
void TLineSeries::SetVertSize(int px) {
    FVertSize = std::max(1, px);
    Changed();
}
void TLineSeries::SetActive(bool on) {
    FActive = on;
    Changed();
}
