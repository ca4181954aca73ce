#include "outputs/collectorvalues.h"

#include "base/locale.h"
#include "db/dialect.h"

namespace plx::collect {

namespace {

QString dateLiteral(const QDate &date)
{
    return FormatDateSQL(formatDate(date), false);
}

} // namespace

QString cellText(const RecordTable &rows, int row, int column)
{
    const QVariant &value = rows.at(row, column);
    if (value.isNull())
        return QString();
    switch (value.typeId()) {
    case QMetaType::QDateTime: {
        const QDateTime instant = value.toDateTime();
        return instant.time() == QTime(0, 0) ? formatDate(instant.date()) : formatDateTime(instant);
    }
    case QMetaType::Double:
        return formatNumber(value.toDouble());
    default:
        return rows.text(row, column);
    }
}

QString codeText(const RecordTable &rows, int row, int column)
{
    return rows.text(row, column);
}

QString currentLinkCondition(const QString &table, const QDate &today)
{
    return QStringLiteral("(%1.DateDebut is null or %1.DateDebut<%2) AND (%1.DateFin is null "
                          "or %1.DateFin>=%3)")
        .arg(table, dateLiteral(today.addDays(1)), dateLiteral(today));
}

QString endedLinkCondition(const QString &table, const QDate &today)
{
    return QStringLiteral("%1.DateFin<%2").arg(table, dateLiteral(today));
}

} // namespace plx::collect
