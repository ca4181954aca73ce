#pragma once

#include "measures/measurerow.h"
#include "outputs/xlsxgrid.h"

#include <vector>

namespace plx {

// The columns the validation editor shows by default, from Date to Obtention: every one
// but a free parameter whose label is empty (labels[0..2], as validationColumnName reads
// them).
std::vector<int> measurementExportColumns(const QStringList &parameterLabels);

// A station's measurements as the validation editor exports them: the given validation
// columns headed by validationColumnName, then "Validité". Dates and times are real dates
// and times (a row whose date or time is not valid keeps the typed text), values numbers,
// an absent value an empty cell, the other columns their text. The title names the sheet.
// Shared by the screen's export and `plx export`, so that both write the same file.
XlsxGrid measurementGrid(const std::vector<MeasureRow> &rows, const std::vector<int> &columns,
                         const QStringList &parameterLabels, const QString &title);

} // namespace plx
