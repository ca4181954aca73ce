#include "run/demonetwork.h"

#include "db/accesbase.h"
#include "db/sqltext.h"
#include "measures/measurementtable.h"
#include "schema/groundwatertables.h"
#include "schema/schemacatalog.h"
#include "schema/schemaupgrade.h"
#include "schema/usertables.h"
#include "support/testdatabases.h"

#include <QDateTime>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>

using namespace plx;

namespace {

AccesBase &db()
{
    return AccesBase::instance();
}

// The single value of a SELECT; an invalid QVariant when it failed or gave no row.
QVariant scalar(const QString &sql)
{
    const RecordTable t = db().ExtraireRecords(sql);
    EXPECT_TRUE(t.ok()) << sql.toStdString() << " : " << t.error().toStdString();
    return t.ok() && t.rowCount() > 0 ? t.at(0, 0) : QVariant();
}

int count(const QString &sql)
{
    return scalar(sql).toInt();
}

qint64 codeOf(const QString &identifiant)
{
    return scalar(QStringLiteral("SELECT CodePluviometre FROM PLUVIOMETRES WHERE Identifiant = ")
                  + sqlQuote(identifiant))
        .toLongLong();
}

QString tableOf(const QString &identifiant)
{
    return measurementTableName(QString::number(codeOf(identifiant)));
}

// What a repeated run must leave unchanged.
struct Census
{
    int stations, measures, normals, contacts, organisations, networks, managerLinks, networkLinks;
    int piezometers = 0, levels = 0, aquifers = 0, aquiferLinks = 0, communes = 0;
    bool operator==(const Census &) const = default;
};

Census census()
{
    Census c{};
    c.stations = count(QStringLiteral("SELECT count(*) FROM PLUVIOMETRES"));
    const RecordTable codes = db().ExtraireRecords(QStringLiteral("SELECT CodePluviometre FROM PLUVIOMETRES"));
    for (int r = 0; r < codes.rowCount(); ++r) {
        const QString table = measurementTableName(codes.text(r, 0));
        if (db().tableExists(table))
            c.measures += count(QStringLiteral("SELECT count(*) FROM ") + table);
    }
    c.normals = count(QStringLiteral("SELECT count(*) FROM PLUVIOMETRE_NORMALES"));
    c.contacts = count(QStringLiteral("SELECT count(*) FROM CONTACTS"));
    c.organisations = count(QStringLiteral("SELECT count(*) FROM INTERVENANTS"));
    c.networks = count(QStringLiteral("SELECT count(*) FROM RESEAUX"));
    c.managerLinks = count(QStringLiteral("SELECT count(*) FROM LIEN_PLUVIO_INTERVENANTS"));
    c.networkLinks = count(QStringLiteral("SELECT count(*) FROM LIEN_PLUVIO_RESEAUX"));
    c.piezometers = count(QStringLiteral("SELECT count(*) FROM PIEZOMETRES"));
    const RecordTable piezometers =
        db().ExtraireRecords(QStringLiteral("SELECT CodePiezometre FROM PIEZOMETRES"));
    for (int r = 0; r < piezometers.rowCount(); ++r) {
        const QString table = pzTableName(piezometers.text(r, 0));
        if (db().tableExists(table))
            c.levels += count(QStringLiteral("SELECT count(*) FROM ") + table);
    }
    c.aquifers = count(QStringLiteral("SELECT count(*) FROM ENTITES_HYDROGEOLOGIQUES"));
    c.aquiferLinks = count(QStringLiteral("SELECT count(*) FROM LIEN_PIEZO_ENTITE_HYDRO"));
    c.communes = count(QStringLiteral("SELECT count(*) FROM COMMUNES"));
    return c;
}

QDateTime wallClock(int y, int m, int d, int h = 0)
{
    return QDateTime(QDate(y, m, d), QTime(h, 0), Qt::UTC);
}

} // namespace

// The file the first start makes: every station has its series, real values read back at
// their date and hour, and a second run adds nothing.
TEST(DemoNetwork, CreatesARealNetworkOnce)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    // The user's data folder may not exist yet at the first start.
    const QString path = dir.filePath(QStringLiteral("données/plx-demo.sqlite"));
    int lastDone = 0, lastTotal = 0;
    QString error;
    ASSERT_TRUE(createDemoNetwork(path, &error, [&](int done, int total) {
        EXPECT_GE(done, lastDone);
        lastDone = done;
        lastTotal = total;
    })) << error.toStdString();
    EXPECT_EQ(lastDone, lastTotal);
    ASSERT_TRUE(db().isConnected());

    const ScopedConnectionKind kind(db()); // date literals below
    EXPECT_EQ(count(QStringLiteral("SELECT count(*) FROM PLUVIOMETRES")), 22);
    EXPECT_EQ(count(QStringLiteral("SELECT count(DISTINCT Identifiant) FROM PLUVIOMETRES")), 22);
    EXPECT_EQ(count(QStringLiteral("SELECT count(*) FROM PLUVIOMETRES WHERE CodeCommune NOT IN "
                                   "(SELECT CodeCommune FROM COMMUNES)")),
              0);
    const RecordTable stations = db().ExtraireRecords(
        QStringLiteral("SELECT CodePluviometre, Identifiant FROM PLUVIOMETRES"));
    for (int r = 0; r < stations.rowCount(); ++r) {
        const QString table = measurementTableName(stations.text(r, 0));
        EXPECT_GT(count(QStringLiteral("SELECT count(*) FROM ") + table), 400)
            << stations.text(r, 1).toStdString();
        // The schema's unique instant index is on every table.
        const auto indexes = catalog::indexesOf(db(), table);
        ASSERT_TRUE(indexes.has_value());
        EXPECT_TRUE(std::any_of(indexes->begin(), indexes->end(), [](const auto &index) {
            return index.unique && index.columns
                                   == QStringList{QStringLiteral("datecreation"),
                                                  QStringLiteral("heure")};
        })) << table.toStdString();
    }

    // MARSEILLE-OBS: 99 mm on 19/11/1949, at the end of its unbroken 1868-1949 record; the
    // series resumes on 01/01/2025 after the 1950-2024 gap, which is marked as a break.
    const QString obs = tableOf(QStringLiteral("13055001"));
    RecordTable t = db().ExtraireRecords(
        QStringLiteral("SELECT DateCreation, Heure, Pluie, Validite, ModeObtention FROM ") + obs
        + QStringLiteral(" WHERE DateCreation = #11/19/1949#"));
    ASSERT_EQ(t.rowCount(), 1);
    EXPECT_EQ(t.at(0, 0).toDateTime(), wallClock(1949, 11, 19));
    EXPECT_EQ(t.at(0, 1).toDateTime(), wallClock(1899, 12, 30));
    EXPECT_DOUBLE_EQ(t.at(0, 2).toDouble(), 99.0);
    EXPECT_EQ(t.text(0, 3), QStringLiteral("V"));
    EXPECT_EQ(t.text(0, 4), QStringLiteral("I"));
    EXPECT_EQ(count(QStringLiteral("SELECT Continuite FROM ") + obs
                    + QStringLiteral(" WHERE DateCreation = #01/01/2025#")),
              1);
    EXPECT_EQ(count(QStringLiteral("SELECT count(*) FROM ") + obs
                    + QStringLiteral(" WHERE Continuite = 1")),
              1);

    // BREST-GUIPAVAS, hourly: 8.7 mm at 22:00 on 01/01/2014. On 12/01 the hour 18:00 is
    // missing from the source and 19:00 has only a temperature, so 20:00 restarts.
    const QString brest = tableOf(QStringLiteral("29075001"));
    t = db().ExtraireRecords(QStringLiteral("SELECT Pluie, Heure FROM ") + brest
                             + QStringLiteral(" WHERE DateCreation = #01/01/2014# AND Heure = #22:00:00#"));
    ASSERT_EQ(t.rowCount(), 1);
    EXPECT_DOUBLE_EQ(t.at(0, 0).toDouble(), 8.7);
    EXPECT_EQ(t.at(0, 1).toDateTime(), wallClock(1899, 12, 30, 22));
    EXPECT_EQ(count(QStringLiteral("SELECT count(*) FROM ") + brest), 743);
    t = db().ExtraireRecords(QStringLiteral("SELECT Heure, Pluie, Valeur1, Continuite FROM ") + brest
                             + QStringLiteral(" WHERE DateCreation = #01/12/2014# AND Heure >= "
                                              "#17:00:00# AND Heure <= #20:00:00# ORDER BY Heure"));
    ASSERT_EQ(t.rowCount(), 3); // 17:00, 19:00 (temperature only), 20:00
    EXPECT_EQ(t.at(1, 0).toDateTime(), wallClock(1899, 12, 30, 19));
    EXPECT_TRUE(t.at(1, 1).isNull());
    EXPECT_DOUBLE_EQ(t.at(1, 2).toDouble(), 9.1); // 282.25 K
    EXPECT_EQ(t.text(2, 3), QStringLiteral("1"));
    EXPECT_NEAR(scalar(QStringLiteral("SELECT sum(Pluie) FROM ") + brest).toDouble(), 216.3, 1e-9);

    // MARSEILLE-ACCOULES: a 19th-century series, keyed by hand, on a closed station whose
    // opening day (1786) is before the dates the program accepts.
    const QString accoules = tableOf(QStringLiteral("13055021"));
    EXPECT_DOUBLE_EQ(scalar(QStringLiteral("SELECT Pluie FROM ") + accoules
                            + QStringLiteral(" WHERE DateCreation = #11/25/1862#"))
                         .toDouble(),
                     85.5);
    t = db().ExtraireRecords(QStringLiteral("SELECT DateCreation, DateFermeture, Commentaires FROM "
                                            "PLUVIOMETRES WHERE Identifiant = '13055021'"));
    ASSERT_EQ(t.rowCount(), 1);
    EXPECT_TRUE(t.at(0, 0).isNull());
    EXPECT_EQ(t.at(0, 1).toDateTime(), wallClock(1863, 12, 31));
    EXPECT_TRUE(t.text(0, 2).contains(QStringLiteral("01/05/1786")));

    // The long records, whole and with the source's gaps: MARSEILLE-OBS every day of
    // 1868-1949, AIX-EN-PROVENCE silent from 1880 to 1884, MARSEILLE-ACCOULES from 1786
    // (dates no literal can write, read back as they were stored).
    const QString aix = tableOf(QStringLiteral("13001003"));
    const QString marignane = tableOf(QStringLiteral("13054001"));
    EXPECT_EQ(count(QStringLiteral("SELECT count(*) FROM ") + obs
                    + QStringLiteral(" WHERE DateCreation < #01/01/1950#")),
              29950);
    EXPECT_EQ(scalar(QStringLiteral("SELECT min(DateCreation) FROM ") + obs).toDateTime(),
              wallClock(1868, 1, 1));
    EXPECT_EQ(count(QStringLiteral("SELECT count(*) FROM ") + aix), 22044);
    EXPECT_EQ(count(QStringLiteral("SELECT count(*) FROM ") + aix
                    + QStringLiteral(" WHERE DateCreation >= #01/01/1880# AND DateCreation < "
                                     "#01/01/1885#")),
              0);
    EXPECT_EQ(scalar(QStringLiteral("SELECT max(DateCreation) FROM ") + aix).toDateTime(),
              wallClock(1935, 3, 31));
    EXPECT_EQ(count(QStringLiteral("SELECT count(*) FROM ") + marignane
                    + QStringLiteral(" WHERE DateCreation < #01/01/1950#")),
              9462);
    EXPECT_EQ(count(QStringLiteral("SELECT count(*) FROM ") + accoules), 9768);
    EXPECT_EQ(scalar(QStringLiteral("SELECT min(DateCreation) FROM ") + accoules).toDateTime(),
              wallClock(1786, 5, 1));

    // Their normals: the means of the complete months of a stated period of their own
    // record (January and October worked out from the source file).
    struct LongRecordNormals
    {
        const char *numPoste;
        const char *title;
        double january, october;
    };
    for (const LongRecordNormals &n :
         {LongRecordNormals{"13055001", "Moyennes 1920-1949 (poste)", 53.2, 80.1},
          LongRecordNormals{"13054001", "Moyennes 1921-1949 (poste)", 49.6, 68.8},
          LongRecordNormals{"13001003", "Moyennes 1906-1935 (poste)", 33.0, 80.0},
          LongRecordNormals{"13055021", "Moyennes 1837-1863 (poste)", 46.1, 94.0}}) {
        const QString where = QStringLiteral(" FROM PLUVIOMETRE_NORMALES WHERE CodePluviometre = ")
                              + sqlNumber(codeOf(QString::fromLatin1(n.numPoste)));
        EXPECT_EQ(count(QStringLiteral("SELECT count(*)") + where), 13) << n.numPoste;
        EXPECT_EQ(scalar(QStringLiteral("SELECT Titre") + where + QStringLiteral(" AND Mois = -1"))
                      .toString(),
                  QString::fromUtf8(n.title));
        EXPECT_NEAR(scalar(QStringLiteral("SELECT Valeur") + where + QStringLiteral(" AND Mois = 1"))
                        .toDouble(),
                    n.january, 1e-9)
            << n.numPoste;
        EXPECT_NEAR(scalar(QStringLiteral("SELECT Valeur") + where + QStringLiteral(" AND Mois = 10"))
                        .toDouble(),
                    n.october, 1e-9)
            << n.numPoste;
    }

    // The validity mix: validated history, controlled recent months, raw last days, and the
    // negative amounts of the automatic gauges left for review.
    const auto validity = [&](const QString &table, const QString &where) {
        return count(QStringLiteral("SELECT count(*) FROM ") + table + QStringLiteral(" WHERE ") + where);
    };
    EXPECT_GT(validity(obs, QStringLiteral("Validite = 'V' AND DateCreation < #10/01/2025#")), 2000);
    EXPECT_EQ(validity(obs, QStringLiteral("Validite = 'C' AND DateCreation < #10/01/2025#")), 0);
    EXPECT_EQ(validity(obs, QStringLiteral("DateCreation >= #10/01/2025# AND DateCreation < #03/01/2026#")),
              validity(obs, QStringLiteral("Validite = 'C'")));
    EXPECT_EQ(validity(obs, QStringLiteral("DateCreation >= #03/01/2026#")), 14);
    EXPECT_EQ(validity(obs, QStringLiteral("Validite IS NULL")), 14);
    EXPECT_GT(validity(brest, QStringLiteral("Pluie < 0")), 0);
    EXPECT_EQ(validity(brest, QStringLiteral("Pluie < 0 AND Validite IS NOT NULL")), 0);

    // Normals: the title row and twelve months, each the mean of that month's totals.
    const QString arles = tableOf(QStringLiteral("13004003"));
    const qint64 arlesCode = codeOf(QStringLiteral("13004003"));
    EXPECT_EQ(count(QStringLiteral("SELECT count(*) FROM PLUVIOMETRE_NORMALES WHERE CodePluviometre = ")
                    + sqlNumber(arlesCode)),
              13);
    EXPECT_FALSE(scalar(QStringLiteral("SELECT Titre FROM PLUVIOMETRE_NORMALES WHERE Mois = -1 AND "
                                       "CodePluviometre = ")
                        + sqlNumber(arlesCode))
                     .toString()
                     .isEmpty());
    const double january = (scalar(QStringLiteral("SELECT sum(Pluie) FROM ") + arles
                                   + QStringLiteral(" WHERE DateCreation >= #01/01/2025# AND "
                                                    "DateCreation < #02/01/2025#"))
                                .toDouble()
                            + scalar(QStringLiteral("SELECT sum(Pluie) FROM ") + arles
                                     + QStringLiteral(" WHERE DateCreation >= #01/01/2026# AND "
                                                      "DateCreation < #02/01/2026#"))
                                  .toDouble())
                           / 2;
    EXPECT_NEAR(scalar(QStringLiteral("SELECT Valeur FROM PLUVIOMETRE_NORMALES WHERE Mois = 1 AND "
                                      "CodePluviometre = ")
                       + sqlNumber(arlesCode))
                    .toDouble(),
                january, 0.051);
    // A month of hourly data gives no normals.
    EXPECT_EQ(count(QStringLiteral("SELECT count(*) FROM PLUVIOMETRE_NORMALES WHERE CodePluviometre = ")
                    + sqlNumber(codeOf(QStringLiteral("29075001")))),
              0);

    // The free parameter 1 is labelled; the managers' view sees the open stations.
    EXPECT_EQ(scalar(QStringLiteral("SELECT libelle FROM PARAMETRAGE_DATA WHERE projet='PLX' AND id=1"))
                  .toString(),
              QStringLiteral("Température moyenne (°C)"));
    EXPECT_EQ(count(QStringLiteral("SELECT count(*) FROM LIEN_PLUVIO_GESTIONNAIRE")), 19);

    const Census first = census();
    db().Deconnecter();
    ASSERT_TRUE(createDemoNetwork(path, &error)) << error.toStdString();
    EXPECT_TRUE(census() == first);
    db().Deconnecter();

    EXPECT_FALSE(createDemoNetwork(dir.filePath(QStringLiteral("demo.mdb")), &error));
    EXPECT_TRUE(error.contains(QStringLiteral(".sqlite"))) << error.toStdString();
}

class DemoFill : public ::testing::TestWithParam<QString>
{
};

// On a database that already holds a station and a measurement table left by a deleted
// one, the demo takes free codes and leaves the user's rows alone; on PostgreSQL too.
TEST_P(DemoFill, TakesFreeCodesInAnExistingDatabase)
{
    plxtest::ScratchDatabase scratch(GetParam());
    ASSERT_TRUE(scratch.connect());
    const SchemaUpgradeReport schema = upgradeSchema(db(), QStringLiteral(PLX_VERSION));
    ASSERT_TRUE(schema.ok) << schema.error.toStdString();
    const ScopedConnectionKind kind(db());
    ASSERT_TRUE(db().Execute(QStringLiteral("INSERT INTO PLUVIOMETRES (CodePluviometre, Nom, "
                                            "Identifiant) VALUES (1, 'Mon pluviomètre', 'P1')")));
    ASSERT_TRUE(CreateMeasurementTable(db(), QStringLiteral("2"), false));
    ASSERT_TRUE(db().Execute(QStringLiteral("INSERT INTO PLUVIO_2 (DateCreation, Heure, Pluie) "
                                            "VALUES (#01/01/2000#, #00:00:00#, 1)")));

    // The measurement table: its columns in order, a real unique instant on every engine,
    // a second creation that changes nothing, the reference twin, and no table for a code
    // that is not a station number.
    EXPECT_TRUE(CreateMeasurementTable(db(), QStringLiteral("2.0"), false));
    EXPECT_EQ(count(QStringLiteral("SELECT count(*) FROM PLUVIO_2")), 1);
    EXPECT_FALSE(db().Execute(QStringLiteral("INSERT INTO PLUVIO_2 (DateCreation, Heure) "
                                             "VALUES (#01/01/2000#, #00:00:00#)")));
    const QString columns = QStringLiteral("datecreation,heure,pluie,pluieefficace,etp,valeur1,"
                                           "valeur2,valeur3,continuite,modeobtention,precision,"
                                           "validite");
    ASSERT_TRUE(CreateMeasurementTable(db(), QStringLiteral("2"), true));
    for (const QString &table : {QStringLiteral("PLUVIO_2"), QStringLiteral("COURBE_REF_PLUVIO_2")}) {
        const RecordTable t = db().ExtraireRecords(QStringLiteral("SELECT * FROM ") + table);
        ASSERT_TRUE(t.ok()) << t.error().toStdString();
        EXPECT_EQ(t.columnNames().join(QLatin1Char(',')).toLower(), columns);
    }
    ASSERT_TRUE(db().Execute(QStringLiteral("INSERT INTO PLUVIO_2 (DateCreation, Heure, "
                                            "ModeObtention, Validite) VALUES (#01/02/2000#, "
                                            "#06:00:00#, 'M', 'V')")));
    for (const QString &bad : {QStringLiteral("0"), QStringLiteral("12a"), QStringLiteral("2.5"),
                               QStringLiteral("100000"), QStringLiteral("1; DROP TABLE PLUVIO_2")}) {
        EXPECT_FALSE(CreateMeasurementTable(db(), bad, false)) << bad.toStdString();
        EXPECT_TRUE(measurementTableName(bad).isEmpty()) << bad.toStdString();
    }

    QString error;
    ASSERT_TRUE(fillDemoNetwork(db(), &error)) << error.toStdString();
    EXPECT_EQ(count(QStringLiteral("SELECT count(*) FROM PLUVIOMETRES")), 23);
    EXPECT_EQ(count(QStringLiteral("SELECT min(CodePluviometre) FROM PLUVIOMETRES WHERE "
                                   "Identifiant <> 'P1'")),
              3);
    EXPECT_EQ(count(QStringLiteral("SELECT count(*) FROM PLUVIO_2")), 2);
    EXPECT_DOUBLE_EQ(scalar(QStringLiteral("SELECT Pluie FROM ") + tableOf(QStringLiteral("13055001"))
                            + QStringLiteral(" WHERE DateCreation = #11/19/1949#"))
                         .toDouble(),
                     99.0);
    // Bound, not written as literals: the 18th-century days and the long records arrive
    // whole on every engine.
    const QString accoules = tableOf(QStringLiteral("13055021"));
    EXPECT_EQ(scalar(QStringLiteral("SELECT min(DateCreation) FROM ") + accoules).toDateTime(),
              QDateTime(QDate(1786, 5, 1), QTime(0, 0), Qt::UTC));
    EXPECT_EQ(scalar(QStringLiteral("SELECT min(Heure) FROM ") + accoules).toDateTime(),
              QDateTime(QDate(1899, 12, 30), QTime(0, 0), Qt::UTC));
    EXPECT_EQ(count(QStringLiteral("SELECT count(*) FROM ") + tableOf(QStringLiteral("13001003"))),
              22044);
    EXPECT_EQ(scalar(QStringLiteral("SELECT Titre FROM PLUVIOMETRE_NORMALES WHERE Mois = -1 AND "
                                    "CodePluviometre = ")
                     + sqlNumber(codeOf(QStringLiteral("13054001"))))
                  .toString(),
              QStringLiteral("Moyennes 1921-1949 (poste)"));

    const Census first = census();
    ASSERT_TRUE(fillDemoNetwork(db(), &error)) << error.toStdString();
    EXPECT_TRUE(census() == first);
    db().Deconnecter();
}

// The piezometers near the Brittany gauges: free codes beside a piezometer of the
// groundwater module and a level table it left behind, their commune and aquifer found by
// the overlay's join, and real daily levels of January 2014 read back on every engine.
TEST_P(DemoFill, AddsPiezometersWithTheirLevels)
{
    plxtest::ScratchDatabase scratch(GetParam());
    ASSERT_TRUE(scratch.connect());
    const SchemaUpgradeReport schema = upgradeSchema(db(), QStringLiteral(PLX_VERSION));
    ASSERT_TRUE(schema.ok) << schema.error.toStdString();
    const ScopedConnectionKind kind(db());
    ASSERT_TRUE(db().Execute(QStringLiteral("INSERT INTO PIEZOMETRES (CodePiezometre, CodeBSS, "
                                            "Nom) VALUES (1, '01234X0001/P', 'Mon forage')")));
    ASSERT_TRUE(CreatePiezometerLevelTable(db(), QStringLiteral("2")));

    QString error;
    ASSERT_TRUE(fillDemoNetwork(db(), &error)) << error.toStdString();
    EXPECT_EQ(count(QStringLiteral("SELECT count(*) FROM PIEZOMETRES")), 4);
    EXPECT_EQ(count(QStringLiteral("SELECT count(*) FROM PZ_2")), 0);

    const RecordTable joined = db().ExtraireRecords(QStringLiteral(
        "SELECT DISTINCT PIEZOMETRES.CodePiezometre, PIEZOMETRES.CodeBSS, COMMUNES.Nom, "
        "COMMUNES.NumDept, ENTITES_HYDROGEOLOGIQUES.Nom, PIEZOMETRES.Altitude FROM "
        "(LIEN_PIEZO_ENTITE_HYDRO RIGHT JOIN (PIEZOMETRES LEFT JOIN COMMUNES ON "
        "PIEZOMETRES.CodeCommune = COMMUNES.CodeCommune) ON LIEN_PIEZO_ENTITE_HYDRO.CodePiezometre "
        "= PIEZOMETRES.CodePiezometre) LEFT JOIN ENTITES_HYDROGEOLOGIQUES ON "
        "LIEN_PIEZO_ENTITE_HYDRO.CodeEntiteHydro = ENTITES_HYDROGEOLOGIQUES.CodeEntiteHydro "
        "ORDER BY PIEZOMETRES.CodePiezometre"));
    ASSERT_TRUE(joined.ok()) << joined.error().toStdString();
    ASSERT_EQ(joined.rowCount(), 4);
    EXPECT_TRUE(joined.at(0, 2).isNull()) << "the module's own piezometer keeps no commune";
    EXPECT_EQ(joined.text(1, 0), QStringLiteral("3"));
    EXPECT_EQ(joined.text(1, 1), QStringLiteral("03107X0008/F"));
    EXPECT_EQ(joined.text(1, 2), QStringLiteral("Landrévarzec"));
    EXPECT_EQ(joined.text(1, 3), QStringLiteral("29"));
    EXPECT_EQ(joined.text(1, 4), QStringLiteral("Bassin versant de l'Odet"));
    EXPECT_DOUBLE_EQ(joined.at(1, 5).toDouble(), 121.0);
    EXPECT_EQ(joined.text(3, 2), QStringLiteral("Pommerit-Jaudy"));

    // Landrévarzec, 15/01/2014: 116.57 m NGF, 4.27 m deep; midnight on the Heure day.
    const QString landrevarzec = pzTableName(joined.text(1, 0));
    RecordTable t = db().ExtraireRecords(QStringLiteral("SELECT DateCreation, Heure, NiveauNGF, "
                                                        "Profondeur, Validite FROM ")
                                         + landrevarzec
                                         + QStringLiteral(" WHERE DateCreation = #01/15/2014#"));
    ASSERT_EQ(t.rowCount(), 1) << t.error().toStdString();
    EXPECT_EQ(t.at(0, 0).toDateTime(), QDateTime(QDate(2014, 1, 15), QTime(0, 0), Qt::UTC));
    EXPECT_EQ(t.at(0, 1).toDateTime(), QDateTime(QDate(1899, 12, 30), QTime(0, 0), Qt::UTC));
    EXPECT_DOUBLE_EQ(t.at(0, 2).toDouble(), 116.57);
    EXPECT_DOUBLE_EQ(t.at(0, 3).toDouble(), 4.27);
    EXPECT_EQ(t.text(0, 4), QStringLiteral("V"));
    // Every piezometer covers the month of the hourly gauges, day by day.
    for (int r = 1; r < joined.rowCount(); ++r)
        EXPECT_EQ(count(QStringLiteral("SELECT count(*) FROM ") + pzTableName(joined.text(r, 0))
                        + QStringLiteral(" WHERE DateCreation >= #01/01/2014# AND DateCreation "
                                         "< #02/01/2014#")),
                  31)
            << joined.text(r, 1).toStdString();
    EXPECT_EQ(count(QStringLiteral("SELECT count(*) FROM ") + landrevarzec), 1787);

    const Census first = census();
    EXPECT_EQ(first.levels, 5426);
    ASSERT_TRUE(fillDemoNetwork(db(), &error)) << error.toStdString();
    EXPECT_TRUE(census() == first);
    db().Deconnecter();
}

INSTANTIATE_TEST_SUITE_P(Engines, DemoFill, PLX_ENGINES, PLX_ENGINE_NAME);
