#pragma once

#include "outputs/xlsxgrid.h"

#include <QString>

#include <functional>

class QModelIndex;
class QTableView;
class QWidget;

namespace plx {

// What a cell of a view exports as: a typed value (number, date...) or its text.
using ExportedValue = std::function<QVariant(const QModelIndex &index)>;
// The index's data of role, its display text where that role holds nothing; an empty text
// is an empty cell.
ExportedValue exportedRole(int role);
// For grids of display text only: the text typed by typedFrenchText (dates and French
// numbers typed, codes such as "01053" kept as text).
ExportedValue exportedFrenchText();

// The grid as the view shows it: its visible columns in visual order with their header
// texts and widths, its visible rows, each cell's value from value (default:
// exportedRole(Qt::EditRole)). The title names the sheet and fills the title row.
XlsxGrid gridFromView(const QTableView &view, const QString &title,
                      const ExportedValue &value = {});

// The one-click export of a screen's DeclencheExcel: no dialog; the grid is written to the
// export folder under its title (.xlsx, or .ods/.csv after the options), the main window's
// status bar (else a message) says where, and the file is opened with the desktop's
// handler. A failure is shown as an error. The path written, "" when nothing was.
QString exportGridInOneClick(QWidget *screen, const XlsxGrid &grid);

// Shorthand: gridFromView, then exportGridInOneClick.
QString exportViewInOneClick(QWidget *screen, const QTableView &view, const QString &title,
                             const ExportedValue &value = {});

// What opens an exported file: QDesktopServices by default. Tests replace it so that
// nothing is launched. Returns the previous opener.
using ExportedFileOpener = std::function<void(const QString &path)>;
ExportedFileOpener setExportedFileOpener(ExportedFileOpener opener);

} // namespace plx
