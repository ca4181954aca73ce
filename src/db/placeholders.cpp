#include "db/placeholders.h"

#include <QDateTime>

#include <charconv>

namespace plx {

namespace {

// Bulk writes format millions of dates: digits by hand, not through a format string.
void putDigits(char *out, int value, int width)
{
    for (int i = width - 1; i >= 0; --i) {
        out[i] = char('0' + value % 10);
        value /= 10;
    }
}

void appendDate(QByteArray &out, const QDate &date)
{
    // One calendar conversion, not one for each of year(), month() and day().
    int year = 0, month = 0, day = 0;
    date.getDate(&year, &month, &day);
    if (!date.isValid() || year < 0 || year > 9999) {
        out += date.toString(QStringLiteral("yyyy-MM-dd")).toLatin1();
        return;
    }
    const qsizetype at = out.size();
    out.resize(at + 10, '-');
    putDigits(out.data() + at, year, 4);
    putDigits(out.data() + at + 5, month, 2);
    putDigits(out.data() + at + 8, day, 2);
}

void appendTime(QByteArray &out, const QTime &time)
{
    if (!time.isValid())
        return;
    const qsizetype at = out.size();
    out.resize(at + 8, ':');
    putDigits(out.data() + at, time.hour(), 2);
    putDigits(out.data() + at + 3, time.minute(), 2);
    putDigits(out.data() + at + 6, time.second(), 2);
}

// Most texts bound are short and plain ASCII (codes, logins, names of parameters): copied
// as they are, without the temporary array of a conversion.
void appendUtf8(QByteArray &out, QStringView text)
{
    const qsizetype at = out.size();
    out.resize(at + text.size());
    char *next = out.data() + at;
    for (const QChar c : text) {
        if (c.unicode() >= 0x80) {
            out.resize(at);
            out += text.toUtf8();
            return;
        }
        *next++ = char(c.unicode());
    }
}

} // namespace

QStringList splitAtPlaceholders(const QString &sql)
{
    QStringList pieces;
    QChar quote;
    qsizetype start = 0;
    for (qsizetype i = 0; i < sql.size(); ++i) {
        const QChar c = sql[i];
        if (!quote.isNull()) {
            // A doubled quote inside a quoted text closes and reopens it: same outcome.
            if (c == quote)
                quote = QChar();
        } else if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            quote = c;
        } else if (c == QLatin1Char('?')) {
            pieces << sql.mid(start, i - start);
            start = i + 1;
        }
    }
    pieces << sql.mid(start);
    return pieces;
}

bool appendBoundValueText(QByteArray &out, const QVariant &value)
{
    if (value.isNull())
        return false;
    switch (value.typeId()) {
    case QMetaType::Bool:
        out += value.toBool() ? '1' : '0';
        break;
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        out += QByteArray::number(value.toLongLong());
        break;
    case QMetaType::Double:
    case QMetaType::Float: {
        char buffer[32];
        const auto result = std::to_chars(buffer, buffer + sizeof buffer, value.toDouble());
        out.append(buffer, qsizetype(result.ptr - buffer));
        break;
    }
    case QMetaType::QDateTime: {
        const QDateTime at = value.toDateTime();
        appendDate(out, at.date());
        out += ' ';
        appendTime(out, at.time());
        break;
    }
    case QMetaType::QDate:
        appendDate(out, value.toDate());
        break;
    case QMetaType::QTime:
        appendTime(out, value.toTime());
        break;
    case QMetaType::QString:
        appendUtf8(out, *static_cast<const QString *>(value.constData()));
        break;
    default:
        out += value.toString().toUtf8();
    }
    return true;
}

QByteArray boundValueText(const QVariant &value)
{
    QByteArray text;
    if (!appendBoundValueText(text, value))
        return QByteArray();
    // An empty text is a value, not NULL.
    return text.isNull() ? QByteArray("", 0) : text;
}

} // namespace plx
