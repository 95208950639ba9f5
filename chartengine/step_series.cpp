#include "chartengine/step_series.h"

#include <algorithm>
#include <cmath>
#include <numeric>

void TStepSeries::Changed() {
    if (OnChange) OnChange();
}

void TStepSeries::AddXY(double x, double y) {
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

void TStepSeries::PutInOrder() const {
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

const std::vector<double>& TStepSeries::XValues() const {
    PutInOrder();
    return FX;
}

const std::vector<double>& TStepSeries::YValues() const {
    PutInOrder();
    return FY;
}

void TStepSeries::Reserve(std::size_t points) {
    FX.reserve(points);
    FY.reserve(points);
}

void TStepSeries::Clear() {
    std::vector<double>().swap(FX);
    std::vector<double>().swap(FY);
    FOrdered = 0;
    FMinY = FMaxY = 0;
    FHasY = false;
    Changed();
}

bool TStepSeries::MinMaxX(double& min, double& max) const {
    if (FX.empty()) return false;
    PutInOrder();
    min = FX.front();
    max = FX.back();
    return true;
}

bool TStepSeries::MinMaxY(double& min, double& max) const {
    if (!FHasY) return false;
    min = FMinY;
    max = FMaxY;
    return true;
}

void TStepSeries::SetTitle(const std::string& title) {
    FTitle = title;
    Changed();
}
void TStepSeries::SetColor(std::uint32_t rgb) {
    FColor = rgb & 0xFFFFFF;
    Changed();
}
void TStepSeries::SetLineWidth(int px) {
    FLineWidth = std::max(1, px);
    Changed();
}
void TStepSeries::SetStairs(bool on) {
    FStairs = on;
    Changed();
}
void TStepSeries::SetLinePenVisible(bool on) {
    FLineVisible = on;
    Changed();
}
void TStepSeries::SetPointerVisible(bool on) {
    FPointerVisible = on;
    Changed();
}
void TStepSeries::SetHorizSize(int px) {
    FHorizSize = std::max(1, px);
    Changed();
}
void TStepSeries::SetVertSize(int px) {
    FVertSize = std::max(1, px);
    Changed();
}
void TStepSeries::SetActive(bool on) {
    FActive = on;
    Changed();
}
