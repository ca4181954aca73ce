#pragma once

#include "db/accesbase.h"

#include <QDateTime>
#include <QStringList>

#include <gtest/gtest.h>

namespace plxtest {

inline void run(const char *sql)
{
    QString error;
    ASSERT_TRUE(plx::AccesBase::instance().Execute(QString::fromUtf8(sql), &error))
        << sql << "\n" << error.toStdString();
}

// Rows of a SELECT, each as "a|b|c": numbers in their shortest form, date-times in
// dateFormat, NULL empty.
inline QStringList rowsOf(const char *sql, const QString &dateFormat)
{
    const plx::RecordTable t = plx::AccesBase::instance().ExtraireRecords(QString::fromUtf8(sql));
    EXPECT_TRUE(t.ok()) << sql << "\n" << t.error().toStdString();
    QStringList rows;
    for (int r = 0; r < t.rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < t.columnCount(); ++c) {
            const QVariant &v = t.at(r, c);
            if (v.typeId() == QMetaType::QDateTime)
                cells << v.toDateTime().toString(dateFormat);
            else if (v.typeId() == QMetaType::Double || v.typeId() == QMetaType::LongLong)
                cells << QString::number(v.toDouble());
            else
                cells << v.toString();
        }
        rows << cells.join(QLatin1Char('|'));
    }
    return rows;
}

} // namespace plxtest
