#pragma once

#include "measures/measurerow.h"

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>

#include <functional>
#include <optional>
#include <vector>

namespace plx {

class AccesBase;

// What the screen shows of a station before loading: its history and three counts.
struct SiteOverview
{
    bool tableExists = false;
    QDate first, last;          // of the whole table; invalid when empty
    QString historique;         // "01/01/2000 - 31/12/2024"
    QString anneeCalcul;        // "(2024)"
    QString donneesAnnee;       // count + "/" + days, from 01/01 of the last year (exclusive)
    QString dateCalcul;         // "(31/12/2024)"
    QString donneesJ30;         // the last 30 days
    QString donneesPeriode;     // the whole history
};
SiteOverview readSiteOverview(AccesBase &db, const QString &code);

// Progress of a long operation: done out of total (total 0 when unknown). Returning false
// asks to stop (a load stops and keeps nothing; a save cannot be stopped once writing).
using StoreProgress = std::function<bool(qint64 done, qint64 total)>;

struct LoadResult
{
    bool ok = false;
    bool cancelled = false;
    QString error;
    std::vector<MeasureRow> rows;  // in instant order; keys copied to loadedDate/loadedHeure
    int lastValidatedRow = -1;     // the last row loaded with Validite 'V'
};
// Reads the window [from, to] (whole days) in one query, row by row into compact rows.
LoadResult loadWindow(AccesBase &db, const QString &code, const QDate &from, const QDate &to,
                      const StoreProgress &progress = {});

struct SaveResult
{
    bool ok = false;          // every dirty, valid row written (the transaction committed)
    QString error;            // why nothing was written
    int written = 0;
    QList<int> redRows;       // rows refused: date or time not valid, or their instant holds
                              // another validated record; they stay dirty
    bool validated = false;   // the validation update ran
    qint64 validatedCount = 0;
};
// Creates the table when missing (outside the transaction), then writes every dirty row
// that is not red in one transaction: old key deleted when the row moved, the target
// instant deleted, the row inserted (Validite not set, ModeObtention "M"); rows later in
// the grid win over earlier ones at the same instant. A row whose target instant holds a
// validated record other than its own loaded key is refused (red). On any database error
// the transaction rolls back: the table is exactly as before and no row is marked clean.
// On success written rows are clean and their loaded key follows the edit.
// Then, when no red row was met and markRow is a row that is not validated, validates up
// to its instant (after lastValidated when one was loaded).
SaveResult saveRows(AccesBase &db, const QString &code, std::vector<MeasureRow> &rows,
                    int markRow, const std::optional<QDateTime> &lastValidated,
                    const StoreProgress &progress = {});

// Validates every record up to until, or only those after `after` when given; returns
// the number of records changed (-1 on failure, error set). Journalled.
qint64 validateUntil(AccesBase &db, const QString &code, const QDateTime &until,
                     const std::optional<QDateTime> &after, QString *error = nullptr);
// The last validated instant of the whole table, for the command-line tool.
std::optional<QDateTime> lastValidatedInstant(AccesBase &db, const QString &code);
// Clears Validite on every record of the station; returns the number of records that were
// validated or controlled (-1 on failure). Journalled.
qint64 devalidateAll(AccesBase &db, const QString &code, QString *error = nullptr);

// Deletes the records of the given rows by their loaded key, in one transaction; returns
// the indexes (ascending) of the rows that may leave the grid: those whose record went and
// those never saved. Validated rows are skipped.
QList<int> deleteRows(AccesBase &db, const QString &code, const std::vector<MeasureRow> &rows,
                      const QList<int> &selected, QString *error = nullptr);

} // namespace plx
