#pragma once

#include <QString>
#include <QStringList>

// Takes the Access database out of a ZIP archive, the form such files are often mailed in.
namespace plx {

struct MdbZipEntry
{
    QString entryName;     // as written in the archive
    QString extractedPath; // the copy, inside the folder given
    QStringList ignored;   // other Access databases in the archive, left aside
};

// True when the file starts like a ZIP archive.
bool looksLikeZip(const QString &path);

// The first size bytes of the Access entry extractAccessEntry() would take (and its name);
// empty when there is none or the archive cannot be read.
QByteArray readAccessEntryStart(const QString &zipPath, qint64 size, QString *entryName = nullptr);

// Extracts the first .mdb/.accdb entry into folder, under a name of our own (the entry's
// name is never used as a path, so "../x.mdb" cannot escape). False with a French error.
bool extractAccessEntry(const QString &zipPath, const QString &folder, MdbZipEntry *entry,
                        QString *error);

} // namespace plx
