#pragma once

#include <QString>
#include <QStringList>

#include <functional>

// Reading Microsoft Access files where no Access driver exists: the whole file is copied
// into a SQLite working file, which the program then uses as its database. The Access
// file itself is only ever read.
namespace plx {

struct MdbImportOptions
{
    // Jet 3 files (Access 97 and older) do not record the code page of their text; French
    // ones are CP1252. Any iconv name ("CP1250", "GBK", ...). Ignored for newer files.
    QString codePage = QStringLiteral("CP1252");
    // Called now and then with the rows copied so far and the rows the file announces;
    // returning false cancels (nothing is written). Lets a screen show a progress bar and
    // give the event loop a turn.
    std::function<bool(qint64 done, qint64 total)> progress;
    // libmdb can loop for ever on a damaged file. It runs in a child process, given up
    // (and the file reported as damaged) after this long without progress.
    int stallSeconds = 60;
};

struct MdbImportResult
{
    bool ok = false;
    QString error;                 // French, for users, when !ok
    QStringList tables;            // tables created in the working file
    qint64 rows = 0;               // rows copied, all tables together
    QStringList unreadableColumns; // "Table.Colonne": values libmdb cannot give, left NULL
    QStringList warnings;          // French sentences: duplicates, skipped tables, ...
    QString notice;                // French text for the user, warnings included
};

// Copies accessPath (a .mdb/.accdb file, or a ZIP holding one) into the SQLite file
// sqlitePath. Every user table keeps its name, column names, rows and types (text, integer,
// real, "DATETIME TEXT" as 'YYYY-MM-DD HH:MM:SS', blob); autonumbers become the row key,
// Access primary keys and the (DateCreation, Heure) key of PLUVIO_<code> tables become
// unique indexes. An existing sqlitePath is replaced only once the copy has succeeded.
// A file protected by a password is refused before anything is written.
MdbImportResult importAccessFile(const QString &accessPath, const QString &sqlitePath,
                                 const MdbImportOptions &options = {});

// When accessPath (a .mdb/.accdb file, or the Access database inside a ZIP) is protected by
// a password or encrypted: the French refusal to show (see connectionrefusal.h). Empty
// otherwise, also when the file cannot be read (importing it then says why).
// importAccessFile() refuses such a file by itself.
QString accessProtectionRefusal(const QString &accessPath);

} // namespace plx
