#include "charts/curvereduction.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace plx {

namespace {

constexpr double kGap = std::numeric_limits<double>::quiet_NaN();

// The indices of the points inside [from, to].
std::pair<std::size_t, std::size_t> window(const std::vector<double> &x, double from, double to)
{
    const auto begin = std::size_t(std::lower_bound(x.begin(), x.end(), from) - x.begin());
    const auto end = std::size_t(std::upper_bound(x.begin(), x.end(), to) - x.begin());
    return {begin, std::max(begin, end)};
}

class Output
{
public:
    Output(const std::vector<double> &x, const std::vector<double> &y,
           const std::vector<bool> &incomplete, ReducedCurve &out)
        : m_x(x), m_y(y), m_incomplete(incomplete), m_out(out)
    {
    }

    void point(std::size_t i)
    {
        m_out.x.push_back(m_x[i]);
        m_out.y.push_back(m_y[i]);
        if (!m_incomplete.empty())
            m_out.incomplete.push_back(m_incomplete[i]);
    }

    void points(std::size_t begin, std::size_t end)
    {
        for (std::size_t i = begin; i < end; ++i)
            point(i);
    }

    const std::vector<double> &y() const { return m_y; }

private:
    const std::vector<double> &m_x, &m_y;
    const std::vector<bool> &m_incomplete;
    ReducedCurve &m_out;
};

struct MinMax
{
    std::size_t minAt = 0, maxAt = 0;
    bool any = false;

    void add(std::size_t i, const std::vector<double> &y)
    {
        if (!any) {
            minAt = maxAt = i;
            any = true;
            return;
        }
        if (y[i] < y[minAt])
            minAt = i;
        if (y[i] > y[maxAt])
            maxAt = i;
    }
    void merge(const MinMax &other, const std::vector<double> &y)
    {
        if (other.any) {
            add(other.minAt, y);
            add(other.maxAt, y);
        }
    }
    void write(Output &out) const
    {
        if (!any)
            return;
        out.point(std::min(minAt, maxAt));
        if (minAt != maxAt)
            out.point(std::max(minAt, maxAt));
    }
};

// One pixel column of a line: the values before the first gap, between the first and
// the last gap, and after the last gap each give their minimum and maximum, with a gap
// point at the first and last gap so that the line breaks there. Gaps inside the middle
// part are joined: they are less than a pixel wide.
void reduceLineColumn(std::size_t begin, std::size_t end, Output &out)
{
    const std::vector<double> &y = out.y();
    MinMax before, middle, after;
    std::size_t firstGap = end, lastGap = end;
    for (std::size_t i = begin; i < end; ++i) {
        if (std::isnan(y[i])) {
            if (firstGap == end) {
                firstGap = i;
            } else {
                middle.merge(after, y);
                after = MinMax();
                lastGap = i;
            }
            continue;
        }
        (firstGap == end ? before : after).add(i, y);
    }
    before.write(out);
    if (firstGap == end)
        return;
    out.point(firstGap);
    if (lastGap != end) {
        middle.write(out);
        out.point(lastGap);
    }
    after.write(out);
}

int columnOf(double x, double from, double span, int columns)
{
    const double at = std::floor((x - from) / span * columns);
    return int(std::clamp(at, 0.0, double(columns - 1)));
}

} // namespace

ReducedCurve reduceLine(const std::vector<double> &x, const std::vector<double> &y,
                        const std::vector<bool> &incomplete, double from, double to, int columns)
{
    ReducedCurve result;
    Output out(x, y, incomplete, result);
    const auto [begin, end] = window(x, from, to);
    // One point outside the range on either side, so that the line runs to the edges.
    const std::size_t first = begin > 0 ? begin - 1 : begin;
    const std::size_t last = end < x.size() ? end + 1 : end;
    const double span = to - from;
    if (columns < 1 || !(span > 0) || end - begin <= 2 * std::size_t(columns)) {
        out.points(first, last);
        return result;
    }
    result.reduced = true;
    result.x.reserve(std::size_t(columns) * 4 + 4);
    result.y.reserve(result.x.capacity());
    // The first and last points of the range are kept as they are.
    out.points(first, begin + 1);
    std::size_t i = begin + 1;
    const std::size_t stop = end - 1;
    while (i < stop) {
        const int column = columnOf(x[i], from, span, columns);
        std::size_t j = i + 1;
        while (j < stop && columnOf(x[j], from, span, columns) == column)
            ++j;
        reduceLineColumn(i, j, out);
        i = j;
    }
    out.points(stop, last);
    return result;
}

ReducedCurve reduceBars(const std::vector<double> &x, const std::vector<double> &y,
                        const std::vector<bool> &incomplete, double barWidth, double from,
                        double to, int columns)
{
    ReducedCurve result;
    result.barWidth = barWidth;
    Output out(x, y, incomplete, result);
    // A bar whose centre lies just outside the range still shows its half.
    const auto [begin, end] = window(x, from - barWidth / 2, to + barWidth / 2);
    const double span = to - from;
    if (columns < 1 || !(span > 0) || end - begin <= std::size_t(columns)) {
        out.points(begin, end);
        return result;
    }
    result.reduced = true;
    const double width = span / columns;
    result.barWidth = std::max(barWidth, width);
    std::size_t i = begin;
    while (i < end) {
        const int column = columnOf(x[i], from, span, columns);
        std::size_t best = end;
        std::size_t j = i;
        for (; j < end && columnOf(x[j], from, span, columns) == column; ++j) {
            if (!std::isnan(y[j]) && (best == end || y[j] > y[best]))
                best = j;
        }
        if (best != end) {
            result.x.push_back(from + (column + 0.5) * width);
            result.y.push_back(y[best]);
            if (!incomplete.empty())
                result.incomplete.push_back(incomplete[best]);
        }
        i = j;
    }
    return result;
}

} // namespace plx
