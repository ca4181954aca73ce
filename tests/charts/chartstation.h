#pragma once

// A small station for the chart tests: two years of daily rainfall and effective rainfall
// (2019-2020), the second parameter missing in March 2020.

#include "db/accesbase.h"
#include "db/dialect.h"
#include "db/sqltext.h"
#include "db/transaction.h"
#include "measures/measurementtable.h"
#include "schema/schemacatalog.h"
#include "schema/schemaupgrade.h"

#include <QDate>

#include <gtest/gtest.h>

namespace plxtest {

inline void fillChartStation(plx::AccesBase &db, const QString &code)
{
    const plx::ScopedConnectionKind kind(db);
    ASSERT_TRUE(plx::upgradeSchema(db, QStringLiteral(PLX_VERSION)).ok);
    ASSERT_TRUE(db.Execute(QStringLiteral("INSERT INTO PLUVIOMETRES (CodePluviometre, Nom) "
                                          "VALUES (%1, %2)")
                               .arg(code, plx::sqlQuote(QStringLiteral("L'ESSAI")))));
    ASSERT_TRUE(plx::CreateMeasurementTable(db, code, false));
    plx::Transaction transaction(db);
    const QString table = plx::measurementTableName(code);
    for (QDate day(2019, 1, 1); day <= QDate(2020, 12, 31); day = day.addDays(1)) {
        const bool gap = day.year() == 2020 && day.month() == 3;
        const double rain = (day.dayOfYear() % 9) * 1.5;
        ASSERT_TRUE(transaction.exec(
            QStringLiteral("INSERT INTO %1 (DateCreation, Heure, Pluie, PluieEfficace, Validite) "
                           "VALUES (%2, %3, %4, %5, 'V')")
                .arg(table, plx::FormatDateSQL(day.toString(QStringLiteral("dd/MM/yyyy")), true),
                     plx::FormatHeureSQL(QStringLiteral("00:00")), plx::sqlNumber(rain),
                     gap ? QStringLiteral("Null") : plx::sqlNumber(rain / 2))))
            << transaction.error().toStdString();
    }
    ASSERT_TRUE(transaction.commit());
}

} // namespace plxtest
