#include "outputs/bookmarktable.h"
#include "outputs/stationphotos.h"

#include <gtest/gtest.h>

namespace {

QString resolved(const plx::BookmarkTable &table, const char *name)
{
    const plx::Bookmark *found = table.resolve(QString::fromLatin1(name));
    return found ? found->name : QStringLiteral("(rien)");
}

TEST(BookmarkTable, ResolvesExactThenLongestWordAndKeepsFamiliesWhole)
{
    plx::BookmarkTable table;
    for (const char *name :
         {"C_", "COMMUNE", "C_COMMUNE", "COMMUNE_DEC", "C_COMMUNE_DEC", "COMMENTAIRE",
          "COMMENTAIRE_PLUVIO", "COORDONNEE_X", "COORDONNEE_X_26", "NET_3", "C_0", "REF_0",
          "REF_GESTIONNAIRE", "INTER_NOM_0", "DEB_RECERCHE_HISTO", "PROFONDEUR", "Rapport"})
        table.add(QString::fromLatin1(name), QString::fromLatin1(name).toLower());
    table.add(QStringLiteral("COMMUNE"), QStringLiteral("second")); // first value kept
    EXPECT_EQ(table.find(QStringLiteral("COMMUNE"))->value, QStringLiteral("commune"));

    const std::pair<const char *, const char *> cases[] = {
        {"C_COMMUNE", "C_COMMUNE"},  // exact, not the intervener family C_
        {"C_COMMUNE2", "C_COMMUNE"}, // a suffixed copy
        {"C_COMMUNE_DEC_bis", "C_COMMUNE_DEC"},
        {"COMMUNE_DEC", "COMMUNE_DEC"}, // not COMMUNE
        {"COMMUNE_DEC3", "COMMUNE_DEC"},
        {"COMMUNE1", "COMMUNE"},
        {"COMMENTAIRE_PLUVIO2", "COMMENTAIRE_PLUVIO"},
        {"COMMENTAIRE2", "COMMENTAIRE"},
        {"commune_dec", "COMMUNE_DEC"}, // a marker typed in lower case
        {"COORDONNEE_X2", "COORDONNEE_X"},
        {"COORDONNEE_X_26", "COORDONNEE_X_26"},
        {"COORDONNEE_X_27", "(rien)"}, // another projection, not the station's X
        {"NET_3", "NET_3"},
        {"NET_31", "(rien)"}, // network 31 is not network 3
        {"C_0", "C_0"},
        {"C_01", "(rien)"},
        {"REF_GESTIONNAIRE1", "REF_GESTIONNAIRE"},
        {"REF_01", "(rien)"},
        {"INTER_NOM_02", "(rien)"},
        {"DEB_RECERCHE_HISTO2", "DEB_RECERCHE_HISTO"},
        {"PROFONDEUR2", "(rien)"}, // PROF names are looked up whole
        {"Rapport", "Rapport"},    // a document keyword
        {"GRAPHIQUE_ANNEE", "(rien)"},
    };
    for (const auto &[name, expected] : cases)
        EXPECT_EQ(resolved(table, name), QString::fromLatin1(expected)) << name;
}

TEST(StationPhotos, PicksTheLastTokenWholeWordsBeforeLetters)
{
    const auto files = plx::stationPhotoFiles(
        {QStringLiteral("C:\\photos\\site_A\\vue_station.jpg"), // "_station", not "_S"
         QStringLiteral("photos/12_S.JPG"),                     // the map by its letter
         QStringLiteral("photos/12_p.png"),
         QStringLiteral("repere_12.jpg"), // marker not last: ignored
         QStringLiteral("12_Site.jpeg"), QStringLiteral("12_A.jpeg")});
    std::vector<std::pair<QString, QString>> expected{
        {QStringLiteral("PHOTO_SITE"), QStringLiteral("12_Site.jpeg")},
        {QStringLiteral("PHOTO_CARTE"), QStringLiteral("photos/12_S.JPG")},
        {QStringLiteral("PHOTO_STATION"), QStringLiteral("C:\\photos\\site_A\\vue_station.jpg")},
    };
    EXPECT_EQ(files, expected);
    EXPECT_TRUE(plx::stationPhotoFiles({QStringLiteral("sans_marque.jpg")}).empty());

    // Stored names are found in the photos folder; absolute paths of either system stay.
    const QString folder = QStringLiteral("/srv/photos/");
    EXPECT_EQ(plx::photoFilePath(QStringLiteral("12_site.jpg"), folder),
              QStringLiteral("/srv/photos/12_site.jpg"));
    EXPECT_EQ(plx::photoFilePath(QStringLiteral(" 12/vue_A.jpg "), folder),
              QStringLiteral("/srv/photos/12/vue_A.jpg"));
    for (const char *absolute :
         {"/data/12_site.jpg", "C:\\photos\\12_site.jpg", "\\\\serveur\\photos\\12_site.jpg"})
        EXPECT_EQ(plx::photoFilePath(QString::fromLatin1(absolute), folder),
                  QString::fromLatin1(absolute));
    EXPECT_EQ(plx::photoFilePath(QStringLiteral("12_site.jpg"), QString()),
              QStringLiteral("12_site.jpg"));
}

} // namespace
