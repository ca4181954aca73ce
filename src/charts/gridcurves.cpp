#include "charts/gridcurves.h"

#include <QTimeZone>

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>

namespace plx {

double chartSeconds(const QDate &date, const QTime &time)
{
    return double(
        QDateTime(date, time.isValid() ? time : QTime(0, 0), QTimeZone::utc()).toSecsSinceEpoch());
}

GridChart gridCurves(const std::vector<MeasureRow> &rows, const std::vector<GridColumn> &columns)
{
    GridChart chart;
    chart.curves.axis = AxisKind::Time;

    // Edited rows may sit out of order until saved: the curve's x must ascend.
    std::vector<size_t> order;
    order.reserve(rows.size());
    for (size_t i = 0; i < rows.size(); ++i) {
        if (rows[i].date.isValid())
            order.push_back(i);
    }
    std::vector<double> x(order.size());
    for (size_t i = 0; i < order.size(); ++i)
        x[i] = chartSeconds(rows[order[i]].date, rows[order[i]].heure);
    std::vector<size_t> sorted(order.size());
    std::iota(sorted.begin(), sorted.end(), size_t(0));
    std::stable_sort(sorted.begin(), sorted.end(),
                     [&x](size_t a, size_t b) { return x[a] < x[b]; });

    // Bars as wide as the closest two rows, a day when there is only one.
    double width = std::numeric_limits<double>::infinity();
    for (size_t i = 1; i < sorted.size(); ++i) {
        const double gap = x[sorted[i]] - x[sorted[i - 1]];
        if (gap > 0)
            width = std::min(width, gap);
    }
    if (!std::isfinite(width))
        width = 86400;

    double lower = -50;
    double upper = 250;
    const double gap = std::numeric_limits<double>::quiet_NaN();
    int number = 0;
    for (const GridColumn &column : columns) {
        ChartCurve curve;
        curve.number = ++number;
        curve.title = column.title.isEmpty() ? QString::number(number) : column.title;
        curve.style = CurveStyle::Bars;
        curve.barWidth = width;
        curve.x.reserve(sorted.size());
        curve.y.reserve(sorted.size());
        curve.incomplete.reserve(sorted.size());
        for (size_t s : sorted) {
            const MeasureRow &row = rows[order[s]];
            curve.x.push_back(x[s]);
            if (const std::optional<double> value = row.value(column.value)) {
                curve.y.push_back(*value);
                lower = std::min(lower, *value);
                upper = std::max(upper, *value);
            } else {
                curve.y.push_back(gap);
            }
            curve.incomplete.push_back(row.rupture);
        }
        chart.curves.curves.push_back(std::move(curve));
    }
    // Means (the free parameters) beside amounts take the right-hand axis, as lines, as on
    // the chronicle: on the amounts' -50..250 scale a temperature would hide the rain.
    const auto isMean = [&columns](size_t k) { return columns[k].value >= 3; };
    bool amounts = false;
    for (size_t k = 0; k < columns.size(); ++k)
        amounts = amounts || !isMean(k);
    QStringList right;
    for (size_t k = 0; amounts && k < columns.size(); ++k) {
        if (!isMean(k))
            continue;
        ChartCurve &curve = chart.curves.curves[k];
        curve.rightAxis = true;
        curve.style = CurveStyle::Line;
        right << curve.title;
    }
    chart.curves.rightLabel = right.join(QStringLiteral(", "));
    chart.lower = std::floor(lower);
    chart.upper = std::trunc(upper + 1);
    return chart;
}

} // namespace plx
