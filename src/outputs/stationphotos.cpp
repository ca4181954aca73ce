#include "outputs/stationphotos.h"

#include <QDir>

namespace plx {

namespace {

struct PhotoKind
{
    const char *bookmark;
    const char *word;
    const char *letter;
};

constexpr PhotoKind kKinds[] = {
    {"PHOTO_SITE", "site", "a"},
    {"PHOTO_REPERE", "repere", "r"},
    {"PHOTO_CARTE", "carte", "s"},
    {"PHOTO_STATION", "station", "p"},
};

// The last "_token" of the file name without folder and extension, in lower case; "" when
// the name has no "_".
QString markerOf(const QString &file)
{
    QString name = file;
    name.replace(QLatin1Char('\\'), QLatin1Char('/'));
    name = name.mid(name.lastIndexOf(QLatin1Char('/')) + 1);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot > 0)
        name.truncate(dot);
    const qsizetype underscore = name.lastIndexOf(QLatin1Char('_'));
    return underscore < 0 ? QString() : name.mid(underscore + 1).toLower();
}

} // namespace

std::vector<std::pair<QString, QString>> stationPhotoFiles(const QStringList &files)
{
    QStringList markers;
    for (const QString &file : files)
        markers << markerOf(file);
    std::vector<std::pair<QString, QString>> found;
    for (const PhotoKind &kind : kKinds) {
        qsizetype at = markers.indexOf(QLatin1String(kind.word));
        if (at < 0)
            at = markers.indexOf(QLatin1String(kind.letter));
        if (at >= 0)
            found.emplace_back(QString::fromLatin1(kind.bookmark), files.at(at));
    }
    return found;
}

QString photoFilePath(const QString &stored, const QString &photoFolder)
{
    const QString file = stored.trimmed();
    const bool absolute = QDir::isAbsolutePath(file) || file.startsWith(QLatin1Char('\\')) ||
                          (file.size() > 1 && file.at(1) == QLatin1Char(':'));
    if (file.isEmpty() || absolute || photoFolder.trimmed().isEmpty())
        return file;
    return QDir(photoFolder.trimmed()).filePath(file);
}

} // namespace plx
