#pragma once

#include "config/connectionprofile.h"
#include "db/accesbase.h"
#include "db/sqltext.h"
#include "measures/measurementtable.h"
#include "run/loginsequence.h"
#include "schema/schemaupgrade.h"
#include "session/session.h"
#include "support/messagerecorder.h"
#include "support/schemadatabasetest.h"
#include "support/testdatabases.h"

#include <gtest/gtest.h>

#include <memory>

namespace plxtest {

// A scratch database at the current schema on SQLite or PostgreSQL, made the run
// profile, with user REF logged in as administrator.
class StationDatabaseTest : public plxtest::SchemaDatabaseTest
{
protected:
    void SetUp() override
    {
        SchemaDatabaseTest::SetUp();
        if (!ready())
            return;
        plx::session().login = QStringLiteral("REF");
        plx::session().isAdmin = true;
    }

    static plx::AccesBase &db() { return plx::AccesBase::instance(); }

    static void exec(const QString &sql)
    {
        QString error;
        ASSERT_TRUE(db().Execute(sql, &error)) << sql.toStdString() << ": " << error.toStdString();
    }

    // A user with a restricted scope seeing the given codes.
    static void restrictScopeTo(const QStringList &codes)
    {
        plx::session().isAdmin = false;
        plx::session().hasStationScope = true;
        for (const QString &code : codes)
            exec(QStringLiteral("INSERT INTO utilisateurs_stations (login, typeStation, "
                                "identifiant, modeselect) VALUES ('REF', 'PLUVIO', '%1', 'SINGLE')")
                     .arg(code));
    }

    // Every row of the table as sorted text lines, for before/after comparisons.
    static QStringList rowsOf(const QString &table)
    {
        if (!table.contains(QLatin1Char(' ')) && !db().tableExists(table))
            return {QStringLiteral("(absente)")};
        const plx::RecordTable t = db().ExtraireRecords(QStringLiteral("SELECT * FROM ") + table);
        EXPECT_TRUE(t.ok()) << table.toStdString() << ": " << t.error().toStdString();
        QStringList rows;
        for (int r = 0; r < t.rowCount(); ++r) {
            QStringList cells;
            for (int c = 0; c < t.columnCount(); ++c)
                cells << t.text(r, c);
            rows << cells.join(QLatin1Char('|'));
        }
        rows.sort();
        return rows;
    }

    // A station with one row in every satellite table, a measurement table with one value,
    // a raw table and a reference-curve table.
    static void seedStation(int code, const QString &identifiant, bool withRawTable = true)
    {
        const QString c = QString::number(code);
        exec(QStringLiteral("INSERT INTO PLUVIOMETRES (CodePluviometre, Nom, Identifiant) VALUES "
                            "(%1, 'Site %1', %2)")
                 .arg(c, plx::sqlQuote(identifiant)));
        for (const QString &table : satelliteTables())
            exec(QStringLiteral("INSERT INTO %1 (CodePluviometre) VALUES (%2)").arg(table, c));
        for (const char *kind : {"batteries", "capteurs", "centrales", "divers", "modems"})
            exec(QStringLiteral("INSERT INTO mat_%1_situations (idMateriel, codesite, typesite) "
                                "VALUES (7, %2, 2)")
                     .arg(QLatin1String(kind), c));
        exec(QStringLiteral("INSERT INTO EVT_PLUVIO_ACTIONS (codePluvio, numero) VALUES (%1, 1)")
                 .arg(c));
        exec(
            QStringLiteral("INSERT INTO PLUVIOMETRES_ECHELLES (codePluvio, unite) VALUES ('%1', 1)")
                .arg(c));
        exec(QStringLiteral("INSERT INTO UTILISATEURS_FAVORIS (login, identifiant, typeStation) "
                            "VALUES ('REF', %1, 2)")
                 .arg(plx::sqlQuote(identifiant)));
        exec(QStringLiteral("INSERT INTO utilisateurs_stations (login, typeStation, identifiant, "
                            "modeselect) VALUES ('AUTRE', 'PLUVIO', '%1', 'SINGLE')")
                 .arg(c));
        ASSERT_TRUE(plx::CreateMeasurementTable(db(), c, false));
        ASSERT_TRUE(plx::CreateMeasurementTable(db(), c, true));
        exec(QStringLiteral(
                 "INSERT INTO PLUVIO_%1 (DateCreation, Heure, Pluie) VALUES (#05/03/2024#, "
                 "#12/30/1899 07:30:00#, 1.5)")
                 .arg(c));
        if (withRawTable)
            exec(
                QStringLiteral("CREATE TABLE PLUVIO_%1_BRUTE (DateCreation DATETIME, Pluie DOUBLE)")
                    .arg(c));
    }

    // The tables holding a numeric CodePluviometre.
    static QStringList satelliteTables()
    {
        return {QStringLiteral("PLUVIOMETRE_LOCALISATIONS"),
                QStringLiteral("PLUVIOMETRE_BULLETINS"),
                QStringLiteral("LIEN_PLUVIO_INTERVENANTS"),
                QStringLiteral("LIEN_PLUVIO_RESEAUX"),
                QStringLiteral("MODES_MESURES_PLUVIO"),
                QStringLiteral("OUVRAGES_PLUVIO"),
                QStringLiteral("PLUVIOMETRES_INFO_GEO"),
                QStringLiteral("PLUVIOMETRE_PHOTO"),
                QStringLiteral("EVENEMENTS_PLUVIO"),
                QStringLiteral("PLUVIOMETRE_NORMALES"),
                QStringLiteral("PLUVIOMETRE_DOCUMENTS"),
                QStringLiteral("BULLETINS_PLUVIO_SELECTION"),
                QStringLiteral("INTERVENANTS_LISTE_PLUVIO"),
                QStringLiteral("courbes_references_pluvio"),
                QStringLiteral("LIEN_PLUVIO_ACCESSIBILITES"),
                QStringLiteral("LIEN_PLUVIO_AMENAGEMENTS")};
    }

    // Every table a station's rows or tables live in.
    static QStringList everyStationTable()
    {
        QStringList tables = satelliteTables();
        tables << QStringLiteral("PLUVIOMETRES") << QStringLiteral("EVT_PLUVIO_ACTIONS")
               << QStringLiteral("PLUVIOMETRES_ECHELLES") << QStringLiteral("UTILISATEURS_FAVORIS")
               << QStringLiteral("utilisateurs_stations");
        for (const char *kind : {"batteries", "capteurs", "centrales", "divers", "modems"})
            tables << QStringLiteral("mat_%1_situations").arg(QLatin1String(kind));
        return tables;
    }

    // How many rows of the station each satellite table holds, as "TABLE=n" for the ones
    // that hold some, then its own tables; with equipment, the sister module's placements.
    static QStringList rowsNaming(int code, bool withEquipment = false)
    {
        QStringList found;
        const QString c = QString::number(code);
        const auto count = [&](const QString &table, const QString &condition) {
            const plx::RecordTable t = db().ExtraireRecords(
                QStringLiteral("SELECT count(*) FROM %1 WHERE %2").arg(table, condition));
            EXPECT_TRUE(t.ok()) << table.toStdString() << ": " << t.error().toStdString();
            if (t.ok() && t.at(0, 0).toInt() > 0)
                found << table + QLatin1Char('=') + t.text(0, 0);
        };
        count(QStringLiteral("PLUVIOMETRES"), QStringLiteral("CodePluviometre=") + c);
        for (const QString &table : satelliteTables())
            count(table, QStringLiteral("CodePluviometre=") + c);
        count(QStringLiteral("EVT_PLUVIO_ACTIONS"), QStringLiteral("codePluvio=") + c);
        count(QStringLiteral("PLUVIOMETRES_ECHELLES"), QStringLiteral("codePluvio='%1'").arg(c));
        count(QStringLiteral("utilisateurs_stations"), QStringLiteral("identifiant='%1'").arg(c));
        for (const char *kind : {"batteries", "capteurs", "centrales", "divers", "modems"}) {
            if (withEquipment)
                count(QStringLiteral("mat_%1_situations").arg(QLatin1String(kind)),
                      QStringLiteral("codesite=") + c);
        }
        for (const QString &table : {QStringLiteral("PLUVIO_%1"), QStringLiteral("PLUVIO_%1_BRUTE"),
                                     QStringLiteral("COURBE_REF_PLUVIO_%1")}) {
            if (db().tableExists(table.arg(c)))
                found << table.arg(c);
        }
        return found;
    }
};

} // namespace plxtest
