#pragma once

// A station whose series, validations and interventions exercise the situation at dates
// before, inside and after its series, shared by the situation and command-line tests.

#include "db/accesbase.h"
#include "db/dialect.h"
#include "db/sqltext.h"
#include "measures/measurementtable.h"
#include "schema/schemacatalog.h"

#include <gtest/gtest.h>

#include <optional>

namespace plxtest {

struct SituationRow
{
    const char *day;
    const char *time;
    std::optional<double> pluie;
    const char *validite;
};

// Station 7: a rainfall value on the search day's late evening and one the next day, a
// row without rainfall (validated, later than the last rainfall), validations inside.
inline const SituationRow kSituationRows[] = {
    {"01/01/2024", "06:00", 1.5, "V"},
    {"10/03/2024", "08:00", 2, "V"},
    {"15/06/2024", "23:30", 0.2, ""},
    {"16/06/2024", "00:00", 9, ""},
    {"20/06/2024", "12:00", 3, "V"},
    {"21/06/2024", "00:00", std::nullopt, "V"},
};

// Fills station 7 with kSituationRows and one intervention on 15/10/2024 08:15, and
// registers stations 7 "Le Pré d'Amont" and 8 "Sans mesures" (no measurement table).
inline void fillSituationStations(plx::AccesBase &db)
{
    const plx::ScopedConnectionKind kind(db);
    ASSERT_TRUE(plx::CreateMeasurementTable(db, QStringLiteral("7"), false));
    for (const SituationRow &row : kSituationRows) {
        const QString sql =
            QStringLiteral("INSERT INTO PLUVIO_7 (DateCreation, Heure, Pluie, Validite) "
                           "VALUES (%1, %2, %3, %4)")
                .arg(plx::FormatDateSQL(QLatin1String(row.day), false),
                     plx::FormatHeureSQL(QLatin1String(row.time)),
                     row.pluie ? plx::sqlNumber(*row.pluie) : QStringLiteral("Null"),
                     plx::sqlQuote(QLatin1String(row.validite)));
        ASSERT_TRUE(db.Execute(sql)) << sql.toStdString() << ": " << db.lastError().toStdString();
    }
    for (const QString &sql :
         {QStringLiteral("INSERT INTO EVENEMENTS_PLUVIO (CodePluviometre, Numero, DateEvenement, "
                         "heureEvenement, type, Commentaires) VALUES (7, 1, %1, %2, 'Visite', "
                         "'Piles changées')")
              .arg(plx::FormatDateSQL(QStringLiteral("15/10/2024"), false),
                   plx::FormatHeureSQL(QStringLiteral("08:15"))),
          QStringLiteral("INSERT INTO PLUVIOMETRES (CodePluviometre, Nom, Identifiant) "
                         "VALUES (7, %1, '07')")
              .arg(plx::sqlQuote(QStringLiteral("Le Pré d'Amont"))),
          QStringLiteral("INSERT INTO PLUVIOMETRES (CodePluviometre, Nom, Identifiant) "
                         "VALUES (8, 'Sans mesures', '08')")})
        ASSERT_TRUE(db.Execute(sql)) << sql.toStdString() << ": " << db.lastError().toStdString();
}

} // namespace plxtest
