#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

class QIODevice;

namespace plx {

// Splits a device into lines, a chunk at a time, so that memory stays flat whatever the
// file size. Lines come without their end (LF or CR LF) and the first without a UTF-8
// byte order mark. A line is valid until the next call.
class LineReader
{
public:
    explicit LineReader(QIODevice &device);

    // False at the end of the data or on a read error (see failed()).
    bool next(QByteArrayView &line);
    // 1-based number of the line last returned.
    qint64 lineNumber() const { return m_line; }
    bool failed() const { return !m_error.isEmpty(); }
    QString error() const { return m_error; }
    // True when the first bytes were UTF-16 (not a text encoding the readers take).
    bool utf16() const { return m_utf16; }

private:
    bool fill();

    QIODevice &m_device; // not owned
    QByteArray m_buffer;
    qsizetype m_start = 0, m_end = 0;
    qint64 m_line = 0;
    bool m_eof = false;
    bool m_utf16 = false;
    QString m_error;
};

} // namespace plx
