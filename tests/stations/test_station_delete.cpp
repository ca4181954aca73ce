#include "test_stationfixture.h"

#include "schema/schemacatalog.h"
#include "stations/stationdeletion.h"
#include "stations/stationrecord.h"
#include "stations/stationrenumber.h"

namespace {

using plxtest::StationDatabaseTest;

class StationDeleteTest : public StationDatabaseTest
{
};

TEST_P(StationDeleteTest, CascadeClearsEveryRowOfTheStationAndNothingElse)
{
    seedStation(7, QStringLiteral("SEPT"), false); // no raw table: the delete still completes
    seedStation(12, QStringLiteral("DOUZE"));
    const QStringList other = rowsNaming(12);
    ASSERT_EQ(other.size(), 23) << other.join(QLatin1Char(' ')).toStdString();

    std::vector<int> progress;
    QString error;
    ASSERT_TRUE(plx::deleteStation(
        db(), QStringLiteral("7"), [&](int percent) { progress.push_back(percent); }, &error))
        << error.toStdString();
    EXPECT_EQ(rowsNaming(7), QStringList{});
    EXPECT_EQ(rowsNaming(12), other);
    EXPECT_EQ(rowsOf(QStringLiteral("UTILISATEURS_FAVORIS")),
              QStringList{QStringLiteral("REF|DOUZE|2")});
    ASSERT_FALSE(progress.empty());
    EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
    EXPECT_EQ(progress.back(), 100);
    // Equipment history belongs to the equipment module.
    EXPECT_EQ(rowsOf(QStringLiteral("mat_modems_situations WHERE codesite=7")).size(), 1);

    // The code of the deleted top station comes back through max + 1... after 12 is gone.
    ASSERT_TRUE(plx::deleteStation(db(), QStringLiteral("12")));
    plx::StationRecord reused;
    reused.nom = QStringLiteral("Héritière");
    reused.identifiant = QStringLiteral("DOUZE");
    ASSERT_TRUE(plx::saveStation(db(), reused).ok);
    EXPECT_EQ(reused.code, QStringLiteral("1"));
    EXPECT_EQ(rowsNaming(12), QStringList{});
    EXPECT_EQ(rowsNaming(1), (QStringList{QStringLiteral("PLUVIOMETRES=1"),
                                          QStringLiteral("PLUVIOMETRES_INFO_GEO=1")}));
    EXPECT_TRUE(rowsOf(QStringLiteral("UTILISATEURS_FAVORIS")).isEmpty());
}

TEST_P(StationDeleteTest, ReusedTopCodeInheritsNothing)
{
    seedStation(3, QStringLiteral("TROIS"));
    seedStation(9, QStringLiteral("NEUF"));
    ASSERT_TRUE(plx::deleteStation(db(), QStringLiteral("9")));
    plx::StationRecord reused;
    reused.nom = QStringLiteral("Nouvelle");
    ASSERT_TRUE(plx::saveStation(db(), reused).ok);
    ASSERT_EQ(reused.code, QStringLiteral("4"));
    plx::StationRecord again;
    again.nom = QStringLiteral("Encore");
    ASSERT_TRUE(plx::saveStation(db(), again, QStringLiteral("9")).ok);
    EXPECT_EQ(rowsNaming(9), (QStringList{QStringLiteral("PLUVIOMETRES=1"),
                                          QStringLiteral("PLUVIOMETRES_INFO_GEO=1")}));
}

TEST_P(StationDeleteTest, CodeChangeMovesEveryTableAndTheSeries)
{
    seedStation(5, QStringLiteral("CINQ"));
    seedStation(6, QStringLiteral("SIX"));
    const QStringList before = rowsNaming(5, true);
    const QStringList otherBefore = rowsNaming(6, true);
    const QStringList series = rowsOf(QStringLiteral("PLUVIO_5"));

    std::vector<int> progress;
    QString error;
    ASSERT_TRUE(plx::renumberStation(
        db(), QStringLiteral("5"), QStringLiteral("105"),
        [&](int percent) { progress.push_back(percent); }, &error))
        << error.toStdString();
    EXPECT_EQ(rowsNaming(5, true), QStringList{});
    QStringList moved = before;
    moved.replaceInStrings(QStringLiteral("_5"), QStringLiteral("_105"));
    EXPECT_EQ(rowsNaming(105, true), moved);
    EXPECT_EQ(rowsNaming(6, true), otherBefore);
    EXPECT_EQ(rowsOf(QStringLiteral("PLUVIO_105")), series);
    // The key index followed its table: a duplicate instant is still refused.
    const auto indexes = plx::catalog::indexesOf(db(), QStringLiteral("PLUVIO_105"));
    ASSERT_TRUE(indexes && indexes->size() == 1);
    EXPECT_EQ(indexes->front().name.toUpper(), QStringLiteral("PK_PLUVIO_105"));
    EXPECT_FALSE(db().Execute(QStringLiteral("INSERT INTO PLUVIO_105 (DateCreation, Heure, Pluie) "
                                             "SELECT DateCreation, Heure, 2 FROM PLUVIO_105")));
    EXPECT_EQ(progress.size(), 23u);
    EXPECT_EQ(progress[20], 90);
    EXPECT_EQ(progress[21], 95);
    EXPECT_EQ(progress[22], 100);
}

TEST_P(StationDeleteTest, FailedCodeChangeLeavesEveryTableAsBefore)
{
    seedStation(5, QStringLiteral("CINQ"));
    seedStation(6, QStringLiteral("SIX"));
    const auto snapshot = [&] {
        QStringList all;
        for (const QString &table : everyStationTable())
            all << table << rowsOf(table);
        for (const char *table : {"PLUVIO_5", "PLUVIO_6", "PLUVIO_5_BRUTE", "COURBE_REF_PLUVIO_5"})
            all << QLatin1String(table) << rowsOf(QLatin1String(table));
        return all;
    };

    // A measurement table under the new code, without its station row.
    ASSERT_TRUE(plx::CreateMeasurementTable(db(), QStringLiteral("30"), false));
    const QStringList before = snapshot();
    QString error;
    EXPECT_FALSE(plx::renumberStation(db(), QStringLiteral("5"), QStringLiteral("30"), {}, &error));
    EXPECT_EQ(error, QStringLiteral("Le code saisi existe déjà. Merci de reessayer en saisissant "
                                    "un nouveau numéro."));
    EXPECT_FALSE(plx::renumberStation(db(), QStringLiteral("5"), QStringLiteral("6")));
    EXPECT_FALSE(plx::renumberStation(db(), QStringLiteral("5"), QStringLiteral("007")));
    EXPECT_EQ(snapshot(), before);

    // Half-way: the sister module's table the eleventh statement updates has gone.
    exec(QStringLiteral("DROP TABLE mat_modems_situations"));
    const QStringList withoutModems = snapshot();
    std::vector<int> progress;
    EXPECT_FALSE(plx::renumberStation(db(), QStringLiteral("5"), QStringLiteral("31"),
                                      [&](int percent) { progress.push_back(percent); }));
    ASSERT_EQ(progress.size(), 10u);
    EXPECT_EQ(snapshot(), withoutModems);
    EXPECT_FALSE(db().tableExists(QStringLiteral("PLUVIO_31")));
}

TEST_P(StationDeleteTest, UnknownOrBadCodeIsRefusedWithoutTouchingAnything)
{
    seedStation(2, QStringLiteral("DEUX"));
    const QStringList before = rowsNaming(2);
    QString error;
    EXPECT_FALSE(plx::deleteStation(db(), QStringLiteral("2 OR 1=1"), {}, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(plx::renumberStation(db(), QString(), QStringLiteral("3")));
    EXPECT_EQ(rowsNaming(2), before);
}

INSTANTIATE_TEST_SUITE_P(Engines, StationDeleteTest, PLX_ENGINES, PLX_ENGINE_NAME);

} // namespace
