#include "config/connectionprofile.h"
#include "db/accesbase.h"
#include "db/dialect.h"
#include "db/sqltext.h"
#include "schema/groundwatertables.h"
#include "schema/schemacatalog.h"
#include "schema/schemaupgrade.h"
#include "schema/usertables.h"
#include "support/testdatabases.h"

#include <QDate>
#include <QDateTime>

#include <gtest/gtest.h>

using namespace plx;

namespace {

class SchemaTest : public ::testing::TestWithParam<QString>
{
protected:
    void SetUp() override
    {
        m_savedKind = runProfile().kind;
        // The upgrade must not depend on a run profile: the CLI and the tests have none.
        runProfile().kind.clear();
        m_scratch = std::make_unique<plxtest::ScratchDatabase>(GetParam());
        ASSERT_TRUE(m_scratch->connect(db));
    }
    void TearDown() override
    {
        db.Deconnecter();
        runProfile().kind = m_savedKind;
    }

    SchemaUpgradeReport upgrade(bool force = false)
    {
        SchemaUpgradeOptions options;
        options.force = force;
        return upgradeSchema(db, QStringLiteral(PLX_VERSION), {}, options);
    }

    RecordTable select(const QString &sql)
    {
        RecordTable rows = db.ExtraireRecords(sql);
        EXPECT_TRUE(rows.ok()) << sql.toStdString() << ": " << rows.error().toStdString();
        return rows;
    }
    int count(const QString &sql)
    {
        const RecordTable rows = select(sql);
        return rows.ok() && rows.rowCount() == 1 ? rows.at(0, 0).toInt() : -1;
    }
    bool exec(const QString &sql)
    {
        QString error;
        const bool ok = db.Execute(sql, &error);
        EXPECT_TRUE(ok) << sql.toStdString() << ": " << error.toStdString();
        return ok;
    }
    // Literals of the connection's dialect, as a screen would build them.
    QString date(const QString &text, bool withTime = false)
    {
        ScopedConnectionKind kind(db);
        return FormatDateSQL(text, withTime);
    }
    QString heure(const QString &text)
    {
        ScopedConnectionKind kind(db);
        return FormatHeureSQL(text);
    }
    QString type(ColumnType role, int length = 0)
    {
        ScopedConnectionKind kind(db);
        return SchemaWriter(db).typeName({QStringLiteral("x"), role, length});
    }

    // Every table and its columns, as the catalog lists them.
    QStringList snapshot()
    {
        QStringList lines;
        const std::optional<QStringList> tables = catalog::tablesMatching(db, QStringLiteral(".*"));
        EXPECT_TRUE(tables.has_value());
        for (const QString &table : tables.value_or(QStringList())) {
            QStringList columns;
            for (const QString &column : schemaColumns(table))
                columns << column.toLower();
            lines << table.toLower() + QLatin1Char(':') + columns.join(QLatin1Char(','));
        }
        lines.sort();
        return lines;
    }
    QStringList schemaColumns(const QString &table)
    {
        const RecordTable rows =
            db.ExtraireRecords(QStringLiteral("SELECT * FROM %1 WHERE 1=0").arg(table));
        return rows.columnNames();
    }

    AccesBase &db = AccesBase::instance();
    std::unique_ptr<plxtest::ScratchDatabase> m_scratch;
    QString m_savedKind;
};

} // namespace

TEST_P(SchemaTest, FirstUpgradeCreatesTheWholeSchema)
{
    QStringList seen;
    const SchemaUpgradeReport report = upgradeSchema(
        db, QStringLiteral(PLX_VERSION), [&](const QString &step) { seen << step; }, {});
    ASSERT_TRUE(report.ok) << report.error.toStdString();
    EXPECT_TRUE(report.upgraded);
    EXPECT_FALSE(report.databaseNewer);
    EXPECT_EQ(report.databaseVersion, QString());
    EXPECT_EQ(report.steps, schemaStepNames());
    EXPECT_EQ(seen, schemaStepNames());
    EXPECT_EQ(seen.first(), QStringLiteral("Suppression des vues spécifiques"));
    EXPECT_EQ(seen.last(), QStringLiteral("Création vues spécifiques"));
    EXPECT_TRUE(report.changes.contains(QStringLiteral("Table PLUVIOMETRES créée")));
    EXPECT_TRUE(runProfile().kind.isEmpty()) << "the run profile is put back";

    const std::vector<std::pair<const char *, QStringList>> expected{
        {"UTILISATEURS",
         {"login", "password", "isAdmin", "nom", "codeIntervenant", "metadata", "filtrePiezo",
          "filtreQualito", "filtrePluvio", "filtreHydro", "codeContact"}},
        {"UTILISATEURS_HABILITATIONS", {"login", "habilitation"}},
        {"UTILISATEURS_STATIONS", {"login", "typeStation", "identifiant", "modeselect"}},
        {"UTILISATEURS_PARAMETRES", {"login", "parametre", "valeur", "datemaj"}},
        {"PARAMETRES", {"Module", "DateCreation", "valeur", "Identifiant", "loginMaj", "mac"}},
        {"JOURNAL", {"dateEvt", "niveau", "utilisateur", "contact", "ip", "projet", "description"}},
        {"statistiques_utilisateurs", {"login", "dateStat", "evenement", "module", "version"}},
        {"PARAMETRAGE_DATA", {"id", "libelle", "projet", "version"}},
        {"Utilisateurs_Listes",
         {"loginmaj", "Module", "CodeListe", "LibelleListe", "formuleFiltre", "Nom"}},
        {"UTILISATEURS_FAVORIS", {"login", "identifiant", "typeStation"}},
        {"PLUVIOMETRES",
         {"CodePluviometre", "Nom", "Identifiant", "jobExecutionId", "loginmaj", "datemaj",
          "nbTournees", "codeCommuneDeclaration"}},
        {"PLUVIOMETRE_NORMALES",
         {"CodePluviometre", "Mois", "Valeur", "Titre", "etp", "pluieEfficace"}},
        {"EVENEMENTS_PLUVIO",
         {"Numero", "type", "razStation", "downloadData", "voltCapteur", "majFirmware"}},
        {"LIEN_PLUVIO_INTERVENANTS",
         {"CodeIntervenant", "DateDebut", "DateFin", "TypeIntervenant", "codeContact"}},
        {"MODES_MESURES_PLUVIO",
         {"CodePluviometre", "DateDebut", "DateFin", "Methode", "Periodicite"}},
        {"PLUVIOMETRES_SEUILS", {"CodeSeuil", "seuilDepassement", "mois_01", "mois_12"}},
        {"PARAMETRES_LISTE_PLUVIO",
         {"utilisateur", "indiceColonne", "largeur", "nomColonne", "ordreColonne", "masquee"}},
        {"CODES_SANDRE", {"Champ", "Code", "Libelle", "mnemonique"}},
        {"COMMUNES", {"CodeCommune", "Nom", "NumDept", "typeProjection", "codePays"}},
        {"communes_histo", {"codeCommune", "nom"}},
        {"courbes_references_pluvio", {"codePluviometre"}},
        {"LIEN_PLUVIO_ACCESSIBILITES", {"CodePluviometre", "DateDebut", "DateFin", "description"}},
        {"LIEN_PLUVIO_AMENAGEMENTS", {"CodePluviometre", "description", "codeCle"}},
        {"mat_modems_situations", {"codesite", "typesite"}},
        {"MAT_CENTRALES_AFFECTATION", {"IDCentrale", "typesite", "CodeSite"}},
        {"MAT_CAPTEURS", {"IDCapteur", "LibelleType", "CodeFournisseur"}},
        {"MAT_CLES", {"codeCle", "libelle"}},
        {"PIEZOMETRES", {"CodePiezometre", "CodeBSS", "Nom", "CodeCommune", "Altitude"}},
        {"LIEN_PIEZO_ENTITE_HYDRO", {"CodePiezometre", "CodeEntiteHydro"}},
        {"ENTITES_HYDROGEOLOGIQUES", {"CodeEntiteHydro", "Nom"}},
        {"PERIODES", {"Jour", "Jour_inverse", "Decade", "Hydro", "Hydro_inverse"}},
        {"LIEN_PLUVIO_GESTIONNAIRE",
         {"CodePluviometre", "DateDebut", "DateFin", "TypeIntervenant", "Nom"}},
        {"LIEN_PLUVIO_AGENCE", {"CodePluviometre", "TypeIntervenant", "Nom"}},
    };
    for (const auto &[table, columns] : expected) {
        const QString name = QString::fromLatin1(table);
        ASSERT_TRUE(db.tableExists(name)) << table;
        for (const QString &column : columns)
            EXPECT_TRUE(db.columnExists(name, column)) << table << "." << column.toStdString();
    }
    EXPECT_TRUE(catalog::indexExists(db, QStringLiteral("ind_journal")).value_or(false));
    EXPECT_EQ(count(QStringLiteral("SELECT count(*) FROM PERIODES")), 366);
    if (db.dialect() == SqlDialect::PostgreSQL) {
        EXPECT_EQ(catalog::textLength(db, QStringLiteral("PLUVIOMETRES"), QStringLiteral("Nom")),
                  255);
    }

    // One version row, written with its date and read back.
    const RecordTable version =
        select(QStringLiteral("SELECT valeur, DateCreation FROM PARAMETRES WHERE module='KELDA' "
                              "AND identifiant='version'"));
    ASSERT_EQ(version.rowCount(), 1);
    EXPECT_EQ(version.text(0, 0), QStringLiteral(PLX_VERSION));
    ASSERT_EQ(version.at(0, 1).typeId(), QMetaType::QDateTime) << version.text(0, 1).toStdString();
    EXPECT_EQ(version.at(0, 1).toDateTime().date(), QDate::currentDate());
    EXPECT_EQ(readSchemaVersion(db), QStringLiteral(PLX_VERSION));

    // The default administrator.
    const RecordTable admin = select(
        QStringLiteral("SELECT password, isAdmin, metadata FROM UTILISATEURS WHERE login='ADMIN'"));
    ASSERT_EQ(admin.rowCount(), 1);
    EXPECT_EQ(admin.text(0, 0), QString::fromLatin1(kDefaultAdminPassword));
    EXPECT_EQ(admin.text(0, 1), QStringLiteral("1"));
    EXPECT_EQ(admin.text(0, 2), QStringLiteral("1"));

    // Statements naming the added columns, as the screens write them.
    exec(QStringLiteral(
             "INSERT INTO PLUVIOMETRES (CodePluviometre, Nom, CodeCommune, Identifiant, "
             "jobExecutionId, "
             "loginmaj, datemaj, nbTournees, codeCommuneDeclaration) VALUES (12, 'Marignane', "
             "'13054', 'P12', null, 'ADMIN', %1, 4, '13054')")
             .arg(date(QStringLiteral("05/03/2024 07:30:00"), true)));
    exec(QStringLiteral("INSERT INTO EVENEMENTS_PLUVIO (CodePluviometre, Numero, DateEvenement, "
                        "type, razStation, "
                        "voltCapteur, majFirmware, dateRemplacementPileCapteur) VALUES (12, 1, %1, "
                        "'VISITE', '1', 3.6, %2, %1)")
             .arg(date(QStringLiteral("05/03/2024")), db.engineLiteral(QVariant(true))));
    exec(QStringLiteral(
        "INSERT INTO utilisateurs_stations VALUES ('JEAN', 'PLUVIO', '12','SINGLE')"));
    exec(QStringLiteral(
        "INSERT INTO PLUVIOMETRE_NORMALES (CodePluviometre, Mois, Valeur, Titre, etp, "
        "pluieEfficace) VALUES (12, -1, null, 'Normales 1991-2020', null, null)"));
    exec(QStringLiteral("INSERT INTO UTILISATEURS_FAVORIS (login, identifiant, typeStation) VALUES "
                        "('JEAN', 'P12', 2)"));
    exec(QStringLiteral(
        "INSERT INTO PARAMETRES (Module, DateCreation, valeur, Identifiant, loginMaj, mac) VALUES "
        "('PLX', null, null, 'typeReferent', 'ADMIN', '3')"));
    const RecordTable station =
        select(QStringLiteral("SELECT datemaj, nbTournees, codeCommuneDeclaration FROM "
                              "Pluviometres WHERE CodePluviometre=12"));
    ASSERT_EQ(station.rowCount(), 1);
    EXPECT_EQ(station.at(0, 0).toDateTime(), QDateTime(QDate(2024, 3, 5), QTime(7, 30), Qt::UTC));
    EXPECT_EQ(station.at(0, 1).toInt(), 4);
    EXPECT_EQ(station.text(0, 2), QStringLiteral("13054"));
    EXPECT_EQ(count(QStringLiteral(
                  "SELECT count(*) FROM utilisateurs_stations WHERE modeselect='SINGLE'")),
              1);
    EXPECT_EQ(count(QStringLiteral("SELECT count(*) FROM EVENEMENTS_PLUVIO WHERE voltCapteur > 3")),
              1);
    EXPECT_EQ(
        select(QStringLiteral(
                   "SELECT mac from PARAMETRES where module='PLX' AND identifiant='typeReferent'"))
            .text(0, 0),
        QStringLiteral("3"));
    // A second station with the same code is refused by the unique key.
    EXPECT_FALSE(db.Execute(
        QStringLiteral("INSERT INTO PLUVIOMETRES (CodePluviometre, Nom) VALUES (12, 'Double')")));
}

// The manager views select the current links of their role: start not after today, end
// null or not before today.
TEST_P(SchemaTest, ManagerViewsSelectTheCurrentLinks)
{
    ASSERT_TRUE(upgrade().ok);
    // The views compare with the server's today, which is not the client's near midnight
    // when their time zones differ.
    const RecordTable now = select(QStringLiteral("SELECT Date()"));
    ASSERT_EQ(now.rowCount(), 1);
    const QDate serverToday = now.at(0, 0).toDateTime().date();
    ASSERT_TRUE(serverToday.isValid());
    const QString today = serverToday.toString(QStringLiteral("dd/MM/yyyy"));
    const QString yesterday = serverToday.addDays(-1).toString(QStringLiteral("dd/MM/yyyy"));
    const QString tomorrow = serverToday.addDays(1).toString(QStringLiteral("dd/MM/yyyy"));
    exec(QStringLiteral("INSERT INTO INTERVENANTS (CodeIntervenant, Nom) VALUES (1, 'Syndicat')"));
    exec(QStringLiteral("INSERT INTO INTERVENANTS (CodeIntervenant, Nom) VALUES (2, 'Agence')"));
    const auto link = [&](int station, int who, const QString &start, const QString &end,
                          int role) {
        exec(QStringLiteral("INSERT INTO LIEN_PLUVIO_INTERVENANTS (CodePluviometre, "
                            "CodeIntervenant, DateDebut, "
                            "DateFin, TypeIntervenant) VALUES (%1, %2, %3, %4, %5)")
                 .arg(station)
                 .arg(who)
                 .arg(start.isEmpty() ? QStringLiteral("null")
                                      : date(start, start.contains(QLatin1Char(':'))),
                      end.isEmpty() ? QStringLiteral("null") : date(end))
                 .arg(role));
    };
    link(1, 1, yesterday, QString(), 0);                           // current
    link(2, 1, QString(), today, 0);                               // ends today: still current
    link(3, 1, today + QStringLiteral(" 18:00:00"), QString(), 0); // starts later today: current
    link(4, 1, tomorrow, QString(), 0);                            // not yet
    link(5, 1, QStringLiteral("01/01/2000"), yesterday, 0);        // over
    link(6, 2, yesterday, QString(), 3);                           // agency
    const RecordTable managers = select(QStringLiteral(
        "SELECT CodePluviometre, Nom FROM LIEN_PLUVIO_GESTIONNAIRE ORDER BY CodePluviometre"));
    QStringList codes;
    for (int r = 0; r < managers.rowCount(); ++r)
        codes << QString::number(managers.at(r, 0).toInt());
    EXPECT_EQ(codes.join(QLatin1Char(',')), QStringLiteral("1,2,3"));
    const RecordTable agency =
        select(QStringLiteral("SELECT CodePluviometre, Nom FROM LIEN_PLUVIO_AGENCE"));
    ASSERT_EQ(agency.rowCount(), 1);
    EXPECT_EQ(agency.text(0, 1), QStringLiteral("Agence"));
}

TEST_P(SchemaTest, RunningAgainChangesNothing)
{
    ASSERT_TRUE(upgrade().ok);
    const QStringList before = snapshot();
    ASSERT_GT(before.size(), 40);

    const SchemaUpgradeReport again = upgrade();
    EXPECT_TRUE(again.ok) << again.error.toStdString();
    EXPECT_FALSE(again.upgraded);
    EXPECT_TRUE(again.steps.isEmpty());
    EXPECT_TRUE(again.changes.isEmpty()) << again.changes.join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(again.databaseVersion, QStringLiteral(PLX_VERSION));

    // Forced, every step runs again and finds nothing to do.
    const SchemaUpgradeReport forced = upgrade(true);
    EXPECT_TRUE(forced.ok) << forced.error.toStdString();
    EXPECT_EQ(forced.steps, schemaStepNames());
    EXPECT_TRUE(forced.changes.isEmpty()) << forced.changes.join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(forced.warnings.isEmpty()) << forced.warnings.join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(snapshot(), before);
    EXPECT_EQ(
        count(QStringLiteral(
            "SELECT count(*) FROM PARAMETRES WHERE module='KELDA' AND identifiant='version'")),
        1);
    EXPECT_EQ(count(QStringLiteral("SELECT count(*) FROM UTILISATEURS")), 1);
}

// Regression: the original dropped an UTILISATEURS without metadata, with every user in it.
TEST_P(SchemaTest, ExistingUsersKeepTheirRowsAndGainTheColumns)
{
    const QString text = type(ColumnType::UserText, 12);
    exec(QStringLiteral("CREATE TABLE UTILISATEURS (login %1, password %1, isAdmin %2, nom %3, "
                        "codeIntervenant %4)")
             .arg(text, type(ColumnType::UserText, 1), type(ColumnType::UserText, 255),
                  type(ColumnType::UserNumber)));
    exec(QStringLiteral("INSERT INTO UTILISATEURS (login, password, isAdmin, nom) VALUES ('JEAN', "
                        "'SECRET', '0', 'Jean')"));
    exec(QStringLiteral("INSERT INTO UTILISATEURS (login, password, isAdmin, nom) VALUES ('MARIE', "
                        "'PLUIE2', '1', 'Marie')"));
    exec(QStringLiteral(
             "CREATE TABLE UTILISATEURS_STATIONS (login %1, typeStation %2, identifiant %3)")
             .arg(text, type(ColumnType::UserText, 70), type(ColumnType::UserText, 255)));
    exec(QStringLiteral("INSERT INTO UTILISATEURS_STATIONS (login, typeStation, identifiant) "
                        "VALUES ('JEAN', 'PLUVIO', '7')"));

    const UserTablesResult users = ensureDefaultUserTables(db);
    ASSERT_TRUE(users.ok) << users.error.toStdString();
    EXPECT_FALSE(users.adminCreated);
    EXPECT_EQ(count(QStringLiteral("SELECT count(*) FROM UTILISATEURS")), 2);
    EXPECT_EQ(count(QStringLiteral("SELECT count(*) FROM UTILISATEURS WHERE login='ADMIN'")), 0);
    for (const char *column :
         {"metadata", "filtrePiezo", "filtreQualito", "filtrePluvio", "filtreHydro", "codeContact"})
        EXPECT_TRUE(db.columnExists(QStringLiteral("UTILISATEURS"), QString::fromLatin1(column)))
            << column;
    EXPECT_TRUE(
        db.columnExists(QStringLiteral("UTILISATEURS_STATIONS"), QStringLiteral("modeselect")));
    EXPECT_TRUE(db.tableExists(QStringLiteral("UTILISATEURS_HABILITATIONS")));
    EXPECT_EQ(
        count(QStringLiteral("SELECT count(*) FROM UTILISATEURS_STATIONS WHERE identifiant='7'")),
        1);
    // The login's read statement runs.
    select(QStringLiteral(
        "SELECT password, CodeIntervenant, isAdmin, metaData, filtrePiezo, filtreQualito, "
        "filtrePluvio, filtreHydro, codeContact FROM Utilisateurs WHERE login='JEAN'"));

    const SchemaUpgradeReport report = upgrade();
    ASSERT_TRUE(report.ok) << report.error.toStdString();
    EXPECT_EQ(count(QStringLiteral("SELECT count(*) FROM UTILISATEURS")), 2);
    EXPECT_TRUE(upgradeUserTable(db).changes.isEmpty());
}

TEST_P(SchemaTest, NewerDatabaseIsNotTouched)
{
    exec(QStringLiteral("CREATE TABLE PARAMETRES (Module %1, DateCreation %2, valeur %3, "
                        "Identifiant %1, loginMaj %4)")
             .arg(type(ColumnType::Text, 100), type(ColumnType::DateTime),
                  type(ColumnType::Text, 255), type(ColumnType::Text, 50)));
    exec(QStringLiteral("INSERT INTO PARAMETRES (Module, DateCreation, valeur, Identifiant) VALUES "
                        "('KELDA', null, '6.10.0', 'version')"));
    const SchemaUpgradeReport report = upgrade(true);
    EXPECT_TRUE(report.ok);
    EXPECT_TRUE(report.databaseNewer);
    EXPECT_FALSE(report.upgraded);
    EXPECT_TRUE(report.steps.isEmpty());
    EXPECT_EQ(report.databaseVersion, QStringLiteral("6.10.0"));
    EXPECT_FALSE(report.warnings.isEmpty());
    EXPECT_FALSE(db.tableExists(QStringLiteral("PLUVIOMETRES")));
    EXPECT_FALSE(db.tableExists(QStringLiteral("PERIODES")));
    EXPECT_FALSE(db.columnExists(QStringLiteral("PARAMETRES"), QStringLiteral("mac")));
    EXPECT_EQ(readSchemaVersion(db), QStringLiteral("6.10.0"));
}

// An older database: its version row is replaced, its legacy columns move, its missing
// columns appear, its station row keeps its values.
TEST_P(SchemaTest, OlderDatabaseIsUpgradedInPlace)
{
    exec(QStringLiteral(
             "CREATE TABLE PARAMETRES (Module %1, DateCreation %2, valeur %3, Identifiant %1)")
             .arg(type(ColumnType::Text, 100), type(ColumnType::DateTime),
                  type(ColumnType::Text, 255)));
    exec(QStringLiteral("INSERT INTO PARAMETRES (Module, DateCreation, valeur, Identifiant) VALUES "
                        "('KELDA', null, '5.9.3', 'version')"));
    exec(
        QStringLiteral("CREATE TABLE PLUVIOMETRES (CodePluviometre %1, Nom %2, CodeCommune %3)")
            .arg(type(ColumnType::Double), type(ColumnType::Text, 70), type(ColumnType::Text, 12)));
    exec(QStringLiteral("INSERT INTO PLUVIOMETRES (CodePluviometre, Nom, CodeCommune) VALUES (3, "
                        "'Istres', '13047')"));
    exec(
        QStringLiteral(
            "CREATE TABLE MODES_MESURES_PLUVIO (CodePluviometre %1, DateDebut %2, TypeStation %3, "
            "TypeCapteur %3, TelephoneStation %3, ProfondeurOuvrage %1)")
            .arg(type(ColumnType::Double), type(ColumnType::DateTime), type(ColumnType::Text, 50)));
    exec(QStringLiteral("INSERT INTO MODES_MESURES_PLUVIO (CodePluviometre, DateDebut, "
                        "TypeStation, TypeCapteur) "
                        "VALUES (3, %1, 'Ancienne', 'Auget')")
             .arg(date(QStringLiteral("01/01/1990"))));
    exec(QStringLiteral("INSERT INTO MODES_MESURES_PLUVIO (CodePluviometre, DateDebut, "
                        "TypeStation, TelephoneStation) "
                        "VALUES (3, %1, 'Automatique', '0442')")
             .arg(date(QStringLiteral("01/01/2010"))));
    exec(QStringLiteral("CREATE TABLE PARAMETRES_AFFICHAGE_LISTE_PLUVIO (utilisateur %1, "
                        "indiceColonne %2, largeur %3)")
             .arg(type(ColumnType::Text, 12), type(ColumnType::Short), type(ColumnType::Double)));
    exec(QStringLiteral(
        "INSERT INTO PARAMETRES_AFFICHAGE_LISTE_PLUVIO (utilisateur, indiceColonne, largeur) "
        "VALUES ('JEAN', 2, 30)"));

    const SchemaUpgradeReport report = upgrade();
    ASSERT_TRUE(report.ok) << report.error.toStdString();
    EXPECT_TRUE(report.upgraded);
    EXPECT_EQ(report.databaseVersion, QStringLiteral("5.9.3"));
    EXPECT_EQ(readSchemaVersion(db), QStringLiteral(PLX_VERSION));
    EXPECT_EQ(count(QStringLiteral("SELECT count(*) FROM PARAMETRES WHERE module='KELDA'")), 1);

    const RecordTable station = select(QStringLiteral(
        "SELECT Nom, codeCommuneDeclaration FROM PLUVIOMETRES WHERE CodePluviometre=3"));
    ASSERT_EQ(station.rowCount(), 1);
    EXPECT_EQ(station.text(0, 0), QStringLiteral("Istres"));
    EXPECT_EQ(station.text(0, 1), QStringLiteral("13047")) << "initialised from the commune";
    if (db.dialect() == SqlDialect::PostgreSQL) {
        EXPECT_EQ(catalog::textLength(db, QStringLiteral("PLUVIOMETRES"), QStringLiteral("Nom")),
                  255);
    }

    const RecordTable works =
        select(QStringLiteral("SELECT TypeStation, TypeCapteur, TelephoneStation FROM "
                              "OUVRAGES_PLUVIO WHERE CodePluviometre=3"));
    ASSERT_EQ(works.rowCount(), 1);
    EXPECT_EQ(works.text(0, 0), QStringLiteral("Automatique")) << "the most recent value";
    EXPECT_EQ(works.text(0, 1), QStringLiteral("Auget"));
    EXPECT_EQ(works.text(0, 2), QStringLiteral("0442"));
    for (const char *column :
         {"TypeStation", "TypeCapteur", "TelephoneStation", "ProfondeurOuvrage"})
        EXPECT_FALSE(
            db.columnExists(QStringLiteral("MODES_MESURES_PLUVIO"), QString::fromLatin1(column)))
            << column;
    EXPECT_TRUE(db.columnExists(QStringLiteral("MODES_MESURES_PLUVIO"), QStringLiteral("Methode")));

    EXPECT_FALSE(db.tableExists(QStringLiteral("PARAMETRES_AFFICHAGE_LISTE_PLUVIO")));
    EXPECT_EQ(count(QStringLiteral("SELECT count(*) FROM PARAMETRES_LISTE_PLUVIO WHERE "
                                   "utilisateur='JEAN' AND largeur=30")),
              1);
}

// Every measurement table gets a real unique key on its instant; a table that already
// holds duplicate instants gets a plain index and a line in the report, and its unique
// key once the duplicates are gone.
TEST_P(SchemaTest, MeasurementTablesGetAUniqueInstant)
{
    const auto createMeasures = [&](const QString &table) {
        exec(QStringLiteral("CREATE TABLE %1 (DateCreation %2, Heure %2, Pluie %3, Validite %4)")
                 .arg(table, type(ColumnType::DateTime), type(ColumnType::Double),
                      type(ColumnType::Text, 1)));
    };
    const auto insert = [&](const QString &table, const QString &day, const QString &time,
                            double rain) {
        QString error;
        const bool ok = db.Execute(
            QStringLiteral("INSERT INTO %1 (DateCreation, Heure, Pluie) VALUES (%2, %3, %4)")
                .arg(table, date(day), heure(time), sqlNumber(rain)),
            &error);
        return ok;
    };
    createMeasures(QStringLiteral("PLUVIO_12"));
    createMeasures(QStringLiteral("PLUVIO_13"));
    ASSERT_TRUE(insert(QStringLiteral("PLUVIO_12"), QStringLiteral("05/03/2024"),
                       QStringLiteral("00:00:00"), 1.5));
    ASSERT_TRUE(insert(QStringLiteral("PLUVIO_13"), QStringLiteral("05/03/2024"),
                       QStringLiteral("07:30:00"), 1));
    ASSERT_TRUE(insert(QStringLiteral("PLUVIO_13"), QStringLiteral("05/03/2024"),
                       QStringLiteral("07:30:00"), 2));

    const SchemaUpgradeReport report = upgrade();
    ASSERT_TRUE(report.ok) << report.error.toStdString();
    ASSERT_EQ(report.warnings.size(), 1) << report.warnings.join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(report.warnings.first().startsWith(QStringLiteral("PLUVIO_13 ")))
        << report.warnings.first().toStdString();

    EXPECT_FALSE(insert(QStringLiteral("PLUVIO_12"), QStringLiteral("05/03/2024"),
                        QStringLiteral("00:00:00"), 9))
        << "a second row at the same instant is refused";
    EXPECT_TRUE(insert(QStringLiteral("PLUVIO_12"), QStringLiteral("05/03/2024"),
                       QStringLiteral("00:00:01"), 9));
    EXPECT_TRUE(insert(QStringLiteral("PLUVIO_13"), QStringLiteral("05/03/2024"),
                       QStringLiteral("07:30:00"), 3))
        << "the table with duplicates keeps a plain index";
    const auto indexOf13 = [&] {
        const auto indexes = catalog::indexesOf(db, QStringLiteral("PLUVIO_13"))
                                 .value_or(std::vector<catalog::IndexInfo>());
        return indexes.size() == 1 ? indexes.front() : catalog::IndexInfo{};
    };
    EXPECT_EQ(indexOf13().columns,
              (QStringList{QStringLiteral("datecreation"), QStringLiteral("heure")}));
    EXPECT_FALSE(indexOf13().unique);

    exec(QStringLiteral("DELETE FROM PLUVIO_13 WHERE Pluie > 1"));
    const SchemaUpgradeReport forced = upgrade(true);
    ASSERT_TRUE(forced.ok) << forced.error.toStdString();
    EXPECT_TRUE(forced.warnings.isEmpty());
    EXPECT_TRUE(indexOf13().unique);
    EXPECT_FALSE(insert(QStringLiteral("PLUVIO_13"), QStringLiteral("05/03/2024"),
                        QStringLiteral("07:30:00"), 3));
}

// A piezometer's level table: numbers read back as numbers, Validite is one character,
// and a second level at the same day and time is refused.
TEST_P(SchemaTest, PiezometerLevelTableKeepsOneLevelPerInstant)
{
    EXPECT_EQ(pzTableName(QStringLiteral(" 3107.0 ")), QStringLiteral("PZ_3107"));
    for (const char *bad : {"", "abc", "0", "-4", "12.5", "1e12", "7; DROP TABLE COMMUNES"})
        EXPECT_TRUE(pzTableName(QString::fromLatin1(bad)).isEmpty()) << bad;
    EXPECT_FALSE(CreatePiezometerLevelTable(db, QStringLiteral("x")));

    ASSERT_TRUE(CreatePiezometerLevelTable(db, QStringLiteral("42")));
    EXPECT_TRUE(CreatePiezometerLevelTable(db, QStringLiteral("42.0")))
        << "an existing table is kept";
    for (const char *column : {"DateCreation", "Heure", "NiveauNGF", "Profondeur", "Validite"})
        EXPECT_TRUE(db.columnExists(QStringLiteral("PZ_42"), QString::fromLatin1(column)))
            << column;
    if (const auto length =
            catalog::textLength(db, QStringLiteral("PZ_42"), QStringLiteral("Validite"))) {
        EXPECT_EQ(*length, 1);
    }

    const auto insert = [&](const QString &day, const QString &time, double level) {
        QString error;
        return db.Execute(
            QStringLiteral("INSERT INTO PZ_42 (DateCreation, Heure, NiveauNGF, "
                           "Profondeur, Validite) VALUES (%1, %2, %3, %4, 'V')")
                .arg(date(day), heure(time), sqlNumber(level), sqlNumber(50.25 - level)),
            &error);
    };
    ASSERT_TRUE(insert(QStringLiteral("15/01/2014"), QStringLiteral("00:00:00"), 47.83));
    EXPECT_FALSE(insert(QStringLiteral("15/01/2014"), QStringLiteral("00:00:00"), 48))
        << "one level per day and time";
    EXPECT_TRUE(insert(QStringLiteral("16/01/2014"), QStringLiteral("00:00:00"), 48.01));

    const RecordTable rows = select(QStringLiteral(
        "SELECT DateCreation, NiveauNGF, Profondeur FROM PZ_42 ORDER BY DateCreation"));
    ASSERT_EQ(rows.rowCount(), 2);
    EXPECT_EQ(rows.at(0, 0).toDateTime().date(), QDate(2014, 1, 15));
    EXPECT_DOUBLE_EQ(rows.at(0, 1).toDouble(), 47.83);
    EXPECT_NEAR(rows.at(1, 2).toDouble(), 2.24, 1e-9);
}

INSTANTIATE_TEST_SUITE_P(Engines, SchemaTest, PLX_ENGINES, PLX_ENGINE_NAME);

TEST(SchemaVersions, CompareAsNumbers)
{
    const struct
    {
        const char *a;
        const char *b;
        int order;
    } rows[] = {
        {"6.0.0", "6.0.0", 0},  {"6.0", "6.0.0", 0},     {"5.9.9", "6.0.0", -1},
        {"6.0.10", "6.0.9", 1}, {"10.0.0", "9.9.9", 1},  {"", "6.0.0", -1},
        {"abc", "6.0.0", -1},   {"6.0.0.1", "6.0.0", 1}, {" 6.0.0 ", "6.0.0", 0},
        {"7", "6.99.99", 1},
    };
    for (const auto &row : rows) {
        EXPECT_EQ(compareVersions(QString::fromLatin1(row.a), QString::fromLatin1(row.b)),
                  row.order)
            << row.a << " vs " << row.b;
        EXPECT_EQ(compareVersions(QString::fromLatin1(row.b), QString::fromLatin1(row.a)),
                  -row.order);
    }
}

TEST(SchemaVersions, StepsInTheirUpgradeOrder)
{
    EXPECT_EQ(schemaStepNames(), (QStringList{QStringLiteral("Suppression des vues spécifiques"),
                                              QStringLiteral("Mise à jour structure base"),
                                              QStringLiteral("Mise à jour Strahler"),
                                              QStringLiteral("Mise à jour unités relevés"),
                                              QStringLiteral("Mise à jour structure base 2"),
                                              QStringLiteral("Mise à jour Repères"),
                                              QStringLiteral("Mise à jour des jobs"),
                                              QStringLiteral("Mise à jour des recherches QLX"),
                                              QStringLiteral("Création vues spécifiques")}));
    EXPECT_STREQ(kDefaultAdminPassword, "PLUIE");
}
