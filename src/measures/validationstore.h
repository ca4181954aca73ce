#pragma once

#include "measures/measurehistory.h"
#include "measures/measurerow.h"
#include "measures/storedmeasure.h"

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
    // Rows refused because another user changed or deleted their record since the load
    // (ascending, flagged `conflict`, still dirty), and what that record holds now
    // (exists false: deleted), in the same order.
    QList<int> conflictRows;
    std::vector<StoredMeasure> conflictStored;
    bool validated = false;   // the validation update ran
    qint64 validatedCount = 0;
    QString batch;            // the history's batch of the rows written; "" when none
};

// What a save does besides writing. The switches exist for the benchmark that measures
// what the check and the history cost; every caller of the program keeps the defaults.
struct SaveOptions
{
    bool check = true;        // refuse rows whose record changed since the load
    bool history = true;      // write the history in the same transaction
    HistoryNature nature = HistoryNature::Saisie; // an import or a correction says so
    // Rows for which this answers true (asked before the row is written) go into a second
    // batch of nature Correction: a value the quality checks flagged, changed by the user.
    std::function<bool(const MeasureRow &row)> correction;
};
// Creates the table when missing (outside the transaction), then, in one transaction,
// reads and locks the records the dirty rows were loaded from and refuses the rows whose
// record another user changed since (see SaveResult::conflictRows); writes every other
// dirty row that is not red, with its history: old key deleted when the row moved, the target
// instant deleted, the row inserted (Validite not set, ModeObtention "M"); rows later in
// the grid win over earlier ones at the same instant. A row whose target instant holds a
// validated record other than its own loaded key is refused (red). On any database error
// the transaction rolls back: the table is exactly as before and no row is marked clean.
// On success written rows are clean and their loaded key follows the edit.
// Then, when no row was refused and markRow is a row that is not validated, validates up
// to its instant (after lastValidated when one was loaded), leaving validated records as
// they are, with one summary row in the history.
SaveResult saveRows(AccesBase &db, const QString &code, std::vector<MeasureRow> &rows,
                    int markRow, const std::optional<QDateTime> &lastValidated,
                    const StoreProgress &progress = {}, const SaveOptions &options = {});

// Validates every record up to until, or only those after `after` when given; returns
// the number of records changed (-1 on failure, error set). Journalled.
qint64 validateUntil(AccesBase &db, const QString &code, const QDateTime &until,
                     const std::optional<QDateTime> &after, QString *error = nullptr);
// The last validated instant of the whole table, for the command-line tool.
std::optional<QDateTime> lastValidatedInstant(AccesBase &db, const QString &code);
// Clears Validite on every record of the station; returns the number of records that were
// validated or controlled (-1 on failure). Journalled, and one summary row in the history.
qint64 devalidateAll(AccesBase &db, const QString &code, QString *error = nullptr);

// Deletes the records of the given rows by their loaded key, in one transaction with their
// history; returns the indexes (ascending) of the rows that may leave the grid: those whose
// record went and those never saved. Validated rows are skipped, and so are the rows whose
// record another user changed since the load (listed in changedSince).
QList<int> deleteRows(AccesBase &db, const QString &code, const std::vector<MeasureRow> &rows,
                      const QList<int> &selected, QString *error = nullptr,
                      QList<int> *changedSince = nullptr);

// Puts the given rows back to what their records hold now (clean again), leaving every
// other row and its edits alone: after a save refused rows that another user had changed.
// Rows whose record is gone are listed in gone, for the grid to drop. False with error
// when the records cannot be read.
bool reloadRows(AccesBase &db, const QString &code, std::vector<MeasureRow> &rows,
                const QList<int> &indexes, QList<int> *gone, QString *error = nullptr);

} // namespace plx
