#include "imports/sourcehead.h"

#include <QIODevice>

namespace plx {

QList<QByteArray> mappingLines(const QByteArray &head, int count)
{
    QList<QByteArray> lines;
    qsizetype start = 0;
    while (lines.size() < count && start < head.size()) {
        const qsizetype end = head.indexOf('\n', start);
        if (end < 0) {
            if (lines.isEmpty())
                lines << head.mid(start);
            break;
        }
        QByteArray line = head.mid(start, end - start);
        if (line.endsWith('\r'))
            line.chop(1);
        lines << line;
        start = end + 1;
    }
    return lines;
}

bool inspectChosenFile(const QString &path, ChosenFile &file, QString *error)
{
    file = ChosenFile{};
    file.path = path;
    QString why;
    file.sources = listImportSources(path, &why);
    if (file.sources.isEmpty()) {
        if (error)
            *error = why.isEmpty()
                         ? QStringLiteral("%1 ne contient aucun fichier à importer.").arg(path)
                         : why;
        return false;
    }
    for (const ImportSource &source : std::as_const(file.sources)) {
        QString openError;
        const QByteArray head = readSourceHead(source, 64 * 1024, &openError);
        if (!openError.isEmpty()) {
            if (error)
                *error = openError;
            return false;
        }
        if (file.firstHead.isEmpty())
            file.firstHead = head;
        file.formats << detectImportFormat(head, source.name);
    }
    return true;
}

std::optional<ImportFormat> commonFormat(const QList<ChosenFile> &files, bool *mixed)
{
    std::optional<ImportFormat> found;
    bool unknown = false;
    bool differ = false;
    for (const ChosenFile &file : files) {
        for (const std::optional<ImportFormat> &format : file.formats) {
            if (!format)
                unknown = true;
            else if (!found)
                found = format;
            else if (*found != *format)
                differ = true;
        }
    }
    if (mixed)
        *mixed = differ || (unknown && found);
    if (differ || unknown)
        return std::nullopt;
    return found;
}

} // namespace plx
