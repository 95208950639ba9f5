#include "chartengine/step_series.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numeric>

void TStepSeries::Changed() {
    if (OnChange) OnChange();
}

void TStepSeries::AddXY(double x, double y) {
    if (std::isnan(x)) return;
    const float v = static_cast<float>(y);
    if (std::isfinite(v)) {
        FMinY = FHasY ? std::min(FMinY, double{v}) : v;
        FMaxY = FHasY ? std::max(FMaxY, double{v}) : v;
        FHasY = true;
    }
    const std::size_t n = FY.size();
    TXColumn& column = *FX;
    const bool inOrder = FOrdered == n && (n == 0 || !(x < column[n - 1]));
    if (n < column.size()) {
        // Another series went ahead in this column: follow it while it holds the same X (the same
        // bits, so that sharing never changes a value).
        if (std::memcmp(&column[n], &x, sizeof x) != 0) {
            OwnX();
            FX->push_back(x);
        }
    } else {
        column.push_back(x);
    }
    FY.push_back(v);
    if (inOrder) FOrdered = n + 1;
    Changed();
}

void TStepSeries::OwnX() const {
    const std::size_t n = FY.size();
    if (FX.use_count() == 1) {
        FX->resize(n);
        return;
    }
    auto own = std::make_shared<TXColumn>();
    own->reserve(std::max(FReserved, n + 1));
    own->assign(FX->begin(), FX->begin() + static_cast<std::ptrdiff_t>(n));
    FX = std::move(own);
}

void TStepSeries::ShareXWith(const TStepSeries& other) {
    if (&other == this || !FY.empty()) return;
    FX = other.FX;
    FOrdered = 0;
}

void TStepSeries::PutInOrder() const {
    const std::size_t n = FY.size();
    if (FOrdered == n) return;
    const TXColumn& X = *FX;
    // Sorting the added points stably and merging them after equal ordered ones gives exactly what
    // inserting them one by one after their equals would.
    std::vector<std::size_t> added(n - FOrdered);
    std::iota(added.begin(), added.end(), FOrdered);
    std::stable_sort(added.begin(), added.end(), [&X](std::size_t a, std::size_t b) { return X[a] < X[b]; });
    auto x = std::make_shared<TXColumn>();
    TYColumn y;
    x->reserve(std::max(FReserved, n));
    y.reserve(std::max(FReserved, n));
    std::size_t i = 0, k = 0;
    while (i < FOrdered || k < added.size()) {
        if (k == added.size() || (i < FOrdered && !(X[added[k]] < X[i]))) {
            x->push_back(X[i]);
            y.push_back(FY[i]);
            ++i;
        } else {
            x->push_back(X[added[k]]);
            y.push_back(FY[added[k]]);
            ++k;
        }
    }
    // The reordered column is this series' own; a series sharing the old one keeps it as it was.
    FX = std::move(x);
    FY.swap(y);
    FOrdered = n;
}

std::span<const double> TStepSeries::XValues() const {
    PutInOrder();
    return std::span<const double>(FX->data(), FY.size());
}

std::span<const float> TStepSeries::YValues() const {
    PutInOrder();
    return FY;
}

void TStepSeries::Reserve(std::size_t points) {
    FReserved = std::max(FReserved, points);
    FX->reserve(points);
    FY.reserve(points);
}

void TStepSeries::Clear() {
    FX = std::make_shared<TXColumn>();
    TYColumn().swap(FY);
    FOrdered = 0;
    FReserved = 0;
    FMinY = FMaxY = 0;
    FHasY = false;
    Changed();
}

bool TStepSeries::MinMaxX(double& min, double& max) const {
    if (FY.empty()) return false;
    PutInOrder();
    min = FX->front();
    max = (*FX)[FY.size() - 1];
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
