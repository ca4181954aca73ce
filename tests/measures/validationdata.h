#pragma once

// A measurement table written and read back with plain statements, for the validation
// tests (store and command line).

#include "base/locale.h"
#include "db/accesbase.h"
#include "db/dialect.h"
#include "db/sqltext.h"
#include "measures/measurementtable.h"

#include <QStringList>

#include <gtest/gtest.h>

#include <optional>

namespace plxtest {

// One record: "dd/MM/yyyy" (with a time when DateCreation carries one), "hh:mm:ss".
inline void insertMeasure(plx::AccesBase &db, const QString &code, const QString &day,
                          const QString &time, std::optional<double> pluie,
                          const char *validite = nullptr,
                          std::optional<double> efficace = std::nullopt)
{
    const auto number = [](std::optional<double> v) {
        return v ? plx::sqlNumber(*v) : QStringLiteral("Null");
    };
    const QString sql =
        QStringLiteral("INSERT INTO %1 (DateCreation, Heure, Pluie, PluieEfficace, Validite, "
                       "ModeObtention) VALUES (%2, %3, %4, %5, %6, 'A')")
            .arg(plx::measurementTableName(code), plx::FormatDateSQL(day, true),
                 plx::FormatHeureSQL(time), number(pluie), number(efficace),
                 validite ? plx::sqlQuote(QLatin1String(validite)) : QStringLiteral("Null"));
    ASSERT_TRUE(db.Execute(sql)) << sql.toStdString() << ": " << db.lastError().toStdString();
}

// Every record as "dd/MM/yyyy hh:mm:ss|Pluie|PluieEfficace|Validite|ModeObtention|Continuite",
// in instant order; NULL and '' both read as nothing.
inline QStringList storedMeasures(plx::AccesBase &db, const QString &code)
{
    const plx::RecordTable t = db.ExtraireRecords(
        QStringLiteral("SELECT DateCreation, Heure, Pluie, PluieEfficace, Validite, "
                       "ModeObtention, Continuite FROM %1 ORDER BY DateCreation, Heure")
            .arg(plx::measurementTableName(code)));
    EXPECT_TRUE(t.ok()) << t.error().toStdString();
    QStringList rows;
    for (int r = 0; r < t.rowCount(); ++r) {
        const auto number = [&](int c) {
            return t.at(r, c).isNull() ? QString() : plx::formatNumber(t.at(r, c).toDouble());
        };
        rows << QStringList{plx::formatDate(t.at(r, 0).toDateTime().date()) + QLatin1Char(' ') +
                                plx::formatTime(t.at(r, 1).toDateTime().time()),
                            number(2),
                            number(3),
                            t.text(r, 4).trimmed(),
                            t.text(r, 5).trimmed(),
                            t.text(r, 6)}
                    .join(QLatin1Char('|'));
    }
    return rows;
}

} // namespace plxtest
