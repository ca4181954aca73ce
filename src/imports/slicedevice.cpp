#include "imports/slicedevice.h"

#include <QByteArray>

namespace plx {

SliceDevice::SliceDevice(std::unique_ptr<QIODevice> source, qint64 offset, qint64 size,
                         QObject *parent)
    : QIODevice(parent), m_source(std::move(source)), m_offset(offset), m_size(size)
{
}

bool SliceDevice::open(OpenMode mode)
{
    if ((mode & WriteOnly) || !m_source || !m_source->isReadable())
        return false;
    QByteArray skip(64 * 1024, Qt::Uninitialized);
    for (qint64 left = m_offset; left > 0;) {
        const qint64 n = m_source->read(skip.data(), qMin<qint64>(left, skip.size()));
        if (n <= 0) {
            setErrorString(n < 0 ? m_source->errorString()
                                 : QStringLiteral("L'archive s'arrête avant ce fichier."));
            return false;
        }
        left -= n;
    }
    m_left = m_size;
    return QIODevice::open(mode | Unbuffered);
}

qint64 SliceDevice::readData(char *data, qint64 maxSize)
{
    if (m_left == 0)
        return 0;
    const qint64 n = m_source->read(data, qMin(maxSize, m_left));
    if (n < 0) {
        setErrorString(m_source->errorString());
        return -1;
    }
    if (n == 0) {
        setErrorString(QStringLiteral("L'archive s'arrête au milieu de ce fichier."));
        return -1;
    }
    m_left -= n;
    return n;
}

} // namespace plx
