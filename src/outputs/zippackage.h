#pragma once

#include "outputs/zipentries.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <vector>

namespace plx {

// An office package (.docx, .odt...) held in memory: its entries in their order, so that
// a filler changes a few parts and writes every other entry back with the same content.
class ZipPackage
{
public:
    // False when the file cannot be opened as a zip archive or holds nothing.
    bool read(const QString &path);
    bool contains(const QString &name) const { return find(name) != nullptr; }
    // The content of an entry; empty when absent.
    QByteArray data(const QString &name) const;
    // Replaces an entry's content, or appends a new entry.
    void set(const QString &name, const QByteArray &data);
    QStringList names() const;
    // The archive; "mimetype" (ODF) first and stored uncompressed as readers require.
    // Empty on failure.
    QByteArray write() const;

private:
    const ZipEntry *find(const QString &name) const;
    std::vector<ZipEntry> m_entries;
};

} // namespace plx
