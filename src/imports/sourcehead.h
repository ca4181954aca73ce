#pragma once

#include "imports/importreader.h"
#include "imports/importsource.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

namespace plx {

// The first count complete lines of a head, without their line ends (CR LF or LF). A last
// line cut by the head's size limit is left out unless it is the only one.
QList<QByteArray> mappingLines(const QByteArray &head, int count);

// One file the user chose: its sources (a .zip gives several) and the format each one
// shows, nullopt where none is recognised.
struct ChosenFile
{
    QString path;
    QList<ImportSource> sources;
    QList<std::optional<ImportFormat>> formats;
    QByteArray firstHead; // the first source's head, for the column mapping
};

// Lists the file's sources and detects each one's format. False with a French error when
// the file cannot be read or holds nothing to import.
bool inspectChosenFile(const QString &path, ChosenFile &file, QString *error);

// The one format the files share: nullopt when one of them is not recognised (then the
// generic reader applies) or when they differ (*mixed set).
std::optional<ImportFormat> commonFormat(const QList<ChosenFile> &files, bool *mixed);

} // namespace plx
