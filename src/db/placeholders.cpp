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

QByteArray dateText(const QDate &date)
{
    if (!date.isValid() || date.year() < 0 || date.year() > 9999)
        return date.toString(QStringLiteral("yyyy-MM-dd")).toLatin1();
    QByteArray text(10, '-');
    putDigits(text.data(), date.year(), 4);
    putDigits(text.data() + 5, date.month(), 2);
    putDigits(text.data() + 8, date.day(), 2);
    return text;
}

QByteArray timeText(const QTime &time)
{
    if (!time.isValid())
        return QByteArray();
    QByteArray text(8, ':');
    putDigits(text.data(), time.hour(), 2);
    putDigits(text.data() + 3, time.minute(), 2);
    putDigits(text.data() + 6, time.second(), 2);
    return text;
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

QByteArray boundValueText(const QVariant &value)
{
    if (value.isNull())
        return QByteArray();
    switch (value.typeId()) {
    case QMetaType::Bool:
        return value.toBool() ? QByteArrayLiteral("1") : QByteArrayLiteral("0");
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        return QByteArray::number(value.toLongLong());
    case QMetaType::Double:
    case QMetaType::Float: {
        char buffer[32];
        const auto result = std::to_chars(buffer, buffer + sizeof buffer, value.toDouble());
        return QByteArray(buffer, int(result.ptr - buffer));
    }
    case QMetaType::QDateTime: {
        const QDateTime at = value.toDateTime();
        QByteArray text = dateText(at.date());
        text += ' ';
        return text + timeText(at.time());
    }
    case QMetaType::QDate:
        return dateText(value.toDate());
    case QMetaType::QTime:
        return timeText(value.toTime());
    default:
        return value.toString().toUtf8();
    }
}

} // namespace plx
