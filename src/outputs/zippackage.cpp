#include "outputs/zippackage.h"

#include <QBuffer>

#include <quazip/quazip.h>
#include <quazip/quazipfile.h>
#include <quazip/quazipnewinfo.h>

#include <algorithm>

namespace plx {

bool ZipPackage::read(const QString &path)
{
    m_entries.clear();
    QuaZip zip(path);
    if (!zip.open(QuaZip::mdUnzip))
        return false;
    for (bool more = zip.goToFirstFile(); more; more = zip.goToNextFile()) {
        QuaZipFileInfo64 info;
        zip.getCurrentFileInfo(&info);
        QuaZipFile file(&zip);
        if (!file.open(QIODevice::ReadOnly))
            return false;
        m_entries.push_back({info.name, file.readAll(), info.dateTime});
        file.close();
        if (file.getZipError() != UNZ_OK)
            return false;
    }
    zip.close();
    return zip.getZipError() == UNZ_OK && !m_entries.empty();
}

const ZipPackage::Entry *ZipPackage::find(const QString &name) const
{
    for (const Entry &e : m_entries) {
        if (e.name == name)
            return &e;
    }
    return nullptr;
}

QByteArray ZipPackage::data(const QString &name) const
{
    const Entry *e = find(name);
    return e ? e->data : QByteArray();
}

void ZipPackage::set(const QString &name, const QByteArray &data)
{
    for (Entry &e : m_entries) {
        if (e.name == name) {
            e.data = data;
            return;
        }
    }
    m_entries.push_back({name, data, QDateTime::currentDateTime()});
}

QStringList ZipPackage::names() const
{
    QStringList out;
    for (const Entry &e : m_entries)
        out << e.name;
    return out;
}

QByteArray ZipPackage::write() const
{
    std::vector<const Entry *> order;
    for (const Entry &e : m_entries)
        order.push_back(&e);
    std::stable_partition(order.begin(), order.end(),
                          [](const Entry *e) { return e->name == QLatin1String("mimetype"); });

    QBuffer buffer;
    buffer.open(QIODevice::ReadWrite);
    QuaZip zip(&buffer);
    if (!zip.open(QuaZip::mdCreate))
        return {};
    for (const Entry *e : order) {
        QuaZipFile file(&zip);
        const bool stored = e->name == QLatin1String("mimetype");
        QuaZipNewInfo info(e->name);
        if (e->time.isValid())
            info.dateTime = e->time;
        if (!file.open(QIODevice::WriteOnly, info, nullptr, 0, stored ? 0 : Z_DEFLATED,
                       stored ? 0 : Z_DEFAULT_COMPRESSION))
            return {};
        if (file.write(e->data) != e->data.size())
            return {};
        file.close();
        if (file.getZipError() != ZIP_OK)
            return {};
    }
    zip.close();
    if (zip.getZipError() != ZIP_OK)
        return {};
    return buffer.data();
}

} // namespace plx
