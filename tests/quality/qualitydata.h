#pragma once

// Rain series written straight into measurement tables and stations placed on the map, for
// the quality-control tests.

#include "db/accesbase.h"
#include "db/preparedstatement.h"
#include "db/sqltext.h"
#include "db/transaction.h"
#include "measures/measurementtable.h"
#include "schema/schemacatalog.h"

#include <QDateTime>
#include <QFile>
#include <QMap>

#include <gtest/gtest.h>

#include <cmath>
#include <optional>

namespace plxtest {

// One record: a day, an optional time of day (none: Heure null), the rainfall.
struct RainRecord
{
    QDate day;
    std::optional<QTime> time;
    double pluie = 0;
};

inline void writeRain(plx::AccesBase &db, const QString &code, const std::vector<RainRecord> &rows)
{
    const plx::ScopedConnectionKind kind(db);
    ASSERT_TRUE(plx::CreateMeasurementTable(db, code, false));
    QString error;
    plx::Transaction transaction(db);
    ASSERT_TRUE(transaction.started()) << transaction.error().toStdString();
    const std::unique_ptr<plx::PreparedStatement> insert =
        db.prepare(QStringLiteral("INSERT INTO ") + plx::measurementTableName(code) +
                       QStringLiteral(" (DateCreation, Heure, Pluie) VALUES (?, ?, ?)"),
                   &error);
    ASSERT_TRUE(insert) << error.toStdString();
    for (const RainRecord &row : rows) {
        const QVariant heure =
            row.time ? QVariant(QDateTime(QDate(1899, 12, 30), *row.time, Qt::UTC)) : QVariant();
        ASSERT_TRUE(insert->exec({QVariant(row.day), heure, QVariant(row.pluie)}, &error))
            << error.toStdString();
    }
    ASSERT_TRUE(transaction.commit()) << transaction.error().toStdString();
}

// A plausible daily series: wet on about 45 % of the days with exponential amounts rounded
// to 0.1 mm, never more than six dry days in a row (longer spells are what the zero-run
// rule looks for). The same starting number gives the same series on every machine.
inline QMap<QDate, double> cleanDailyRain(const QDate &from, const QDate &to, quint32 start)
{
    quint32 state = start;
    const auto uniform = [&] {
        state = state * 1664525u + 1013904223u;
        return double(state >> 8) / 16777216.0;
    };
    QMap<QDate, double> series;
    int dry = 0;
    for (QDate day = from; day <= to; day = day.addDays(1)) {
        const bool wet = uniform() < 0.45 || dry >= 6;
        const double amount = std::round(10 * (0.3 - 5 * std::log(1 - uniform()))) / 10;
        series.insert(day, wet ? amount : 0.0);
        dry = wet ? 0 : dry + 1;
    }
    return series;
}

inline std::vector<RainRecord> dailyRecords(const QMap<QDate, double> &series)
{
    std::vector<RainRecord> rows;
    for (auto it = series.cbegin(); it != series.cend(); ++it)
        rows.push_back({it.key(), std::nullopt, it.value()});
    return rows;
}

// A register station with WGS84 coordinates (projection 31), optionally with its position
// only as a localisation row.
inline void placeStation(plx::AccesBase &db, int code, double latitude, double longitude,
                         bool asLocalisation = false)
{
    const QString key = plx::sqlNumber(code);
    const QString x = plx::sqlNumber(longitude), y = plx::sqlNumber(latitude);
    const QString station =
        asLocalisation
            ? QStringLiteral("INSERT INTO PLUVIOMETRES (CodePluviometre, Nom, Identifiant) "
                             "VALUES (%1, %2, %3)")
                  .arg(key, plx::sqlQuote(QStringLiteral("Station %1").arg(code)),
                       plx::sqlQuote(key))
            : QStringLiteral("INSERT INTO PLUVIOMETRES (CodePluviometre, Nom, Identifiant, X, Y, "
                             "TypeProjection) VALUES (%1, %2, %3, %4, %5, 31)")
                  .arg(key, plx::sqlQuote(QStringLiteral("Station %1").arg(code)),
                       plx::sqlQuote(key), x, y);
    ASSERT_TRUE(db.Execute(station)) << db.lastError().toStdString();
    if (asLocalisation) {
        ASSERT_TRUE(db.Execute(QStringLiteral("INSERT INTO PLUVIOMETRE_LOCALISATIONS "
                                              "(CodePluviometre, CodeProjection, X, Y) VALUES "
                                              "(%1, 31, %2, %3)")
                                   .arg(key, x, y)))
            << db.lastError().toStdString();
    }
}

} // namespace plxtest
