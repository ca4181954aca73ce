#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>

#include <vector>

namespace plx {

// A grid as a spreadsheet: a heading row, then one row per grid row. Numbers are written
// as numbers and dates (QDate, QDateTime) as real dates, so that the spreadsheet can sort
// and compute; every other value as text; a null value leaves the cell empty.
struct XlsxGrid
{
    QString sheetName; // cut to 31 characters, the format's limit
    QStringList headings;
    std::vector<std::vector<QVariant>> rows;
};

// Writes the grid to path as an .xlsx workbook (replaced atomically if it exists). False
// with a French error otherwise.
//
// The workbook is zipped with QuaZip rather than libxlsxwriter: QuaZip exports its own
// minizip functions (zipOpen taking a QIODevice), which take the place of the system
// minizip that libxlsxwriter calls in any program linking both, and crash it.
bool exportGridToXlsx(const XlsxGrid &grid, const QString &path, QString *error = nullptr);

} // namespace plx
