#include "imports/linereader.h"

#include <QIODevice>

#include <cstring>

namespace plx {

namespace {
constexpr qsizetype chunkSize = 256 * 1024;
constexpr qsizetype maxLine = 8 * 1024 * 1024;
} // namespace

LineReader::LineReader(QIODevice &device) : m_device(device)
{
    m_buffer.resize(chunkSize);
}

bool LineReader::fill()
{
    if (m_eof)
        return false;
    // Keep the unfinished line at the front; grow only for a line longer than the buffer.
    const qsizetype kept = m_end - m_start;
    if (m_start > 0 && kept > 0)
        std::memmove(m_buffer.data(), m_buffer.constData() + m_start, size_t(kept));
    m_start = 0;
    m_end = kept;
    if (m_buffer.size() - m_end < chunkSize / 2) {
        // A text line is never megabytes long: a binary file must not fill memory.
        if (m_buffer.size() >= maxLine) {
            m_error = QStringLiteral("Ligne de plus de %1 Mo : ce n'est pas un fichier texte.")
                          .arg(maxLine / (1024 * 1024));
            m_eof = true;
            return false;
        }
        m_buffer.resize(m_buffer.size() * 2);
    }
    const qint64 n = m_device.read(m_buffer.data() + m_end, m_buffer.size() - m_end);
    if (n < 0) {
        m_error = m_device.errorString();
        if (m_error.isEmpty())
            m_error = QStringLiteral("Lecture du fichier impossible.");
        m_eof = true;
        return false;
    }
    if (n == 0) {
        m_eof = true;
        return false;
    }
    m_end += n;
    return true;
}

bool LineReader::next(QByteArrayView &line)
{
    if (failed())
        return false;
    for (;;) {
        const char *begin = m_buffer.constData() + m_start;
        const qsizetype available = m_end - m_start;
        const void *lf = available > 0 ? std::memchr(begin, '\n', size_t(available)) : nullptr;
        qsizetype length = -1, consumed = 0;
        if (lf) {
            length = static_cast<const char *>(lf) - begin;
            consumed = length + 1;
        } else if (!fill()) {
            if (failed() || m_end == m_start)
                return false;
            length = consumed = m_end - m_start; // last line without an end
        } else {
            continue;
        }
        begin = m_buffer.constData() + m_start;
        m_start += consumed;
        if (length > 0 && begin[length - 1] == '\r')
            --length;
        ++m_line;
        if (m_line == 1) {
            if (length >= 3 && std::memcmp(begin, "\xEF\xBB\xBF", 3) == 0) {
                begin += 3;
                length -= 3;
            } else if (length >= 2 && (std::memcmp(begin, "\xFF\xFE", 2) == 0 ||
                                       std::memcmp(begin, "\xFE\xFF", 2) == 0)) {
                m_utf16 = true;
            }
        }
        line = QByteArrayView(begin, length);
        return true;
    }
}

} // namespace plx
