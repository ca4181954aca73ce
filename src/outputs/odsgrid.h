#pragma once

#include "outputs/xlsxgrid.h"

namespace plx {

// Writes the grid to path as an OpenDocument spreadsheet (.ods), with the same content as
// the .xlsx export: title row, bold headings, column widths, typed cells, the headings
// frozen and an autofilter. The chart is left out. Atomic; false with a French error.
bool exportGridToOds(const XlsxGrid &grid, const QString &path, QString *error = nullptr);

} // namespace plx
