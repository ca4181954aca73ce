#pragma once

#include "outputs/bookmarktable.h"

#include <QDate>
#include <QString>

namespace plx {

class AccesBase;

// What a spreadsheet template is filled with.
struct SheetFill
{
    const BookmarkTable *bookmarks = nullptr;
    // The chosen period (DEB_RECERCHE_HISTO, FIN_RECERCHE_HISTO); invalid dates: none.
    QDate periodStart;
    QDate periodEnd;
    // For the "#PLUVIO_" markers: the database and the station whose linked rain gauge
    // is read. No database: those markers are left empty.
    AccesBase *db = nullptr;
    QString stationCode;
};

// Fills a workbook template (.xlsx or .ods) and writes it to outPath (same format),
// atomically: every "#" marker of every sheet replaced, "#STOP" ending its own sheet,
// formulas, styles, merged cells, other sheets and charts left intact. False with a
// French error; nothing written then.
bool fillSpreadsheetTemplate(const QString &templatePath, const SheetFill &fill,
                             const QString &outPath, QString *error = nullptr);

} // namespace plx
