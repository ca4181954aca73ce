#pragma once

#include "charts/chartcurves.h"
#include "measures/measurerow.h"

#include <vector>

namespace plx {

// One value column of the validation editor to draw: its index among the six measured
// values (0 rainfall .. 5 the third free parameter) and the curve's legend text.
struct GridColumn
{
    int value = 0;
    QString title;
};

// The editor's loaded window as a chart, with the bounds of its value axis.
struct GridChart
{
    ChartCurves curves;
    double lower = -50; // min(-50, every value), rounded down
    double upper = 251; // int(max(250, every value) + 1)
};

// Curve k (numbered from 1) holds column k's values at each row's instant, NaN where the
// cell is empty. Rows whose date is not valid are left out; rows are taken in instant
// order. A row carrying a break ("R") is flagged so that the chart shows it apart.
GridChart gridCurves(const std::vector<MeasureRow> &rows, const std::vector<GridColumn> &columns);

// The instant of a date and time on the chart's time axis: seconds of the wall-clock
// value read as UTC.
double chartSeconds(const QDate &date, const QTime &time);

} // namespace plx
