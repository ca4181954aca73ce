#include "db/rowcells.h"

#include "db/datetimetext.h"

#include <QDateTime>

namespace plx {

QChar VariantCells::firstChar(int column) const
{
    const QVariant &value = m_values[column];
    if (value.isNull())
        return {};
    const QString text = value.typeId() == QMetaType::QString
                             ? *static_cast<const QString *>(value.constData())
                             : value.toString();
    for (const QChar c : text) {
        if (!c.isSpace())
            return c;
    }
    return {};
}

std::pair<QDate, QTime> VariantCells::dayAndTime(int column) const
{
    const QVariant &value = m_values[column];
    if (value.isNull())
        return {};
    const QDateTime at = value.typeId() == QMetaType::QDateTime
                             ? *static_cast<const QDateTime *>(value.constData())
                             : parseDatabaseDateTime(value.toString());
    if (!at.isValid())
        return {};
    return {at.date(), at.time()};
}

} // namespace plx
