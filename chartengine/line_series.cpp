#include "chartengine/line_series.h"

#include <algorithm>
#include <cmath>
#include <numeric>

void TLineSeries::Changed() {
    if (OnChange) OnChange();
}

void TLineSeries::AddXY(double x, double y) {
    if (std::isnan(x)) return;
    if (std::isfinite(y)) {
        FMinY = FHasY ? std::min(FMinY, y) : y;
        FMaxY = FHasY ? std::max(FMaxY, y) : y;
        FHasY = true;
    }
    const bool inOrder = FOrdered == FX.size() && (FX.empty() || !(x < FX.back()));
    FX.push_back(x);
    FY.push_back(y);
    if (inOrder) FOrdered = FX.size();
    Changed();
}

void TLineSeries::PutInOrder() const {
    const std::size_t n = FX.size();
    if (FOrdered == n) return;
    // Sorting the added points stably and merging them after equal ordered ones gives exactly what
    // inserting them one by one after their equals would.
    std::vector<std::size_t> added(n - FOrdered);
    std::iota(added.begin(), added.end(), FOrdered);
    std::stable_sort(added.begin(), added.end(), [this](std::size_t a, std::size_t b) { return FX[a] < FX[b]; });
    std::vector<double> x, y;
    x.reserve(n);
    y.reserve(n);
    std::size_t i = 0, k = 0;
    while (i < FOrdered || k < added.size()) {
        if (k == added.size() || (i < FOrdered && !(FX[added[k]] < FX[i]))) {
            x.push_back(FX[i]);
            y.push_back(FY[i]);
            ++i;
        } else {
            x.push_back(FX[added[k]]);
            y.push_back(FY[added[k]]);
            ++k;
        }
    }
    FX.swap(x);
    FY.swap(y);
    FOrdered = n;
}

const std::vector<double>& TLineSeries::XValues() const {
    PutInOrder();
    return FX;
}

const std::vector<double>& TLineSeries::YValues() const {
    PutInOrder();
    return FY;
}

void TLineSeries::Clear() {
    FX.clear();
    FY.clear();
    FOrdered = 0;
    FMinY = FMaxY = 0;
    FHasY = false;
    Changed();
}

bool TLineSeries::MinMaxX(double& min, double& max) const {
    if (FX.empty()) return false;
    PutInOrder();
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
