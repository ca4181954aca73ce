#include "db/recordtable.h"

#include <QDateTime>
#include <QLocale>

namespace plx {

int RecordTable::columnIndex(const QString &name) const
{
    for (int i = 0; i < m_columns.size(); ++i) {
        if (m_columns[i].compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

QString RecordTable::text(int row, int column) const
{
    const QVariant &value = at(row, column);
    if (value.isNull())
        return QString();
    switch (value.typeId()) {
    case QMetaType::QDateTime: {
        // As Access writes a date into text: a time of day alone sits on its zero day.
        const QDateTime dt = value.toDateTime();
        if (dt.date() == QDate(1899, 12, 30))
            return dt.toString(QStringLiteral("hh:mm:ss"));
        return dt.time() == QTime(0, 0) ? dt.toString(QStringLiteral("dd/MM/yyyy"))
                                        : dt.toString(QStringLiteral("dd/MM/yyyy hh:mm:ss"));
    }
    case QMetaType::Double:
        return QString::number(value.toDouble(), 'g', QLocale::FloatingPointShortest);
    default:
        return value.toString();
    }
}

void RecordTable::fail(const QString &error)
{
    m_ok = false;
    m_error = error;
    m_values.clear();
}

} // namespace plx
