#include "db/accessworkingcopy.h"

#include "db/mdbimport.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace plx {

namespace {

QString workingPathFor(const QFileInfo &source)
{
    const QString name = source.completeBaseName() + QStringLiteral(".plx.sqlite");
    if (QFileInfo(source.absolutePath()).isWritable())
        return source.dir().filePath(name);
    // A read-only share: one copy per source path in the user's data folder.
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
    QDir().mkpath(folder);
    const QByteArray hash =
        QCryptographicHash::hash(source.absoluteFilePath().toUtf8(), QCryptographicHash::Sha1).toHex().left(8);
    return QDir(folder).filePath(source.completeBaseName() + QLatin1Char('-') + QString::fromLatin1(hash)
                                 + QStringLiteral(".plx.sqlite"));
}

} // namespace

QString accessWorkingCopy(const QString &accessPath, QString *notice, QString *error)
{
    const QFileInfo source(accessPath);
    if (!source.exists()) {
        *error = QStringLiteral("Le fichier Access « %1 » est introuvable.").arg(accessPath);
        return QString();
    }
    // Also before reusing a copy: the owner may have protected the file since. The copy is
    // left alone and serves again once the password is removed.
    const QString refusal = accessProtectionRefusal(accessPath);
    if (!refusal.isEmpty()) {
        *error = refusal;
        return QString();
    }
    const QString working = workingPathFor(source);
    if (QFileInfo::exists(working)) {
        *notice = QStringLiteral("Le fichier Access « %1 » est utilisé à travers sa copie de travail « %2 » : "
                                 "les modifications sont enregistrées dans cette copie, le fichier "
                                 "d'origine n'est jamais modifié.")
                      .arg(source.fileName(), working);
        return working;
    }
    const MdbImportResult result = importAccessFile(accessPath, working);
    if (!result.ok) {
        *error = result.error;
        return QString();
    }
    *notice = result.notice;
    return working;
}

} // namespace plx
