#include "outputs/zipentries.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

#include <quazip/quazip.h>
#include <quazip/quazipfile.h>
#include <quazip/quazipnewinfo.h>

namespace plx {

bool readZipEntries(const QString &path, std::vector<ZipEntry> &entries, QString *why)
{
    auto fail = [&](const QString &reason) {
        if (why)
            *why = reason;
        return false;
    };
    if (!QFileInfo::exists(path))
        return fail(QStringLiteral("le fichier n'existe pas."));
    QuaZip zip(path);
    if (!zip.open(QuaZip::mdUnzip))
        return fail(QStringLiteral("ce n'est pas une archive lisible."));
    entries.clear();
    for (bool more = zip.goToFirstFile(); more; more = zip.goToNextFile()) {
        QuaZipFile file(&zip);
        if (!file.open(QIODevice::ReadOnly))
            return fail(QStringLiteral("l'entrée « %1 » est illisible.").arg(zip.getCurrentFileName()));
        ZipEntry entry;
        entry.name = zip.getCurrentFileName();
        entry.data = file.readAll();
        file.close();
        if (file.getZipError() != 0)
            return fail(QStringLiteral("l'entrée « %1 » est illisible.").arg(entry.name));
        entries.push_back(std::move(entry));
    }
    return true;
}

QByteArray zipArchive(const std::vector<ZipEntry> &entries, QString *why)
{
    auto fail = [&](const QString &reason) {
        if (why)
            *why = reason;
        return QByteArray();
    };
    // Zipped in memory: QuaZip closes its device when done, which a QSaveFile cannot take.
    QByteArray archive;
    QBuffer buffer(&archive);
    QuaZip zip(&buffer);
    if (!zip.open(QuaZip::mdCreate))
        return fail(QStringLiteral("l'archive ne peut pas être créée."));
    for (const ZipEntry &entry : entries) {
        QuaZipFile file(&zip);
        if (!file.open(QIODevice::WriteOnly, QuaZipNewInfo(entry.name), nullptr, 0,
                       entry.stored ? 0 : 8))
            return fail(QStringLiteral("l'écriture de l'archive a échoué."));
        const bool written = file.write(entry.data) == entry.data.size();
        file.close();
        if (!written || file.getZipError() != 0)
            return fail(QStringLiteral("l'écriture de l'archive a échoué."));
    }
    zip.close();
    if (zip.getZipError() != 0)
        return fail(QStringLiteral("l'écriture de l'archive a échoué."));
    return archive;
}

bool writeZipEntries(const QString &path, const std::vector<ZipEntry> &entries, QString *why)
{
    auto fail = [&](const QString &reason) {
        if (why)
            *why = reason;
        return false;
    };
    if (!QFileInfo(path).absoluteDir().exists())
        return fail(QStringLiteral("le dossier n'existe pas."));
    const QByteArray archive = zipArchive(entries, why);
    if (archive.isEmpty())
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(archive) != archive.size())
        return fail(file.errorString());
    if (!file.commit())
        return fail(file.errorString());
    return true;
}

} // namespace plx
