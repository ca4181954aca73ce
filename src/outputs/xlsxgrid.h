#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>

#include <optional>
#include <vector>

namespace plx {

// A chart drawn over the grid's own cells, so that it stays editable in the spreadsheet:
// the category column along the horizontal axis, one series per listed column.
struct NativeChart
{
    struct Series
    {
        int column = 0;    // grid column of the values; its heading names the series
        bool bars = false; // bars, else a line
        bool secondaryAxis = false; // drawn against a second value axis on the right
    };
    QString title;
    QString categoryTitle; // horizontal axis
    QString valueTitle;    // left value axis
    QString secondaryValueTitle;
    int categoryColumn = 0;
    bool textCategories = false; // labels ("janv.", "2024"), else numbers or dates
    QString categoryFormat;      // number format of the category labels ("dd/mm/yyyy")
    std::vector<Series> series;
};

// A grid as a spreadsheet: a title row, a heading row, then one row per grid row. Numbers
// are written as numbers and dates (QDate, QDateTime) as real dates, so that the
// spreadsheet can sort and compute; every other value, QString included, as text; a null
// value leaves the cell empty (see gridcell.h).
struct XlsxGrid
{
    QString sheetName; // cut to 31 characters, the format's limit
    QString title;     // the row above the headings; empty: no title row
    QStringList headings;
    // Width of each column in characters (a view's pixels / 7); missing or 0: fitted to
    // the content.
    std::vector<double> columnWidths;
    std::vector<std::vector<QVariant>> rows;
    std::optional<NativeChart> chart; // .xlsx only; the other formats keep the table
};

// Writes the grid to path as an .xlsx workbook (replaced atomically if it exists): the
// heading row frozen with an autofilter, and the chart when there is one. False with a
// French error otherwise.
//
// The workbook is zipped with QuaZip rather than libxlsxwriter: QuaZip exports its own
// minizip functions (zipOpen taking a QIODevice), which take the place of the system
// minizip that libxlsxwriter calls in any program linking both, and crash it.
bool exportGridToXlsx(const XlsxGrid &grid, const QString &path, QString *error = nullptr);

// The message of a grid that could not be written to path.
QString gridWriteError(const QString &path, const QString &why);

} // namespace plx
