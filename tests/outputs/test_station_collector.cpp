#include "base/locale.h"
#include "config/settings.h"
#include "db/accesbase.h"
#include "db/dialect.h"
#include "outputs/documentnumber.h"
#include "outputs/stationcollector.h"
#include "session/session.h"
#include "support/schemadatabasetest.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace {

class StationCollectorTest : public plxtest::SchemaDatabaseTest
{
protected:
    // Options go to a private machine store, never the workstation's.
    void SetUp() override
    {
        m_savedSettings = qgetenv("PLX_SETTINGS_FILE");
        qputenv("PLX_SETTINGS_FILE", m_settings.filePath(QStringLiteral("machine.ini")).toUtf8());
        SchemaDatabaseTest::SetUp();
    }
    void TearDown() override
    {
        SchemaDatabaseTest::TearDown();
        if (m_savedSettings.isNull())
            qunsetenv("PLX_SETTINGS_FILE");
        else
            qputenv("PLX_SETTINGS_FILE", m_savedSettings);
    }

    static plx::AccesBase &db() { return plx::AccesBase::instance(); }

    static void exec(const QString &sql)
    {
        QString error;
        ASSERT_TRUE(db().Execute(sql, &error)) << sql.toStdString() << ": " << error.toStdString();
    }
    static QString day(int offset)
    {
        return plx::FormatDateSQL(plx::formatDate(QDate::currentDate().addDays(offset)), false);
    }

    // Station 12 in commune "01053", with a projection label under its own champ and the
    // same code under another champ, two networks (one ended), a past and a present
    // manager, a co-manager, an extra localisation and a document keyword.
    void fillStation()
    {
        exec(QStringLiteral("INSERT INTO PLUVIOMETRES (CodePluviometre, Nom, X, Y, TypeProjection, "
                            "Altitude, CodeCommune, codeCommuneDeclaration, Commentaires, "
                            "DateCreation) VALUES (12, 'Bourg-en-Bresse l''Aérodrome', "
                            "872345.5, 2138456, 26, 231, '01053', '01053', 'Toit', ") +
             day(-400) + QStringLiteral(")"));
        exec(QStringLiteral("INSERT INTO COMMUNES (CodeCommune, Nom, NumDept) VALUES ('01053', "
                            "'BOURG-EN-BRESSE', '01')"));
        exec(QStringLiteral("INSERT INTO communes_histo (codeCommune, nom) VALUES ('01053', "
                            "'BOURG')"));
        exec(QStringLiteral("INSERT INTO CODES_SANDRE (Champ, Code, Libelle) VALUES "
                            "('COMMUNES.TYPEPROJECTION', 26, 'Autre'), "
                            "('PLUVIOMETRES.TYPEPROJECTION', 26, 'RGF93 / Lambert 93')"));
        exec(QStringLiteral("INSERT INTO RESEAUX (CodeReseau, Libelle, aEditer) VALUES (3, "
                            "'Réseau départemental', '1'), (7, 'Ancien réseau', '1')"));
        exec(QStringLiteral("INSERT INTO LIEN_PLUVIO_RESEAUX (CodePluviometre, CodeReseau, "
                            "DateDebut, DateFin) VALUES (12, 3, ") +
             day(-300) + QStringLiteral(", NULL), (12, 7, ") + day(-900) + QStringLiteral(", ") +
             day(-301) + QStringLiteral(")"));
        exec(QStringLiteral(
            "INSERT INTO INTERVENANTS (CodeIntervenant, Nom, SIRET, Ville) VALUES "
            "(1, 'Ancien gestionnaire', '111', 'Lyon'), (2, 'Syndicat des eaux', "
            "'22200000000012', 'Bourg'), (4, 'Futur gestionnaire', '444', 'Nantua'), "
            "(5, 'Commune de Bourg', '555', 'Bourg')"));
        exec(QStringLiteral("INSERT INTO CONTACTS (CodeContact, Nom, CodePostal) VALUES (9, "
                            "'Mme Durand', '01000')"));
        exec(QStringLiteral("INSERT INTO LIEN_PLUVIO_INTERVENANTS (CodePluviometre, "
                            "CodeIntervenant, DateDebut, DateFin, TypeIntervenant, "
                            "ReferenceInterne, codeContact) VALUES (12, 1, ") +
             day(-800) + QStringLiteral(", ") + day(-1) +
             QStringLiteral(", 0, 'OLD', NULL), (12, 2, ") + day(-200) +
             QStringLiteral(", NULL, 0, 'SE-12', 9), (12, 4, ") + day(30) +
             QStringLiteral(", NULL, 0, 'NEXT', NULL), (12, 5, ") + day(0) + QStringLiteral(", ") +
             day(0) + QStringLiteral(", 1, 'CB', NULL)"));
        exec(QStringLiteral("INSERT INTO PLUVIOMETRE_LOCALISATIONS (CodePluviometre, "
                            "CodeProjection, X, Y) VALUES (12, 27, 5.25, 46.2)"));
        exec(QStringLiteral("INSERT INTO PLUVIOMETRE_DOCUMENTS (CodePluviometre, CodeDocument, "
                            "Emplacement, MotCle) VALUES (12, 1, 'docs/arrete.pdf', 'ARRETE'), "
                            "(12, 2, 'docs/sans.pdf', NULL)"));
        exec(QStringLiteral("INSERT INTO LIEN_PLUVIO_ACCESSIBILITES (CodePluviometre, DateDebut, "
                            "description) VALUES (12, ") +
             day(-10) + QStringLiteral(", 'Portail fermé'), (12, ") + day(-20) +
             QStringLiteral(", 'Chemin de terre'), (12, ") + day(5) +
             QStringLiteral(", 'Pas encore')"));
        exec(QStringLiteral("INSERT INTO PLUVIOMETRE_PHOTO (CodePluviometre, PhotoSite, "
                            "PhotoCarte) VALUES (12, 'p/12_station.jpg', 'p/12_S.jpg')"));
    }

    static QString value(const plx::BookmarkTable &table, const char *name)
    {
        const plx::Bookmark *found = table.find(QString::fromLatin1(name));
        return found ? found->value : QStringLiteral("(absent)");
    }
    static bool numeric(const plx::BookmarkTable &table, const char *name)
    {
        const plx::Bookmark *found = table.find(QString::fromLatin1(name));
        return found && found->numeric;
    }
    QTemporaryDir m_settings;
    QByteArray m_savedSettings;

    static QString storedDocumentNumber()
    {
        const plx::RecordTable rows = db().ExtraireRecords(
            QStringLiteral("SELECT identifiant FROM PARAMETRES WHERE module='DOC_ID'"));
        EXPECT_TRUE(rows.ok()) << rows.error().toStdString();
        return rows.rowCount() == 1 ? rows.text(0, 0)
                                    : QStringLiteral("%1 rows").arg(rows.rowCount());
    }
};

TEST_P(StationCollectorTest, CollectsTheStationAsOfToday)
{
    if (!ready())
        return;
    fillStation();
    ASSERT_TRUE(
        plx::EcrireParametre(QStringLiteral("CheminPhotos"), QStringLiteral("/srv/photos")));
    plx::BookmarkTable table;
    QString error;
    const plx::ReportAuthor author{QStringLiteral("REF"), QStringLiteral("Jean Ref"),
                                   QStringLiteral("Syndicat")};
    ASSERT_TRUE(plx::collectStationBookmarks(db(), QStringLiteral("12"), author, table, &error))
        << error.toStdString();

    EXPECT_EQ(value(table, "CODE_PLUVIO"), QStringLiteral("12"));
    EXPECT_EQ(value(table, "NOM_PLUVIO"), QStringLiteral("Bourg-en-Bresse l'Aérodrome"));
    // Codes keep their leading zero and stay text; coordinates are numbers.
    EXPECT_EQ(value(table, "C_COMMUNE"), QStringLiteral("01053"));
    EXPECT_FALSE(numeric(table, "C_COMMUNE"));
    EXPECT_FALSE(numeric(table, "CODE_PLUVIO"));
    EXPECT_EQ(value(table, "COORDONNEE_X"), QStringLiteral("872345,5"));
    EXPECT_TRUE(numeric(table, "COORDONNEE_X"));
    EXPECT_TRUE(numeric(table, "COORDONNEE_Z"));
    EXPECT_EQ(value(table, "COMMUNE"), QStringLiteral("BOURG-EN-BRESSE"));
    EXPECT_EQ(value(table, "COMMUNE_DEC"), QStringLiteral("BOURG"));
    EXPECT_EQ(value(table, "DEPARTEMENT"), QStringLiteral("01"));
    // The label of the station's own champ; the other champ neither wins nor drops it.
    EXPECT_EQ(value(table, "TYPE_PROJECTION"), QStringLiteral("RGF93 / Lambert 93"));
    EXPECT_EQ(value(table, "C_PROJECTION"), QStringLiteral("26"));
    EXPECT_EQ(value(table, "DATE_CREATION"), plx::formatDate(QDate::currentDate().addDays(-400)));
    EXPECT_EQ(value(table, "DATE_EDITION"), plx::formatDate(QDate::currentDate()));

    // Networks: the current one, the ended one in the history, NET_ flags.
    EXPECT_EQ(value(table, "C_RESEAU"), QStringLiteral("3"));
    EXPECT_EQ(value(table, "LISTE_RESEAUX"), QStringLiteral("Réseau départemental"));
    EXPECT_EQ(value(table, "HISTO_RESEAUX"), QStringLiteral("Ancien réseau"));
    EXPECT_EQ(value(table, "COND_ACCES"), QStringLiteral("Portail fermé\nChemin de terre"));
    EXPECT_EQ(value(table, "NET_3"), QStringLiteral("X"));
    EXPECT_EQ(value(table, "NET_7"), QStringLiteral("(absent)"));

    // The manager as of today: not the one that ended yesterday, not the one starting
    // next month; a link ending today is still current.
    EXPECT_EQ(value(table, "GESTIONNAIRE"), QStringLiteral("Syndicat des eaux"));
    EXPECT_EQ(value(table, "REF_GESTIONNAIRE"), QStringLiteral("SE-12"));
    EXPECT_EQ(value(table, "COGESTIONNAIRE"), QStringLiteral("Commune de Bourg"));
    EXPECT_EQ(value(table, "C_0"), QStringLiteral("2"));
    EXPECT_EQ(value(table, "SIRET_0"), QStringLiteral("22200000000012"));
    EXPECT_EQ(value(table, "INTER_CT_NOM_0"), QStringLiteral("Mme Durand"));
    EXPECT_EQ(value(table, "INTER_CT_CP_0"), QStringLiteral("01000"));
    EXPECT_EQ(value(table, "INTER_NOM_1"), QStringLiteral("Commune de Bourg"));

    // Extra localisation under its projection; document keyword; pictures; author.
    EXPECT_EQ(value(table, "COORDONNEE_X_27"), QStringLiteral("5,25"));
    EXPECT_TRUE(numeric(table, "COORDONNEE_Y_27"));
    EXPECT_EQ(table.resolve(QStringLiteral("COORDONNEE_X_26")), nullptr);
    EXPECT_EQ(value(table, "ARRETE"), QStringLiteral("docs/arrete.pdf"));
    // Pictures by their marker, in the photos folder; the route's list of all of them.
    EXPECT_EQ(value(table, "PHOTO_STATION"), QStringLiteral("/srv/photos/p/12_station.jpg"));
    EXPECT_EQ(value(table, "PHOTO_CARTE"), QStringLiteral("/srv/photos/p/12_S.jpg"));
    EXPECT_EQ(value(table, "PHOTO"), QStringLiteral("/srv/photos/p/12_station.jpg"));
    EXPECT_EQ(value(table, "LISTE_PHOTOS"),
              QStringLiteral("/srv/photos/p/12_station.jpg;/srv/photos/p/12_S.jpg"));
    EXPECT_EQ(value(table, "NOM_LOGIN"), QStringLiteral("Jean Ref"));
    EXPECT_EQ(value(table, "DOC_ID"), QStringLiteral("1"));

    // A projection code known only under another champ: the station is still reported,
    // without a label.
    exec(QStringLiteral("INSERT INTO CODES_SANDRE (Champ, Code, Libelle) VALUES "
                        "('COMMUNES.TYPEPROJECTION', 5, 'Autre')"));
    exec(QStringLiteral("INSERT INTO PLUVIOMETRES (CodePluviometre, Nom, TypeProjection) VALUES "
                        "(13, 'Treize', 5)"));
    plx::BookmarkTable other;
    ASSERT_TRUE(plx::collectStationBookmarks(db(), QStringLiteral("13"), author, other, &error))
        << error.toStdString();
    EXPECT_EQ(value(other, "C_PROJECTION"), QStringLiteral("5"));
    EXPECT_EQ(value(other, "TYPE_PROJECTION"), QString());
    EXPECT_EQ(value(other, "GESTIONNAIRE"), QString());
    EXPECT_EQ(value(other, "DOC_ID"), QStringLiteral("2"));
}

TEST_P(StationCollectorTest, RefusesAMissingOrInvalidStation)
{
    if (!ready())
        return;
    plx::BookmarkTable table;
    QString error;
    EXPECT_FALSE(plx::collectStationBookmarks(db(), QStringLiteral("404"), {}, table, &error));
    EXPECT_EQ(error, QStringLiteral("Le pluviomètre 404 n'existe pas."));
    EXPECT_FALSE(plx::collectStationBookmarks(db(), QStringLiteral("1 OR 1=1"), {}, table, &error));
    EXPECT_EQ(error, QStringLiteral("Le code de pluviomètre « 1 OR 1=1 » n'est pas valide."));
    EXPECT_FALSE(plx::collectStationBookmarks(db(), QStringLiteral(" "), {}, table, &error));
    EXPECT_EQ(error, QStringLiteral("Aucun pluviometre n'est sélectionné dans la liste. Vous ne "
                                    "pourrez pas utiliser les modèles."));
    EXPECT_TRUE(table.isEmpty());
    // No document number is used up by a report that was refused.
    EXPECT_EQ(storedDocumentNumber(), QStringLiteral("0 rows"));
}

TEST_P(StationCollectorTest, TakesOneDocumentNumberPerReport)
{
    if (!ready())
        return;
    exec(QStringLiteral("INSERT INTO PLUVIOMETRES (CodePluviometre, Nom) VALUES (5, 'Cinq')"));
    // The missing row is created.
    ASSERT_EQ(plx::takeDocumentNumber(db()), std::optional<qint64>(1));
    EXPECT_EQ(storedDocumentNumber(), QStringLiteral("1"));

    exec(QStringLiteral("UPDATE PARAMETRES SET identifiant='41' WHERE module='DOC_ID'"));
    for (const char *expected : {"42", "43"}) {
        plx::BookmarkTable table;
        ASSERT_TRUE(plx::collectStationBookmarks(db(), QStringLiteral("5"), {}, table));
        EXPECT_EQ(value(table, "DOC_ID"), QString::fromLatin1(expected));
        EXPECT_EQ(storedDocumentNumber(), QString::fromLatin1(expected));
    }

    // A stored value that is not a number is reported and left alone.
    exec(QStringLiteral("UPDATE PARAMETRES SET identifiant='abc' WHERE module='DOC_ID'"));
    QString error;
    EXPECT_FALSE(plx::takeDocumentNumber(db(), &error));
    EXPECT_EQ(error, QStringLiteral("Impossible d'attribuer un numéro de document : la valeur "
                                    "enregistrée « abc » n'est pas un nombre."));
    EXPECT_EQ(storedDocumentNumber(), QStringLiteral("abc"));
}

TEST_P(StationCollectorTest, ASecondReportWaitsForTheNumberBeingTaken)
{
    if (!ready())
        return;
    if (GetParam() != QLatin1String("postgresql"))
        GTEST_SKIP() << "two sessions on one server";
    ASSERT_EQ(plx::takeDocumentNumber(db()), std::optional<qint64>(1));
    // Another session holds the row, as a report taking its number does.
    plx::AccesBase other;
    ASSERT_TRUE(other.Connecter(plx::runProfile()));
    ASSERT_TRUE(other.DebutTransaction());
    ASSERT_TRUE(other
                    .queryNative(QStringLiteral(
                        "SELECT identifiant FROM parametres WHERE module='DOC_ID' FOR UPDATE"))
                    .ok());
    std::atomic<bool> done = false;
    std::optional<qint64> taken;
    std::thread report([&] {
        taken = plx::takeDocumentNumber(db());
        done = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    EXPECT_FALSE(done) << "the number was read while another session held it";
    ASSERT_TRUE(other.Execute(
        QStringLiteral("UPDATE PARAMETRES SET identifiant='7' WHERE module='DOC_ID'")));
    ASSERT_TRUE(other.FinTransaction(true));
    report.join();
    EXPECT_EQ(taken, std::optional<qint64>(8)); // after the other session's number, not 2
}

INSTANTIATE_TEST_SUITE_P(Engines, StationCollectorTest, PLX_ENGINES, PLX_ENGINE_NAME);

} // namespace
