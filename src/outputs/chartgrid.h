#pragma once

#include "charts/chartcurves.h"
#include "outputs/xlsxgrid.h"

namespace plx {

// A chart's visible curves as a grid: the horizontal axis in the first column (dates and
// times on a time axis, the step labels otherwise), one column per visible curve headed
// by its legend text, one row per abscissa any curve has (empty where a curve has no value
// there), and a native chart over those cells, bars or lines as drawn, right-axis curves
// on a second value axis.
XlsxGrid chartCurvesGrid(const ChartCurves &curves, const QString &title);

} // namespace plx
