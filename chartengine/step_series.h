#pragma once
// A line series: points kept in ascending X order, drawn as stairs with square point markers.
// Plain C++: the data and the settings only; the chart widget draws it.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class TStepSeries {
  public:
    // Adds a point at its place in X order; a point whose X equals existing ones goes after them. A point
    // whose X is not a number has no place and is ignored. Points added out of order are put in place
    // together at the next read of the points (a stable merge), so a file in falling time order costs
    // O(n log n), not O(n^2).
    void AddXY(double x, double y);
    // Removes every point and gives the memory back.
    void Clear();
    // Room for `points` points in all, so that adding up to that many allocates nothing.
    void Reserve(std::size_t points);
    std::size_t Count() const { return FX.size(); }
    const std::vector<double>& XValues() const;
    const std::vector<double>& YValues() const;
    // Smallest and largest X and Y of all points; false when there are none. Values that are not finite
    // (an overflowed reading) are kept but left out of the Y range.
    bool MinMaxX(double& min, double& max) const;
    bool MinMaxY(double& min, double& max) const;

    // Title shown in the legend (UTF-8).
    std::string Title() const { return FTitle; }
    void SetTitle(const std::string& title);
    // Colour as 0xRRGGBB.
    std::uint32_t Color() const { return FColor; }
    void SetColor(std::uint32_t rgb);
    // Line width in pixels, at least 1.
    int LineWidth() const { return FLineWidth; }
    void SetLineWidth(int px);
    // Stairs: each value holds until the X of the next point; otherwise straight segments.
    bool Stairs() const { return FStairs; }
    void SetStairs(bool on);
    // The line (`LinePen`) and the markers (`Pointer`) are shown or hidden each by itself.
    bool LinePenVisible() const { return FLineVisible; }
    void SetLinePenVisible(bool on);
    bool PointerVisible() const { return FPointerVisible; }
    void SetPointerVisible(bool on);
    // Marker half-sizes in pixels, each at least 1: a marker is (2 x half-size + 1) pixels.
    int HorizSize() const { return FHorizSize; }
    void SetHorizSize(int px);
    int VertSize() const { return FVertSize; }
    void SetVertSize(int px);
    // An active series takes part in the automatic ranges, whether its line and markers are shown or not.
    bool Active() const { return FActive; }
    void SetActive(bool on);

    // Called after every change (points or settings).
    std::function<void()> OnChange;

  private:
    void Changed();

    void PutInOrder() const;

    // Points [0, FOrdered) are in X order; the rest were added after them, in the order added.
    mutable std::vector<double> FX, FY;
    mutable std::size_t FOrdered = 0;
    double FMinY = 0, FMaxY = 0;
    bool FHasY = false;
    std::string FTitle;
    std::uint32_t FColor = 0xFF0000;
    int FLineWidth = 1;
    bool FStairs = false;
    bool FLineVisible = true, FPointerVisible = false;
    int FHorizSize = 1, FVertSize = 1;
    bool FActive = true;
};
