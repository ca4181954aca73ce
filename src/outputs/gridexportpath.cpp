#include "outputs/gridexportpath.h"

#include "config/settings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace plx {

namespace {

QString fileNameOf(const QString &title)
{
    static const QString forbidden = QStringLiteral("/\\:*?\"<>|");
    QString name = title.trimmed();
    for (QChar &c : name) {
        if (forbidden.contains(c) || c.unicode() < 32)
            c = QLatin1Char('_');
    }
    while (name.endsWith(QLatin1Char('.')))
        name.chop(1);
    return name.isEmpty() ? QStringLiteral("Export") : name;
}

// A file another program holds: LibreOffice leaves ".~lock.NAME#", the spreadsheet
// application "~$NAME" beside it; elsewhere an open file may refuse writing.
bool busy(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return false;
    const QDir folder = info.absoluteDir();
    if (folder.exists(QStringLiteral(".~lock.") + info.fileName() + QLatin1Char('#')) ||
        folder.exists(QStringLiteral("~$") + info.fileName()))
        return true;
    QFile file(path);
    return !file.open(QIODevice::ReadWrite);
}

} // namespace

QString gridExportFolder()
{
    const QString folder = LireParametre(QStringLiteral("CheminExport"), {}, true).trimmed();
    if (!folder.isEmpty() && QDir(folder).exists())
        return QDir(folder).absolutePath();
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return documents.isEmpty() ? QDir::homePath() : documents;
}

QString gridExportExtension()
{
    if (LireParametre(QStringLiteral("exportCSV")).trimmed() == QLatin1String("1"))
        return QStringLiteral("csv");
    if (LireParametre(QStringLiteral("exportCalc")).trimmed() == QLatin1String("1"))
        return QStringLiteral("ods");
    return QStringLiteral("xlsx");
}

QString gridExportPath(const QString &folder, const QString &title, const QString &extension)
{
    const QDir dir(folder);
    const QString name = fileNameOf(title);
    QString path = dir.filePath(name + QLatin1Char('.') + extension);
    for (int n = 2; busy(path) && n < 1000; ++n)
        path = dir.filePath(QStringLiteral("%1_%2.%3").arg(name).arg(n).arg(extension));
    return path;
}

} // namespace plx
