#include "cli/rowwriter.h"

#include "cli/commands.h"

#include <QDateTime>

#include <charconv>
#include <cstring>

namespace plx::cli {

namespace {

constexpr qint64 kMsecsPerDay = 86400000;

// The proleptic Gregorian day of a count of days since 01/01/1970, as QDate counts them.
void civilFromDays(qint64 days, int &year, int &month, int &day)
{
    days += 719468;
    const qint64 era = (days >= 0 ? days : days - 146096) / 146097;
    const qint64 dayOfEra = days - era * 146097;
    const qint64 yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const qint64 dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const qint64 shifted = (5 * dayOfYear + 2) / 153; // March = 0
    day = int(dayOfYear - (153 * shifted + 2) / 5 + 1);
    month = int(shifted < 10 ? shifted + 3 : shifted - 9);
    year = int(yearOfEra + era * 400 + (month <= 2 ? 1 : 0));
}

char *twoDigits(char *out, int value)
{
    out[0] = char('0' + value / 10);
    out[1] = char('0' + value % 10);
    return out + 2;
}

} // namespace

RowWriter::RowWriter(FILE *stream, qsizetype chunk)
    : m_stream(stream), m_chunk(chunk), m_reals(4096)
{
    m_buffer.reserve(chunk + 4096);
}

void RowWriter::row(const QVariant *values, int count)
{
    for (int c = 0; c < count; ++c) {
        if (c > 0)
            m_buffer.append('\t');
        cell(values[c]);
    }
    m_buffer.append('\n');
    if (m_buffer.size() >= m_chunk)
        flush();
}

bool RowWriter::flush()
{
    if (m_buffer.isEmpty())
        return true;
    m_started = true;
    const bool ok = std::fwrite(m_buffer.constData(), 1, size_t(m_buffer.size()), m_stream) ==
                    size_t(m_buffer.size());
    m_buffer.clear(); // keeps the capacity
    return ok;
}

void RowWriter::cell(const QVariant &value)
{
    if (value.isNull())
        return;
    switch (value.typeId()) {
    case QMetaType::QDateTime:
        if (dateTime(value))
            return;
        break;
    case QMetaType::LongLong: {
        char digits[24];
        const auto end = std::to_chars(digits, digits + sizeof digits,
                                       *static_cast<const qlonglong *>(value.constData()))
                             .ptr;
        m_buffer.append(digits, end - digits);
        return;
    }
    case QMetaType::Double:
        real(*static_cast<const double *>(value.constData()));
        return;
    case QMetaType::QString:
        text(*static_cast<const QString *>(value.constData()));
        return;
    default:
        break;
    }
    m_buffer.append(cellText(value).toUtf8());
}

void RowWriter::real(double value)
{
    quint64 bits;
    std::memcpy(&bits, &value, sizeof bits);
    RealText &slot = m_reals[size_t((bits ^ (bits >> 29) ^ (bits >> 47)) % m_reals.size())];
    if (slot.length == 0 || slot.bits != bits) {
        const QString number = cellText(QVariant(value));
        if (number.size() > qsizetype(sizeof slot.text)) {
            m_buffer.append(number.toLatin1());
            return;
        }
        slot.bits = bits;
        slot.length = char(number.size());
        for (qsizetype i = 0; i < number.size(); ++i)
            slot.text[i] = char(number[i].unicode()); // digits, '.', '-', 'e', '+', "inf", "nan"
    }
    m_buffer.append(slot.text, slot.length);
}

// "dd/MM/yyyy", or "dd/MM/yyyy HH:mm:ss" when the time is not midnight, as cellText()
// writes them. False for what it leaves to cellText(): other zones, years outside
// 1000-9999, invalid values.
bool RowWriter::dateTime(const QVariant &value)
{
    const QDateTime &dt = *static_cast<const QDateTime *>(value.constData());
    if (dt.timeSpec() != Qt::UTC || !dt.isValid())
        return false;
    const qint64 msecs = dt.toMSecsSinceEpoch();
    qint64 days = msecs / kMsecsPerDay;
    qint64 msecsOfDay = msecs % kMsecsPerDay;
    if (msecsOfDay < 0) {
        msecsOfDay += kMsecsPerDay;
        --days;
    }
    int year, month, day;
    civilFromDays(days, year, month, day);
    if (year < 1000 || year > 9999)
        return false;
    char text[19];
    char *out = twoDigits(text, day);
    *out++ = '/';
    out = twoDigits(out, month);
    *out++ = '/';
    out = twoDigits(out, year / 100);
    out = twoDigits(out, year % 100);
    if (msecsOfDay != 0) {
        const int seconds = int(msecsOfDay / 1000);
        *out++ = ' ';
        out = twoDigits(out, seconds / 3600);
        *out++ = ':';
        out = twoDigits(out, seconds / 60 % 60);
        *out++ = ':';
        out = twoDigits(out, seconds % 60);
    }
    m_buffer.append(text, out - text);
    return true;
}

// The text in UTF-8, tabs and line breaks turned into blanks (neither byte occurs inside
// a multi-byte UTF-8 sequence, so the order of the two steps does not matter).
void RowWriter::text(const QString &value)
{
    const qsizetype start = m_buffer.size();
    const QChar *chars = value.constData();
    const qsizetype size = value.size();
    qsizetype i = 0;
    for (; i < size && chars[i].unicode() < 0x80; ++i)
        m_buffer.append(char(chars[i].unicode()));
    if (i < size) {
        m_buffer.truncate(start);
        m_buffer.append(value.toUtf8());
    }
    char *bytes = m_buffer.data();
    for (qsizetype b = start; b < m_buffer.size(); ++b) {
        if (bytes[b] == '\t' || bytes[b] == '\n')
            bytes[b] = ' ';
    }
}

} // namespace plx::cli
