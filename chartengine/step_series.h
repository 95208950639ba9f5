#pragma once
// A line series: points kept in ascending X order, drawn as stairs with square point markers.
// Plain C++: the data and the settings only; the chart widget draws it.
//
// Y is held as a 32-bit float (temperatures are read as floats anyway), X as a double. Two series
// fed the same X values in the same order, as the two channels of a file are, can keep one X
// column between them (ShareXWith): ten million points then cost 16 bytes each and series
// instead of 32.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "base/large_block.h"

class TStepSeries {
  public:
    // Adds a point at its place in X order; a point whose X equals existing ones goes after them. A point
    // whose X is not a number has no place and is ignored. Points added out of order are put in place
    // together at the next read of the points (a stable merge), so a file in falling time order costs
    // O(n log n), not O(n^2).
    // Y is narrowed to the nearest float.
    void AddXY(double x, double y);
    // Removes every point and gives the memory back (an X column shared with another series stays
    // with that series).
    void Clear();
    // Room for `points` points in all, so that adding up to that many allocates nothing.
    void Reserve(std::size_t points);
    // Makes this series, which must be empty (else nothing happens), use the X column of `other`:
    // while the X values added here are the ones `other` was given, in the same order, they are
    // stored once. The first X that differs (or a reorder, or a Clear of either series) gives this
    // series its own copy of its X values; nothing else changes, so sharing never alters a result.
    void ShareXWith(const TStepSeries& other);
    // Whether this series still reads its X values from a column that another series uses too.
    bool SharesX() const { return FX.use_count() > 1; }
    std::size_t Count() const { return FY.size(); }
    // The points in X order, as views valid until the series next changes.
    std::span<const double> XValues() const;
    std::span<const float> YValues() const;
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
    // Columns of a million points and more get huge pages (large_block.h).
    using TXColumn = std::vector<double, TLargeBlockAllocator<double>>;
    using TYColumn = std::vector<float, TLargeBlockAllocator<float>>;

    void Changed();

    void PutInOrder() const;
    // Gives this series an X column of its own holding its own X values.
    void OwnX() const;

    // Points [0, FOrdered) are in X order; the rest were added after them, in the order added. The X
    // of point i is (*FX)[i]; a shared column may hold more values than this series has points, the
    // ones another series added after them.
    mutable std::shared_ptr<TXColumn> FX = std::make_shared<TXColumn>();
    mutable TYColumn FY;
    mutable std::size_t FOrdered = 0;
    std::size_t FReserved = 0;
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
