#include "db/mdbzip.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <quazip/quazip.h>
#include <quazip/quazipfile.h>

namespace plx {

namespace {

QString baseName(const QString &entryName)
{
    // Archives made on Windows may use backslashes.
    const int cut =
        std::max(entryName.lastIndexOf(QLatin1Char('/')), entryName.lastIndexOf(QLatin1Char('\\')));
    return entryName.mid(cut + 1);
}

bool isAccessName(const QString &name)
{
    return name.endsWith(QLatin1String(".mdb"), Qt::CaseInsensitive) ||
           name.endsWith(QLatin1String(".accdb"), Qt::CaseInsensitive);
}

// The first .mdb/.accdb entry, and the others in ignored.
void chooseAccessEntry(QuaZip &zip, MdbZipEntry *entry)
{
    for (bool more = zip.goToFirstFile(); more; more = zip.goToNextFile()) {
        const QString name = zip.getCurrentFileName();
        if (name.endsWith(QLatin1Char('/')) || !isAccessName(baseName(name)))
            continue;
        if (entry->entryName.isEmpty())
            entry->entryName = name;
        else
            entry->ignored.append(name);
    }
}

} // namespace

bool looksLikeZip(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = file.read(4);
    return head == QByteArrayLiteral("PK\x03\x04") || head == QByteArrayLiteral("PK\x05\x06");
}

QByteArray readAccessEntryStart(const QString &zipPath, qint64 size, QString *entryName)
{
    QuaZip zip(zipPath);
    if (!zip.open(QuaZip::mdUnzip))
        return {};
    MdbZipEntry entry;
    chooseAccessEntry(zip, &entry);
    if (entry.entryName.isEmpty() || !zip.setCurrentFile(entry.entryName, QuaZip::csSensitive))
        return {};
    QuaZipFile in(&zip);
    if (!in.open(QIODevice::ReadOnly))
        return {};
    if (entryName)
        *entryName = entry.entryName;
    return in.read(size);
}

bool extractAccessEntry(const QString &zipPath, const QString &folder, MdbZipEntry *entry,
                        QString *error)
{
    *entry = MdbZipEntry();
    const QString zipName = QFileInfo(zipPath).fileName();
    QuaZip zip(zipPath);
    if (!zip.open(QuaZip::mdUnzip)) {
        *error = QStringLiteral("L'archive « %1 » ne peut pas être ouverte : elle est "
                                "endommagée ou n'est pas une archive ZIP.")
                     .arg(zipName);
        return false;
    }
    chooseAccessEntry(zip, entry);
    if (entry->entryName.isEmpty()) {
        *error = QStringLiteral("L'archive « %1 » ne contient aucune base Access (.mdb ou .accdb).")
                     .arg(zipName);
        return false;
    }

    const QString suffix = QFileInfo(baseName(entry->entryName)).suffix().toLower();
    const QString target = QDir(folder).filePath(QStringLiteral("base.") + suffix);
    const QString damaged =
        QStringLiteral("La base « %1 » de l'archive « %2 » ne peut pas être extraite : "
                       "l'archive est endommagée.")
            .arg(entry->entryName, zipName);
    if (!zip.setCurrentFile(entry->entryName, QuaZip::csSensitive)) {
        *error = damaged;
        return false;
    }
    QuaZipFile in(&zip);
    QFile out(target);
    if (!in.open(QIODevice::ReadOnly)) {
        *error = damaged;
        return false;
    }
    if (!out.open(QIODevice::WriteOnly)) {
        *error = QStringLiteral("Impossible d'écrire la base extraite dans « %1 ».").arg(folder);
        return false;
    }
    QByteArray buffer(1 << 16, Qt::Uninitialized);
    for (;;) {
        const qint64 got = in.read(buffer.data(), buffer.size());
        if (got < 0) {
            *error = damaged;
            return false;
        }
        if (got == 0)
            break;
        if (out.write(buffer.constData(), got) != got) {
            *error = QStringLiteral("Impossible d'écrire la base extraite dans « %1 » "
                                    "(disque plein ?).")
                         .arg(folder);
            return false;
        }
    }
    in.close(); // checks the CRC
    if (in.getZipError() != UNZ_OK || !out.flush()) {
        *error = damaged;
        return false;
    }
    entry->extractedPath = target;
    return true;
}

} // namespace plx
