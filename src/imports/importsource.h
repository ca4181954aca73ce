#pragma once

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

} // namespace plx
