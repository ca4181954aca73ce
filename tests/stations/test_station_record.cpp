#include "test_stationfixture.h"

#include "stations/stationcodes.h"
#include "stations/stationfavourites.h"
#include "stations/stationrecord.h"

namespace {

using plxtest::StationDatabaseTest;

class StationRecordTest : public StationDatabaseTest
{
};

TEST(StationCodeRules, RefusesWhatDoesNotReadBackAsAPositiveFiveDigitNumber)
{
    const QString notWhole =
        QStringLiteral("Le code saisi n'est pas un entier correct. Merci de reessayer.");
    const QString notPositive =
        QStringLiteral("Le code saisi doit être positif. Merci de reessayer.");
    const QString tooLong =
        QStringLiteral("Le code saisi ne doit pas faire plus de 5 caractères. Merci de reessayer.");
    const std::pair<const char *, QString> cases[] = {
        {"abc", notWhole},    {"007", notWhole},   {" 12", notWhole},
        {"+5", notWhole},     {"12.5", notWhole},  {"99999999999999999999", notWhole},
        {"-5", notPositive},  {"0", notPositive},  {"-123456", notPositive},
        {"123456", tooLong},  {"999999", tooLong}, {"1", QString()},
        {"99999", QString()}, {"", QString()},
    };
    for (const auto &[typed, expected] : cases)
        EXPECT_EQ(plx::codeFormatViolation(QString::fromLatin1(typed)), expected) << typed;
}

TEST_P(StationRecordTest, NewStationsTakeMaxPlusOneOrTheTypedCode)
{
    plx::StationRecord first;
    first.nom = QStringLiteral("Aix-en-Provence");
    const plx::StationSaveResult saved = plx::saveStation(db(), first);
    ASSERT_TRUE(saved.ok) << saved.message.toStdString();
    EXPECT_EQ(first.code, QStringLiteral("1")); // empty table
    EXPECT_EQ(first.loginMaj, QStringLiteral("REF"));

    plx::StationRecord typed;
    typed.nom = QStringLiteral("Typed");
    EXPECT_EQ(plx::saveStation(db(), typed, QStringLiteral("1")).message,
              QStringLiteral("Le code saisi existe déjà. Merci de reessayer en saisissant un "
                             "nouveau numéro."));
    EXPECT_EQ(plx::saveStation(db(), typed, QStringLiteral("123456")).message,
              plx::codeFormatViolation(QStringLiteral("123456")));
    EXPECT_TRUE(typed.code.isEmpty());
    ASSERT_TRUE(plx::saveStation(db(), typed, QStringLiteral("40")).ok);
    EXPECT_EQ(typed.code, QStringLiteral("40"));

    // A measurement table left by another client makes its code taken.
    ASSERT_TRUE(plx::CreateMeasurementTable(db(), QStringLiteral("41"), false));
    EXPECT_FALSE(plx::codeRuleViolation(db(), QStringLiteral("41")).isEmpty());

    plx::StationRecord next;
    next.nom = QStringLiteral("Next");
    ASSERT_TRUE(plx::saveStation(db(), next).ok);
    EXPECT_EQ(next.code, QStringLiteral("41"));
}

TEST_P(StationRecordTest, SavedFieldsReadBackWithEmptyOnesAsNull)
{
    plx::StationRecord record;
    record.nom = QStringLiteral("L'Étang d'Istres");
    record.dateCreation = QDate(1961, 1, 1);
    record.x = 5.0172;
    record.y = 43.5147;
    record.typeProjection = 16;
    record.altitude = 12.5;
    record.commentaires = QStringLiteral("Abri ' ; DROP TABLE PLUVIOMETRES; --");
    record.codeCommune = QStringLiteral("13047");
    record.codeContact = 3;
    record.identifiant = QStringLiteral("13047001");
    record.codePays = QStringLiteral("FR");
    record.codeCommuneDeclaration = QStringLiteral("13047");
    record.carteIGN = QStringLiteral("3144 OT");
    record.section = QStringLiteral("AB");
    ASSERT_TRUE(plx::saveStation(db(), record).ok);
    EXPECT_TRUE(record.dateMaj.isValid());

    std::optional<plx::StationRecord> loaded = plx::loadStation(db(), record.code);
    ASSERT_TRUE(loaded);
    EXPECT_EQ(*loaded, record);

    const plx::RecordTable nulls = db().ExtraireRecords(QStringLiteral(
        "SELECT DateFermeture, adresse, codeQualitoInter, jobExecutionId, ExpressionMesure "
        "FROM PLUVIOMETRES"));
    ASSERT_EQ(nulls.rowCount(), 1);
    for (int c = 0; c < 4; ++c)
        EXPECT_TRUE(nulls.at(0, c).isNull()) << c;
    EXPECT_EQ(nulls.text(0, 4), QStringLiteral("2"));

    // A second save updates the same rows instead of adding others.
    loaded->carteIGN.clear();
    loaded->adresse = QStringLiteral("Route de Miramas");
    ASSERT_TRUE(plx::saveStation(db(), *loaded).ok);
    EXPECT_EQ(plx::loadStation(db(), record.code), loaded);
    EXPECT_EQ(rowsOf(QStringLiteral("PLUVIOMETRES")).size(), 1);
    EXPECT_EQ(rowsOf(QStringLiteral("PLUVIOMETRES_INFO_GEO")).size(), 1);
    EXPECT_FALSE(plx::loadStation(db(), QStringLiteral("77")));
}

TEST_P(StationRecordTest, IdentifierUsedElsewhereIsRefusedByScope)
{
    seedStation(5, QStringLiteral("ABC01"));
    seedStation(6, QStringLiteral("OTHER"));
    plx::StationRecord record = *plx::loadStation(db(), QStringLiteral("5"));
    // Editing itself keeps its identifier.
    EXPECT_TRUE(plx::saveStation(db(), record).ok);

    plx::StationRecord duplicate;
    duplicate.nom = QStringLiteral("Doublon");
    duplicate.identifiant = QStringLiteral("abc01");
    EXPECT_EQ(plx::saveStation(db(), duplicate).message,
              QStringLiteral("L'identifiant est déjà utilisé pour un autre pluviomètre. \r"
                             "Merci de le modifier."));
    EXPECT_TRUE(duplicate.code.isEmpty());

    restrictScopeTo({QStringLiteral("5")});
    EXPECT_EQ(plx::identifierConflict(db(), QStringLiteral("ABC01"), QString()),
              QStringLiteral("Un site ( 5-Site 5) utilise déjà cet identifiant. Saisissez un "
                             "nouveau numéro BSS avant d'enregidtrer."));
    EXPECT_EQ(plx::identifierConflict(db(), QStringLiteral("Other"), QStringLiteral("5")),
              QStringLiteral("Un site ( 6-Site 6) utilise déjà cet identifiant mais vous ne "
                             "disposez pas des droits nécessaires pour le consulter. Merci de "
                             "contacter votre administrateur."));
    EXPECT_EQ(plx::identifierConflict(db(), QStringLiteral("OTHER"), QStringLiteral("6")),
              QString());
    EXPECT_EQ(rowsOf(QStringLiteral("PLUVIOMETRES")).size(), 2);
}

TEST_P(StationRecordTest, RestrictedCreatorKeepsSightOfTheNewStation)
{
    seedStation(3, QStringLiteral("S3"));
    restrictScopeTo({QStringLiteral("3")});
    plx::StationRecord record;
    record.nom = QStringLiteral("Nouvelle");
    ASSERT_TRUE(plx::saveStation(db(), record).ok);
    EXPECT_EQ(record.code, QStringLiteral("4"));
    EXPECT_EQ(rowsOf(QStringLiteral("utilisateurs_stations WHERE login='REF'")),
              (QStringList{QStringLiteral("REF|PLUVIO|3|SINGLE"),
                           QStringLiteral("REF|PLUVIO|4|SINGLE")}));
    // The neighbours walk only what the user sees, wrapping round.
    EXPECT_EQ(plx::adjacentStationCode(db(), QStringLiteral("4"), 1), QStringLiteral("3"));
    EXPECT_EQ(plx::adjacentStationCode(db(), QStringLiteral("3"), -1), QStringLiteral("4"));
}

TEST_P(StationRecordTest, FavouritesReferentAndDeclarationCommune)
{
    seedStation(8, QStringLiteral("FAV'8"));
    EXPECT_TRUE(plx::isFavouriteStation(db(), QStringLiteral("REF"), QStringLiteral("FAV'8")));
    ASSERT_TRUE(
        plx::setFavouriteStation(db(), QStringLiteral("REF"), QStringLiteral("FAV'8"), false));
    EXPECT_FALSE(plx::isFavouriteStation(db(), QStringLiteral("REF"), QStringLiteral("FAV'8")));
    ASSERT_TRUE(
        plx::setFavouriteStation(db(), QStringLiteral("REF"), QStringLiteral("FAV'8"), true));
    ASSERT_TRUE(
        plx::setFavouriteStation(db(), QStringLiteral("REF"), QStringLiteral("FAV'8"), true));
    EXPECT_EQ(rowsOf(QStringLiteral("UTILISATEURS_FAVORIS")),
              QStringList{QStringLiteral("REF|FAV'8|2")});

    // No role set, then a role that is not a number: no referent; then the latest link.
    EXPECT_FALSE(plx::referentContact(db(), QStringLiteral("8")));
    exec(QStringLiteral(
        "INSERT INTO PARAMETRES (module, identifiant, mac) VALUES ('PLX', 'typeReferent', 'x')"));
    EXPECT_FALSE(plx::referentContact(db(), QStringLiteral("8")));
    exec(QStringLiteral("UPDATE PARAMETRES SET mac='4' WHERE identifiant='typeReferent'"));
    exec(QStringLiteral("INSERT INTO LIEN_PLUVIO_INTERVENANTS (CodePluviometre, TypeIntervenant, "
                        "DateDebut, codeContact) VALUES (8, 4, #01/01/2000#, 11)"));
    exec(QStringLiteral("INSERT INTO LIEN_PLUVIO_INTERVENANTS (CodePluviometre, TypeIntervenant, "
                        "DateDebut, codeContact) VALUES (8, 4, #01/01/2010#, 12)"));
    EXPECT_EQ(plx::referentContact(db(), QStringLiteral("8")), 12);

    EXPECT_EQ(plx::declarationCommuneLabel(db(), QString()),
              QStringLiteral("Aucune commune de déclaration. Cliquez pour la modifier."));
    exec(
        QStringLiteral("INSERT INTO communes_histo (codeCommune, nom) VALUES ('13047', 'Istres')"));
    EXPECT_EQ(plx::declarationCommuneLabel(db(), QStringLiteral("13047")),
              QStringLiteral("Istres [13047]"));
}

INSTANTIATE_TEST_SUITE_P(Engines, StationRecordTest, PLX_ENGINES, PLX_ENGINE_NAME);

} // namespace
