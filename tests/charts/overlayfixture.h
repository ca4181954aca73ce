#pragma once

// Stations for the overlay tests: rain gauges with a few months of daily rainfall and
// piezometers with their level tables, written as the groundwater module lays them out.

#include "db/accesbase.h"
#include "db/dialect.h"
#include "db/sqltext.h"
#include "measures/measurementtable.h"
#include "schema/schemacatalog.h"

#include <QDate>

#include <gtest/gtest.h>

namespace plxtest {

inline void execOrFail(const QString &sql)
{
    ASSERT_TRUE(plx::AccesBase::instance().Execute(sql))
        << sql.left(300).toStdString() << ": "
        << plx::AccesBase::instance().lastError().toStdString();
}

// Rain gauge `code` named `name`, daily rainfall of `scale` * (day of month % 5) mm in 2020.
inline void addRainGauge(int code, const QString &name, double scale)
{
    plx::AccesBase &db = plx::AccesBase::instance();
    execOrFail(QStringLiteral("INSERT INTO PLUVIOMETRES (CodePluviometre, Nom) VALUES (%1, %2)")
                   .arg(plx::sqlNumber(code), plx::sqlQuote(name)));
    ASSERT_TRUE(plx::CreateMeasurementTable(db, QString::number(code), false));
    QStringList rows;
    const QString midnight = plx::FormatHeureSQL(QStringLiteral("00:00:00"));
    for (QDate d(2020, 1, 1); d <= QDate(2020, 6, 30); d = d.addDays(1))
        rows << QStringLiteral("(%1, %2, %3, 'V')")
                    .arg(plx::FormatDateSQL(d.toString(QStringLiteral("dd/MM/yyyy")), false),
                         midnight, plx::sqlNumber(scale * (d.day() % 5)));
    execOrFail(QStringLiteral("INSERT INTO %1 (DateCreation, Heure, Pluie, Validite) VALUES ")
                   .arg(plx::measurementTableName(QString::number(code))) +
               rows.join(QStringLiteral(", ")));
}

// Piezometer `code` with weekly readings at 08:30 in 2020; levels when withLevels, else
// depths only. One unvalidated reading on 01/03/2020.
inline void addPiezometer(int code, const QString &name, bool withLevels)
{
    const QString kind = plx::kindOfConnection(plx::AccesBase::instance());
    const plx::ColumnTypes types = plx::columnTypes(kind);
    const QString table = QStringLiteral("PZ_") + QString::number(code);
    execOrFail(QStringLiteral("INSERT INTO PIEZOMETRES (CodePiezometre, Nom, Altitude) "
                              "VALUES (%1, %2, 120)")
                   .arg(plx::sqlNumber(code), plx::sqlQuote(name)));
    execOrFail(QStringLiteral("CREATE TABLE %1 (DateCreation %2, Heure %2, NiveauNGF %3, "
                              "Profondeur %3, Validite %4)")
                   .arg(table, types.dateTime, types.number, types.textOfLength(1)));
    QStringList rows;
    const QString time = plx::FormatHeureSQL(QStringLiteral("08:30:00"));
    int week = 0;
    for (QDate d(2020, 1, 5); d.year() == 2020; d = d.addDays(7), ++week) {
        const double depth = 10 + (week % 10) * 0.25;
        rows << QStringLiteral("(%1, %2, %3, %4, %5)")
                    .arg(plx::FormatDateSQL(d.toString(QStringLiteral("dd/MM/yyyy")), false), time,
                         withLevels ? plx::sqlNumber(120 - depth) : QStringLiteral("Null"),
                         plx::sqlNumber(depth), plx::sqlQuote(QStringLiteral("V")));
    }
    rows << QStringLiteral("(%1, %2, %3, 70, 'I')")
                .arg(plx::FormatDateSQL(QStringLiteral("01/03/2020"), false), time,
                     withLevels ? QStringLiteral("50") : QStringLiteral("Null"));
    execOrFail(QStringLiteral("INSERT INTO %1 (DateCreation, Heure, NiveauNGF, Profondeur, "
                              "Validite) VALUES ")
                   .arg(table) +
               rows.join(QStringLiteral(", ")));
}

} // namespace plxtest
