#pragma once

#include "outputs/xlsxgrid.h"

#include <QByteArray>

namespace plx {

// The grid as French CSV text: UTF-8 with a byte order mark (so that a spreadsheet reads
// the accents), ";" between fields, a decimal comma, dates "dd/MM/yyyy", CR LF after each
// line, a field quoted (its quotes doubled) when it holds ";", a quote or a line break.
// The heading row comes first; the title is left out so that the first line names the
// columns for the programs that read the file.
QByteArray gridCsv(const XlsxGrid &grid);

// Writes gridCsv(grid) to path atomically. False with a French error.
bool exportGridToCsv(const XlsxGrid &grid, const QString &path, QString *error = nullptr);

// Writes the grid in the format of path's extension: .xlsx, .ods or .csv (any other
// extension: .xlsx content). False with a French error.
bool exportGrid(const XlsxGrid &grid, const QString &path, QString *error = nullptr);

} // namespace plx
