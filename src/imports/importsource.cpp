#include "imports/importsource.h"

#include "imports/gzipdevice.h"
#include "imports/slicedevice.h"

#include <QFile>
#include <QFileInfo>

#include <quazip/quazip.h>
#include <quazip/quazipfile.h>

#include <cstring>

namespace plx {

namespace {

using Opener = std::function<std::unique_ptr<QIODevice>(QString *)>;

bool hasSuffix(const QString &name, const char *suffix)
{
    return name.endsWith(QLatin1String(suffix), Qt::CaseInsensitive);
}

bool isTarGz(const QString &name)
{
    return hasSuffix(name, ".tar.gz") || hasSuffix(name, ".tgz");
}

// Notes that travel with the data (readme, documentation) are not data to import.
bool isDocumentation(const QString &member)
{
    const QString base = member.section(QLatin1Char('/'), -1);
    if (base.startsWith(QLatin1String("readme"), Qt::CaseInsensitive))
        return true;
    for (const char *suffix : {".pdf", ".md", ".doc", ".docx", ".odt", ".html", ".htm"})
        if (hasSuffix(base, suffix))
            return true;
    return false;
}

std::unique_ptr<QIODevice> failed(QString *error, const QString &why)
{
    if (error)
        *error = why;
    return nullptr;
}

std::unique_ptr<QIODevice> openGzip(std::unique_ptr<QIODevice> source, QString *error)
{
    auto device = std::make_unique<GzipDevice>(std::move(source));
    if (!device->open(QIODevice::ReadOnly))
        return failed(error, device->errorString());
    return device;
}

bool startsWithGzipMagic(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray magic = file.read(2);
    return magic.size() == 2 && uchar(magic[0]) == 0x1f && uchar(magic[1]) == 0x8b;
}

Opener fileOpener(const QString &path, bool gzip)
{
    return [path, gzip](QString *error) -> std::unique_ptr<QIODevice> {
        auto file = std::make_unique<QFile>(path);
        if (!file->open(QIODevice::ReadOnly))
            return failed(error, QStringLiteral("Le fichier « %1 » ne peut pas être ouvert : %2")
                                     .arg(QFileInfo(path).fileName(), file->errorString()));
        if (!gzip)
            return file;
        return openGzip(std::move(file), error);
    };
}

Opener zipMemberOpener(const QString &path, const QString &member)
{
    return [path, member](QString *error) -> std::unique_ptr<QIODevice> {
        auto file = std::make_unique<QuaZipFile>(path, member);
        if (!file->open(QIODevice::ReadOnly))
            return failed(
                error,
                QStringLiteral("« %1 » ne peut pas être lu dans l'archive zip.").arg(member));
        if (!hasSuffix(member, ".gz"))
            return file;
        return openGzip(std::move(file), error);
    };
}

struct TarMember
{
    QString name;
    qint64 offset = 0, size = 0;
};

qint64 octal(const char *field, int length)
{
    qint64 value = 0;
    for (int i = 0; i < length && field[i]; ++i) {
        if (field[i] == ' ')
            continue;
        if (field[i] < '0' || field[i] > '7')
            return -1;
        value = value * 8 + (field[i] - '0');
    }
    return value;
}

// Walks the tar headers of a decompressed stream, skipping the members' data.
bool listTar(QIODevice &stream, QList<TarMember> &members, QString *error)
{
    char header[512];
    qint64 position = 0;
    QString longName;
    QByteArray skip(64 * 1024, Qt::Uninitialized);
    auto readFully = [&](char *into, qint64 size) {
        qint64 done = 0;
        while (done < size) {
            const qint64 n = stream.read(into + done, size - done);
            if (n <= 0)
                return false;
            done += n;
        }
        position += size;
        return true;
    };
    auto skipBytes = [&](qint64 size) {
        while (size > 0) {
            const qint64 n = stream.read(skip.data(), qMin<qint64>(size, skip.size()));
            if (n <= 0)
                return false;
            size -= n;
            position += n;
        }
        return true;
    };
    // QIODevice's errorString() is "Unknown error" until a device sets one.
    auto streamError = [&]() {
        const QString why = stream.errorString();
        return why == QLatin1String("Unknown error") ? QString() : why;
    };
    auto broken = [&](const QString &why) {
        if (error)
            *error = why;
        return false;
    };
    for (;;) {
        if (!readFully(header, 512)) {
            if (streamError().isEmpty() && stream.atEnd() && !members.isEmpty())
                return true; // no end blocks, but every member is whole
            return broken(streamError().isEmpty() ? QStringLiteral("L'archive tar est incomplète.")
                                                  : streamError());
        }
        if (header[0] == 0)
            return true; // the end blocks
        const qint64 size = octal(header + 124, 12);
        if (size < 0 || std::memcmp(header + 257, "ustar", 5) != 0)
            return broken(QStringLiteral("Ce n'est pas une archive tar lisible."));
        const char type = header[156];
        const qint64 padded = (size + 511) / 512 * 512;
        if (type == 'L') { // GNU long name: the next member's name is this data
            QByteArray name(padded, Qt::Uninitialized);
            if (!readFully(name.data(), padded))
                return broken(QStringLiteral("L'archive tar est incomplète."));
            longName = QString::fromUtf8(name.constData(), qstrnlen(name.constData(), size));
            continue;
        }
        QString name = longName;
        longName.clear();
        if (name.isEmpty()) {
            const QString prefix = QString::fromUtf8(header + 345, qstrnlen(header + 345, 155));
            name = QString::fromUtf8(header, qstrnlen(header, 100));
            if (!prefix.isEmpty())
                name = prefix + QLatin1Char('/') + name;
        }
        if (type == '0' || type == 0)
            members.append({name, position, size});
        if (!skipBytes(padded))
            return broken(streamError().isEmpty() ? QStringLiteral("L'archive tar est incomplète.")
                                                  : streamError());
    }
}

} // namespace

QList<ImportSource> listImportSources(const QString &path, QString *error)
{
    QList<ImportSource> sources;
    const QFileInfo info(path);
    const QString fileName = info.fileName();
    auto fail = [&](const QString &why) {
        if (error)
            *error = why;
        return QList<ImportSource>();
    };
    if (!info.exists())
        return fail(QStringLiteral("Le fichier « %1 » n'existe pas.").arg(path));
    if (!info.isFile() || !info.isReadable())
        return fail(QStringLiteral("Le fichier « %1 » ne peut pas être lu.").arg(path));

    if (hasSuffix(fileName, ".zip")) {
        QuaZip zip(path);
        if (!zip.open(QuaZip::mdUnzip))
            return fail(QStringLiteral("« %1 » n'est pas une archive zip lisible.").arg(fileName));
        const QStringList names = zip.getFileNameList();
        zip.close();
        for (const QString &member : names) {
            if (member.endsWith(QLatin1Char('/')) || isDocumentation(member))
                continue;
            sources.append({fileName + QLatin1Char('/') + member, zipMemberOpener(path, member)});
        }
        if (sources.isEmpty())
            return fail(QStringLiteral("L'archive « %1 » ne contient aucun fichier de données.")
                            .arg(fileName));
        return sources;
    }

    if (isTarGz(fileName)) {
        const Opener whole = fileOpener(path, true);
        QString why;
        std::unique_ptr<QIODevice> stream = whole(&why);
        QList<TarMember> members;
        if (!stream || !listTar(*stream, members, &why))
            return fail(QStringLiteral("« %1 » : %2").arg(fileName, why));
        for (const TarMember &member : members) {
            if (isDocumentation(member.name))
                continue;
            const qint64 offset = member.offset, size = member.size;
            const QString memberName = member.name;
            sources.append(
                {fileName + QLatin1Char('/') + memberName,
                 [whole, offset, size, memberName](QString *err) -> std::unique_ptr<QIODevice> {
                     std::unique_ptr<QIODevice> stream = whole(err);
                     if (!stream)
                         return nullptr;
                     auto slice = std::make_unique<SliceDevice>(std::move(stream), offset, size);
                     if (!slice->open(QIODevice::ReadOnly))
                         return failed(
                             err,
                             QStringLiteral("« %1 » : %2").arg(memberName, slice->errorString()));
                     return slice;
                 }});
        }
        if (sources.isEmpty())
            return fail(QStringLiteral("L'archive « %1 » ne contient aucun fichier de données.")
                            .arg(fileName));
        return sources;
    }

    const bool gzip = hasSuffix(fileName, ".gz") || startsWithGzipMagic(path);
    sources.append({fileName, fileOpener(path, gzip)});
    return sources;
}

QByteArray readSourceHead(const ImportSource &source, qint64 maxBytes, QString *error)
{
    std::unique_ptr<QIODevice> device = source.open(error);
    if (!device)
        return {};
    QByteArray head(maxBytes, Qt::Uninitialized);
    qint64 done = 0;
    while (done < maxBytes) {
        const qint64 n = device->read(head.data() + done, maxBytes - done);
        if (n <= 0)
            break; // a short or damaged file still shows its first bytes
        done += n;
    }
    head.truncate(done);
    return head;
}

} // namespace plx
