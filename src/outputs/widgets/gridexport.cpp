#include "outputs/widgets/gridexport.h"

#include "base/messages.h"
#include "outputs/csvgrid.h"
#include "outputs/gridcell.h"
#include "outputs/gridexportpath.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QHeaderView>
#include <QMainWindow>
#include <QStatusBar>
#include <QTableView>
#include <QUrl>

#include <algorithm>

namespace plx {

namespace {

ExportedFileOpener &opener()
{
    static ExportedFileOpener current = [](const QString &path) {
        QDesktopServices::openUrl(QUrl::fromLocalFile(path));
    };
    return current;
}

// The main window holding the screen (an MDI child's window() is the frame).
QMainWindow *frameOf(QWidget *screen)
{
    for (QWidget *w = screen; w; w = w->parentWidget()) {
        if (auto *frame = qobject_cast<QMainWindow *>(w))
            return frame;
    }
    return nullptr;
}

} // namespace

ExportedFileOpener setExportedFileOpener(ExportedFileOpener replacement)
{
    ExportedFileOpener previous = std::move(opener());
    opener() = std::move(replacement);
    return previous;
}

ExportedValue exportedRole(int role)
{
    return [role](const QModelIndex &index) {
        QVariant value = index.data(role);
        if (!value.isValid() ||
            (value.typeId() == QMetaType::QString && value.toString().isEmpty()))
            value = index.data(Qt::DisplayRole);
        if (value.typeId() == QMetaType::QString && value.toString().isEmpty())
            return QVariant();
        return value;
    };
}

ExportedValue exportedFrenchText()
{
    return [](const QModelIndex &index) {
        return typedFrenchText(index.data(Qt::DisplayRole).toString());
    };
}

XlsxGrid gridFromView(const QTableView &view, const QString &title, const ExportedValue &value)
{
    const ExportedValue cellValue = value ? value : exportedRole(Qt::EditRole);
    XlsxGrid grid;
    grid.sheetName = title;
    grid.title = title;
    const QAbstractItemModel *model = view.model();
    if (!model)
        return grid;
    const QHeaderView *header = view.horizontalHeader();
    std::vector<int> columns;
    for (int visual = 0; visual < header->count(); ++visual) {
        const int logical = header->logicalIndex(visual);
        if (logical >= 0 && !view.isColumnHidden(logical))
            columns.push_back(logical);
    }
    // A view's pixels to the spreadsheet's characters of its default font (about 7 px).
    const double pixelsPerCharacter = std::max(5.0, view.fontMetrics().averageCharWidth() * 1.0);
    for (int c : columns) {
        grid.headings << model->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
        grid.columnWidths.push_back(view.columnWidth(c) / pixelsPerCharacter);
    }
    const QModelIndex root = view.rootIndex();
    const int rows = model->rowCount(root);
    grid.rows.reserve(size_t(rows));
    for (int r = 0; r < rows; ++r) {
        if (view.isRowHidden(r))
            continue;
        std::vector<QVariant> cells;
        cells.reserve(columns.size());
        for (int c : columns) {
            cells.push_back(cellValue(model->index(r, c, root)));
        }
        grid.rows.push_back(std::move(cells));
    }
    return grid;
}

QString exportGridInOneClick(QWidget *screen, const XlsxGrid &grid)
{
    const QString path =
        gridExportPath(gridExportFolder(), grid.sheetName, gridExportExtension());
    QApplication::setOverrideCursor(Qt::WaitCursor);
    QString error;
    const bool written = exportGrid(grid, path, &error);
    QApplication::restoreOverrideCursor();
    if (!written) {
        showMessage(MessageKind::Erreur, error);
        return QString();
    }
    const QString done =
        QStringLiteral("Exporté dans ") + QDir::toNativeSeparators(path);
    if (QMainWindow *frame = frameOf(screen))
        frame->statusBar()->showMessage(done, 15000);
    else
        showMessage(MessageKind::Aide, done);
    if (opener())
        opener()(path);
    return path;
}

QString exportViewInOneClick(QWidget *screen, const QTableView &view, const QString &title,
                             const ExportedValue &value)
{
    return exportGridInOneClick(screen, gridFromView(view, title, value));
}

} // namespace plx
