#pragma once
// Reduction of a series to pixel columns for drawing: per column the first, last, smallest and largest
// pixel Y of its points. Stairs drawn through these look exactly like stairs through all points, and a
// redraw costs one pass over the visible points however many there are.
#include <cstddef>
#include <span>
#include <vector>

#include "chartengine/scale_math.h"

namespace chartscale {

struct TColumn {
    int X;                         // pixel column: PixelOf the points' X
    double First, Last, Min, Max;  // pixel Y of the points in the column
};

// The columns of the points of (x, y) that can show between the pixels xFrom and xTo: every point with
// X in the visible range, plus the one before and the one after it (the lines to them cross the edge).
// x must be ascending. Pixel coordinates are clamped to a band around the visible range so that points
// far outside give finite coordinates; points with a Y that is not finite are skipped.
std::vector<TColumn> ReduceToColumns(std::span<const double> x, std::span<const float> y, const TAxisMap& xmap,
                                     const TAxisMap& ymap, double xFrom, double xTo, double yFrom, double yTo);

}  // namespace chartscale
