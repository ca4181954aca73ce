#pragma once

// A station whose measurements exercise every rule of the historical summary, shared by
// the summary, grid and command-line tests.

#include "db/accesbase.h"
#include "db/dialect.h"
#include "db/sqltext.h"
#include "measures/measurementtable.h"
#include "schema/schemacatalog.h"

#include <QStringList>

#include <gtest/gtest.h>

namespace plxtest {

struct Measure
{
    const char *day; // "dd/MM/yyyy", with a time when DateCreation carries one
    const char *time;
    const char *column;
    double value;
    const char *validite; // nullptr: NULL
};

// Rows are inserted in this order: the later of two equal rainfall maxima comes first, so
// that the database's natural order would pick it.
inline const Measure kMeasures[] = {
    {"15/03/2019", "00:00", "Pluie", 2.5, "V"},
    {"31/12/Y 23:00", "23:00", "Pluie", 12.5, ""},
    {"01/01/Y", "06:00", "Pluie", 0.1, "C"},
    {"01/01/Y", "07:00", "Pluie", 0.2, "C"},
    {"05/05/Y", "00:00", "Pluie", 0, nullptr},
    {"10/06/Y", "00:00", "Pluie", 12.5, "V"},
    {"01/01/Z", "00:00", "Pluie", 4, nullptr},
    // Effective rainfall: rain the year before, none above 0 in the year.
    {"01/07/X", "12:00", "PluieEfficace", 3, "V"},
    {"01/02/Y", "12:00", "PluieEfficace", 0, nullptr},
    {"02/02/Y", "12:00", "PluieEfficace", 0, nullptr},
    {"03/03/Y", "12:00", "Valeur1", -3.5, "C"},
    {"04/03/Y", "12:00", "Valeur3", 1, nullptr},
};

// Fills station `code` with kMeasures, Y standing for `year` (X the year before, Z the year
// after), and labels the free parameters: 1 "Niveau d'eau", 2 no row, 3 empty (hidden).
// The database must hold the schema.
inline void fillHistoriqueStation(plx::AccesBase &db, const QString &code, int year)
{
    const plx::ScopedConnectionKind kind(db);
    ASSERT_TRUE(plx::CreateMeasurementTable(db, code, false));
    const QString table = plx::measurementTableName(code);
    for (const Measure &m : kMeasures) {
        const QString day = QString::fromLatin1(m.day)
                                .replace(QLatin1Char('X'), QString::number(year - 1))
                                .replace(QLatin1Char('Y'), QString::number(year))
                                .replace(QLatin1Char('Z'), QString::number(year + 1));
        const QString sql =
            QStringLiteral(
                "INSERT INTO %1 (DateCreation, Heure, %2, Validite) VALUES (%3, %4, %5, %6)")
                .arg(table, QLatin1String(m.column), plx::FormatDateSQL(day, true),
                     plx::FormatHeureSQL(QLatin1String(m.time)), plx::sqlNumber(m.value),
                     m.validite ? plx::sqlQuote(QLatin1String(m.validite))
                                : QStringLiteral("Null"));
        ASSERT_TRUE(db.Execute(sql)) << sql.toStdString() << ": " << db.lastError().toStdString();
    }
    for (const auto &[id, label] :
         {std::pair{1, QStringLiteral("Niveau d'eau")}, std::pair{3, QString()}}) {
        ASSERT_TRUE(db.Execute(QStringLiteral("INSERT INTO PARAMETRAGE_DATA (id, libelle, projet) "
                                              "VALUES (%1, %2, 'PLX')")
                                   .arg(plx::sqlNumber(id), plx::sqlQuote(label))));
    }
}

// The visible summary of that station, as the grid shows it (Y the year of the columns).
inline QStringList expectedHistorique(int year)
{
    const QString x = QString::number(year - 1), y = QString::number(year),
                  z = QString::number(year + 1);
    QStringList rows{
        QStringLiteral("Pluie|15/03/2019|01/01/%3|7|5|25,3|4|01/01/%2|10/06/%2|10/06/%2|12,5"),
        QStringLiteral("Pluie efficace|01/07/%1|02/02/%2|3|2||||01/07/%1|01/07/%1|3"),
        QStringLiteral("ETP||||||||||"),
        QStringLiteral("Niveau d'eau|03/03/%2|03/03/%2|1|1|||03/03/%2||03/03/%2|-3,5"),
        QStringLiteral("Param2||||||||||"),
    };
    return rows.replaceInStrings(QStringLiteral("%1"), x)
        .replaceInStrings(QStringLiteral("%2"), y)
        .replaceInStrings(QStringLiteral("%3"), z);
}

} // namespace plxtest
