#pragma once

#include "outputs/xlsxgrid.h"

#include <QByteArray>

namespace plx {

// Where the chart finds its data in the sheet written by exportGridToXlsx.
struct XlsxChartCells
{
    QString sheetName;
    int headingRow = 1;  // 1-based row of the headings (series names)
    int firstRow = 2;    // 1-based rows of the values
    int lastRow = 2;
};

// xl/charts/chart1.xml: a DrawingML chart whose series reference the sheet's cells.
QByteArray xlsxChartXml(const NativeChart &chart, const XlsxChartCells &cells);

// xl/drawings/drawing1.xml: the chart anchored from the 0-based cell (column, row), about
// 12 by 24 cells large.
QByteArray xlsxDrawingXml(int column, int row);

} // namespace plx
