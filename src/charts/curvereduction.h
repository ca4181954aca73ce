#pragma once

#include <cstddef>
#include <vector>

namespace plx {

// A curve as it reaches the plot: at most a few points per pixel column of the visible
// range, however long the series. Pure functions of the data, so the chart component can
// redo them on every zoom or pan.
struct ReducedCurve
{
    std::vector<double> x, y;
    std::vector<bool> incomplete; // empty, or the same size as x
    double barWidth = 0;          // bars: the width to draw each bar with, in x units
    bool reduced = false;         // false: the points in range came through unchanged
};

// A sorted series (x ascending, y NaN for a gap) seen over [from, to] on `columns` pixel
// columns. Lines keep, per column, the minimum and the maximum in their order, the first
// and last point of the range and one point on either side of it (so the line runs to the
// edges), and a NaN wherever the column holds a gap, so a gap is never bridged. The
// series comes through unchanged when it has no more than two points per column.
// `incomplete` may be empty.
ReducedCurve reduceLine(const std::vector<double> &x, const std::vector<double> &y,
                        const std::vector<bool> &incomplete, double from, double to, int columns);

// Bars: one bar per column, at the column's centre and as wide as the column, carrying
// the largest value of the bars in it (flagged incomplete when that bar is). Unchanged
// (with `barWidth`) when there are no more bars than columns.
ReducedCurve reduceBars(const std::vector<double> &x, const std::vector<double> &y,
                        const std::vector<bool> &incomplete, double barWidth, double from,
                        double to, int columns);

} // namespace plx
