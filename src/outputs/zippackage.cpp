#include "outputs/zippackage.h"

#include <algorithm>

namespace plx {

bool ZipPackage::read(const QString &path)
{
    return readZipEntries(path, m_entries) && !m_entries.empty();
}

const ZipEntry *ZipPackage::find(const QString &name) const
{
    for (const ZipEntry &e : m_entries) {
        if (e.name == name)
            return &e;
    }
    return nullptr;
}

QByteArray ZipPackage::data(const QString &name) const
{
    const ZipEntry *e = find(name);
    return e ? e->data : QByteArray();
}

void ZipPackage::set(const QString &name, const QByteArray &data)
{
    for (ZipEntry &e : m_entries) {
        if (e.name == name) {
            e.data = data;
            return;
        }
    }
    m_entries.push_back({name, data});
}

QStringList ZipPackage::names() const
{
    QStringList out;
    for (const ZipEntry &e : m_entries)
        out << e.name;
    return out;
}

QByteArray ZipPackage::write() const
{
    std::vector<ZipEntry> ordered = m_entries;
    const auto isMimetype = [](const ZipEntry &e) { return e.name == QLatin1String("mimetype"); };
    std::stable_partition(ordered.begin(), ordered.end(), isMimetype);
    for (ZipEntry &e : ordered)
        e.stored = isMimetype(e);
    return zipArchive(ordered);
}

} // namespace plx
