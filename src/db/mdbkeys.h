#pragma once

#include <QList>
#include <QString>
#include <QStringList>

struct sqlite3;

// The keys an imported table gets in SQLite.
namespace plx {

// Positions of (DateCreation, Heure) when table is a measurement table PLUVIO_<code> that has
// both columns (names compared without regard to case), else an empty list.
QList<int> measurementKeyColumns(const QString &table, const QStringList &columns);

// CREATE UNIQUE INDEX indexName ON table (columns). When rows share a key, a plain index is
// created instead and a French warning added; any other failure only adds a warning.
// False when no index could be created.
bool createKeyIndex(sqlite3 *db, const QString &indexName, const QString &table,
                    const QStringList &columns, QStringList *warnings);

// "name" with inner quotes doubled: table and column names keep accents, spaces, "?" and
// quotes exactly.
QByteArray quoteIdentifier(const QString &name);

} // namespace plx
