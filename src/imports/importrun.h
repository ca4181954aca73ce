#pragma once

#include "imports/importedrow.h"
#include "imports/importreader.h"
#include "imports/importsource.h"

#include <QList>
#include <QString>

#include <functional>
#include <vector>

namespace plx {

class AccesBase;

// What to do with an instant the station's table already holds.
enum class ExistingValues {
    Keep,         // the stored record stays
    Replace,      // the file's record replaces it, validated or not
    Unvalidated,  // replaces only records not validated (the default)
};
// "keep", "replace", "unvalidated" (the command line's names).
QString existingValuesKey(ExistingValues choice);
std::optional<ExistingValues> existingValuesFromKey(const QString &key);

struct ImportOptions
{
    QString station;              // every row goes to this register code; empty: by number
    bool createStations = false;  // create the register stations the file's numbers lack
    ExistingValues existing = ExistingValues::Unvalidated;
    bool dryRun = false;          // read, check and count; write nothing
    int previewRows = 200;        // rows kept for the preview (report.preview)
};

// One row as it will be written, for the preview: the target station code ("" when it
// would be refused) and the row; or a refused line with its reason.
struct PreviewLine
{
    QString source;               // file name
    QString station;
    ImportedRow row;
    QString refusal;              // empty when the row will be written
};

// What became of one station's rows.
struct StationImport
{
    QString number;               // the file's station number ("" with options.station)
    QString code;                 // the register code written to
    bool created = false;         // created by this import (or would be, in a dry run)
    qint64 written = 0, kept = 0;
    qint64 doubtful = 0;          // of those written, values the source flags doubtful
    QString error;                // the station failed: nothing of it was written
};

struct ImportReport
{
    bool ok = false;
    bool cancelled = false;
    QString error;                // why nothing (of the failed station) was written
    qint64 read = 0, written = 0, kept = 0, refused = 0;
    QList<QPair<QString, RefusedLine>> refusedLines;  // file name, line and reason
    QStringList createdStations;  // register codes created
    QList<PreviewLine> preview;   // the first options.previewRows rows
    qint64 failed = 0;            // rows of stations that failed (none of them written)
    qint64 doubtful = 0;          // rows written unvalidated because the source doubts them
    QList<StationImport> stations; // in the order the file gives them
    bool refusedLinesCut = false; // more refused lines than refusedLines keeps
};

// Progress: bytes or rows done out of total (0 when unknown); false asks to stop.
using ImportProgress = std::function<bool(qint64 done, qint64 total)>;

// Reads every source with the reader and writes its rows, one transaction per station
// (a cancelled or failed import of a station writes nothing of it), ModeObtention "I",
// the history's Import batch and a journal line. The same code serves the screen and the
// command line.
// The transaction holds one file's rows of one station, with the register row and the table
// it may create: the station whose writing fails, the one being read when the file turns
// out damaged and the one being read on cancel write nothing; the stations finished before
// stay (report.stations). A stored record that already holds the file's value counts as
// kept. Rows are held one block at a time, never the whole file. A dry run reads the
// stored records to count, and writes nothing: no station, table, history or journal.
ImportReport runImport(AccesBase &db, const QList<ImportSource> &sources, ImportReader &reader,
                       const ImportOptions &options, const ImportProgress &progress = {});

} // namespace plx
