#include "db/engine.h"

#include "db/sqltext.h"

#include <QDateTime>

namespace plx {

QString Engine::literal(const QVariant &value) const
{
    if (value.isNull())
        return QStringLiteral("NULL");
    switch (value.typeId()) {
    case QMetaType::Bool:
        if (dialect() == SqlDialect::PostgreSQL)
            return value.toBool() ? QStringLiteral("true") : QStringLiteral("false");
        if (dialect() == SqlDialect::Access)
            return value.toBool() ? QStringLiteral("-1") : QStringLiteral("0");
        return value.toBool() ? QStringLiteral("1") : QStringLiteral("0");
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        return sqlNumber(value.toLongLong());
    case QMetaType::Double:
    case QMetaType::Float:
        return sqlNumber(value.toDouble());
    case QMetaType::QDate:
    case QMetaType::QDateTime: {
        const QDateTime dt = value.typeId() == QMetaType::QDate
                                 ? QDateTime(value.toDate(), QTime(0, 0), Qt::UTC)
                                 : value.toDateTime();
        const QString iso = dt.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        switch (dialect()) {
        case SqlDialect::Access:
            return QLatin1Char('#') + dt.toString(QStringLiteral("MM/dd/yyyy HH:mm:ss")) + QLatin1Char('#');
        case SqlDialect::Oracle:
            return QStringLiteral("TIMESTAMP ") + sqlQuote(iso);
        default:
            return sqlQuote(iso);
        }
    }
    default:
        return sqlQuote(value.toString());
    }
}

QString Engine::renameTableSql(const QString &from, const QString &to) const
{
    return QStringLiteral("ALTER TABLE %1 RENAME TO %2").arg(from, to);
}

} // namespace plx
