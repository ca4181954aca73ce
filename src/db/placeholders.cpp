#include "db/placeholders.h"

#include <QDateTime>

#include <charconv>

namespace plx {

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
    case QMetaType::QDateTime:
        return value.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")).toLatin1();
    case QMetaType::QDate:
        return value.toDate().toString(QStringLiteral("yyyy-MM-dd")).toLatin1();
    case QMetaType::QTime:
        return value.toTime().toString(QStringLiteral("HH:mm:ss")).toLatin1();
    default:
        return value.toString().toUtf8();
    }
}

} // namespace plx
