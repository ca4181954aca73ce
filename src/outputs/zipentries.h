#pragma once

#include <QByteArray>
#include <QString>

#include <vector>

namespace plx {

// One file of a zip package (.xlsx, .ods, .docx...).
struct ZipEntry
{
    QString name;
    QByteArray data;
    bool stored = false; // not compressed: the "mimetype" of an OpenDocument file must be
};

// Reads every entry of the archive, in the archive's order. False with a French reason.
bool readZipEntries(const QString &path, std::vector<ZipEntry> &entries, QString *why = nullptr);

// The entries zipped in memory, in their order; empty with a French reason on failure.
QByteArray zipArchive(const std::vector<ZipEntry> &entries, QString *why = nullptr);

// Zips the entries in memory, then replaces path atomically (QSaveFile): a failure leaves
// the previous file as it was. False with a French reason.
bool writeZipEntries(const QString &path, const std::vector<ZipEntry> &entries,
                     QString *why = nullptr);

} // namespace plx
