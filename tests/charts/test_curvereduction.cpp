#include "charts/curvereduction.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

using namespace plx;

namespace {

constexpr double kGap = std::numeric_limits<double>::quiet_NaN();

bool contains(const ReducedCurve &r, double x, double y)
{
    for (std::size_t i = 0; i < r.x.size(); ++i)
        if (r.x[i] == x && r.y[i] == y)
            return true;
    return false;
}

// x strictly ascending, as the plot requires of a line's keys.
bool ascending(const std::vector<double> &x)
{
    return std::adjacent_find(x.begin(), x.end(), std::greater_equal<double>()) == x.end();
}

} // namespace

// A long line keeps, per pixel column, its lowest and highest points (a one-sample spike
// survives), the first and last points of the range and a neighbour outside it on each
// side, and stays in x order; a short one comes through as it is.
TEST(CurveReduction, LineKeepsExtremesAndEnds)
{
    std::vector<double> x, y;
    for (int i = 0; i < 100000; ++i) {
        x.push_back(i);
        y.push_back(std::sin(i * 0.001));
    }
    y[54321] = 40;  // a storm of one sample
    y[12345] = -40; // and a dip
    const ReducedCurve r = reduceLine(x, y, {}, 1000, 99000, 500);
    EXPECT_TRUE(r.reduced);
    EXPECT_LE(r.x.size(), 500u * 2 + 4);
    EXPECT_TRUE(ascending(r.x));
    EXPECT_TRUE(contains(r, 54321, 40));
    EXPECT_TRUE(contains(r, 12345, -40));
    EXPECT_EQ(r.x.front(), 999); // the neighbour before the range
    EXPECT_EQ(r.x[1], 1000);     // the range's first point
    EXPECT_EQ(r.x[r.x.size() - 2], 99000);
    EXPECT_EQ(r.x.back(), 99001);

    // Each column's extremes: every source point lies between the min and max kept for
    // its column.
    const double span = 98000.0 / 500;
    for (int column = 0; column < 500; ++column) {
        const double lo = 1000 + column * span, hi = lo + span;
        double srcMin = 1e9, srcMax = -1e9, keptMin = 1e9, keptMax = -1e9;
        for (std::size_t i = 0; i < x.size(); ++i)
            if (x[i] >= lo && x[i] < hi) {
                srcMin = std::min(srcMin, y[i]);
                srcMax = std::max(srcMax, y[i]);
            }
        for (std::size_t i = 0; i < r.x.size(); ++i)
            if (r.x[i] >= lo && r.x[i] < hi) {
                keptMin = std::min(keptMin, r.y[i]);
                keptMax = std::max(keptMax, r.y[i]);
            }
        ASSERT_EQ(srcMin, keptMin) << "column " << column;
        ASSERT_EQ(srcMax, keptMax) << "column " << column;
    }

    const ReducedCurve shortLine = reduceLine({1, 2, 3, 4}, {1, kGap, 3, 4}, {}, 0, 10, 500);
    EXPECT_FALSE(shortLine.reduced);
    ASSERT_EQ(shortLine.x.size(), 4u);
    EXPECT_TRUE(std::isnan(shortLine.y[1]));

    // Nothing in range, no columns, or an empty series: no crash, nothing invented.
    EXPECT_TRUE(reduceLine({}, {}, {}, 0, 1, 100).x.empty());
    EXPECT_EQ(reduceLine(x, y, {}, 2e6, 3e6, 100).x.size(), 1u); // the last point, as neighbour
    EXPECT_FALSE(reduceLine(x, y, {}, 0, 1e5, 0).reduced);
}

// A gap (NaN) in the data stays a gap after reduction, wherever it falls in a column, so
// the line never joins the two sides of a missing period.
TEST(CurveReduction, LineGapsAreNotBridged)
{
    std::vector<double> x, y;
    for (int i = 0; i < 10000; ++i) {
        x.push_back(i);
        y.push_back(1 + (i % 7));
    }
    // A long gap across many columns, and gaps of one sample at a column's start and end.
    for (int i = 3000; i < 4000; ++i)
        y[std::size_t(i)] = kGap;
    y[6000] = kGap;
    y[6099] = kGap;
    const ReducedCurve r = reduceLine(x, y, {}, 0, 9999, 100); // 100 samples a column
    ASSERT_TRUE(r.reduced);
    EXPECT_TRUE(ascending(r.x));
    // Between the last value before a gap and the first after it there is a NaN.
    auto gapBetween = [&r](double before, double after) {
        for (std::size_t i = 0; i < r.x.size(); ++i)
            if (r.x[i] > before && r.x[i] < after && std::isnan(r.y[i]))
                return true;
        return false;
    };
    EXPECT_TRUE(gapBetween(2999, 4000));
    EXPECT_TRUE(gapBetween(5999, 6001));
    EXPECT_TRUE(gapBetween(6098, 6100));
    // Values on both sides of the long gap are still drawn.
    EXPECT_TRUE(std::any_of(r.x.begin(), r.x.end(), [](double v) { return v > 4000 && v < 4100; }));

    // Incomplete flags travel with the points kept.
    std::vector<bool> flags(x.size(), false);
    flags[5050] = true;
    y[5050] = 100;
    const ReducedCurve flagged = reduceLine(x, y, flags, 0, 9999, 100);
    ASSERT_EQ(flagged.incomplete.size(), flagged.x.size());
    for (std::size_t i = 0; i < flagged.x.size(); ++i)
        EXPECT_EQ(flagged.incomplete[i], flagged.x[i] == 5050) << flagged.x[i];
}

// Bars: one per pixel column, carrying the column's largest value and that bar's
// incomplete flag, as wide as the column; empty columns and gaps give no bar. Few bars
// come through unchanged with their own width.
TEST(CurveReduction, BarsOnePerColumnWithTheMaximum)
{
    const double day = 86400;
    std::vector<double> x, y;
    std::vector<bool> flags;
    for (int i = 0; i < 36500; ++i) { // a century of days
        x.push_back(i * day);
        y.push_back(i % 10);
        flags.push_back(false);
    }
    y[20000] = 250;
    flags[20000] = true;
    for (int i = 30000; i < 31000; ++i)
        y[std::size_t(i)] = kGap; // a missing period
    const double from = 0, to = 36500 * day;
    const ReducedCurve r = reduceBars(x, y, flags, day, from, to, 1000);
    ASSERT_TRUE(r.reduced);
    EXPECT_LE(r.x.size(), 1000u);
    EXPECT_DOUBLE_EQ(r.barWidth, (to - from) / 1000);
    EXPECT_TRUE(ascending(r.x));
    const auto top = std::max_element(r.y.begin(), r.y.end());
    EXPECT_EQ(*top, 250);
    EXPECT_TRUE(r.incomplete[std::size_t(top - r.y.begin())]);
    const double gapFrom = 30000 * day + r.barWidth, gapTo = 31000 * day - r.barWidth;
    EXPECT_TRUE(
        std::none_of(r.x.begin(), r.x.end(), [&](double v) { return v > gapFrom && v < gapTo; }));
    EXPECT_TRUE(std::all_of(r.y.begin(), r.y.end(), [](double v) { return !std::isnan(v); }));

    // Zoomed on one month: the 31 bars themselves, plus the half-visible neighbours.
    const ReducedCurve month = reduceBars(x, y, flags, day, 100 * day, 130 * day, 1000);
    EXPECT_FALSE(month.reduced);
    EXPECT_EQ(month.barWidth, day);
    EXPECT_EQ(month.x.size(), 31u);
    EXPECT_EQ(month.x.front(), 100 * day);
}
