#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class QIODevice;

namespace plx {

// The files a user chose, opened as plain streams: ".gz" decompressed on the fly, each
// member of a ".zip" (and of a ".tar.gz") one source. Nothing is unpacked to disk.
struct ImportSource
{
    QString name;                       // file name, or "archive.zip/member.txt"
    std::function<std::unique_ptr<QIODevice>(QString *error)> open; // may be called again
};
QList<ImportSource> listImportSources(const QString &path, QString *error);

// The first bytes of a source, decompressed (for detecting its format and for the
// mapping dialog's first lines); empty with error set when it cannot be opened.
QByteArray readSourceHead(const ImportSource &source, qint64 maxBytes = 64 * 1024,
                          QString *error = nullptr);

} // namespace plx
