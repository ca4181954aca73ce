#pragma once

#include <QString>
#include <QStringList>

#include <functional>

struct sqlite3;

// Copies the user tables an MdbReader sees into an open SQLite database: one table per
// Access table, same names, mapped column types, rows through prepared statements.
namespace plx {

class MdbReader;

struct MdbCopyReport
{
    QStringList tables; // names as created in SQLite
    qint64 rows = 0;
    QStringList unreadableColumns; // "Table.Colonne"
    QStringList warnings;          // French, one sentence each
};

// Rows copied so far and the total the file announces; returning false cancels.
using MdbProgress = std::function<bool(qint64 done, qint64 total)>;

// Runs inside the caller's transaction. False with a French error on failure or cancel.
bool copyAccessTables(MdbReader &reader, sqlite3 *db, const MdbProgress &progress,
                      MdbCopyReport *report, QString *error);

} // namespace plx
