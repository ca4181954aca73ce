#pragma once

#include <QByteArray>
#include <QVariant>

#include <cstdio>
#include <vector>

namespace plx::cli {

// Writes rows the way plx sql prints them: cells as cellText() writes them, separated by
// tabs, one line per row, in UTF-8. Rows gather in one large buffer written out when it
// fills up; the common cells (dates, date-times, numbers, plain text) are written
// straight into it, the rest goes through cellText(), so the bytes are the same.
class RowWriter
{
public:
    explicit RowWriter(FILE *stream, qsizetype chunk = qsizetype(1) << 20);

    void row(const QVariant *values, int count);
    // Writes what is buffered; false when the stream refused it.
    bool flush();
    // Whether a row has already gone out to the stream (and so cannot be taken back).
    bool started() const { return m_started; }
    // Forgets the rows not yet written.
    void discard() { m_buffer.clear(); }

private:
    void cell(const QVariant &value);
    bool dateTime(const QVariant &value);
    void text(const QString &value);
    void real(double value);

    FILE *m_stream;
    qsizetype m_chunk;
    QByteArray m_buffer;
    bool m_started = false;

    // The texts of reals met lately: measurements repeat a few values (0, 0.2, 12.5...)
    // over and over, and each text is then made once.
    struct RealText
    {
        quint64 bits = 0;
        char length = 0; // 0: empty slot
        char text[31];
    };
    std::vector<RealText> m_reals;
};

} // namespace plx::cli
