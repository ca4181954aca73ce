#include "listetestdata.h"

#include "config/settings.h"
#include "db/dialect.h"
#include "measures/measurementtable.h"
#include "measures/widgets/validation.h"
#include "outputs/widgets/gridexport.h"
#include "run/widgets/mainwindow.h"
#include "stations/maplinks.h"
#include "stations/recordlength.h"
#include "stations/savedlists.h"
#include "stations/stationlistmodel.h"
#include "stations/widgets/fichepluviometre.h"
#include "stations/widgets/listepluviometres.h"
#include "support/zipread.h"

#include <QComboBox>
#include <QFile>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <utility>

namespace {

using plx::ListePluviometres;
using plx::StationListModel;

class ListePluviometresTest : public plxtest::ListeFixture
{
protected:
    static QTableView *grid(ListePluviometres &screen)
    {
        auto *view = screen.findChild<QTableView *>(QStringLiteral("SprPluviometres"));
        EXPECT_NE(view, nullptr);
        return view;
    }
    static QComboBox *lists(ListePluviometres &screen)
    {
        auto *combo = screen.findChild<QComboBox *>(QStringLiteral("CboListe"));
        EXPECT_NE(combo, nullptr);
        return combo;
    }
    // "Num|Dépt|Commune|Nom du site|Altitude|Gestionnaire|Création" per visible row.
    static QStringList shownRows(ListePluviometres &screen)
    {
        QAbstractItemModel *model = grid(screen)->model();
        QStringList rows;
        for (int r = 0; r < model->rowCount(); ++r) {
            QStringList cells;
            for (int c : {0, 1, 2, 3, 4, 7, 8})
                cells << model->index(r, c).data().toString();
            rows << cells.join(QLatin1Char('|'));
        }
        return rows;
    }
    static QString caption(int count)
    {
        return ListePluviometres::screenTitle() + QStringLiteral(" / %1 site(s)").arg(count);
    }
};

} // namespace

// Left joins keep stations without commune or manager; two current managers give two rows;
// a former manager or another role gives none.
TEST_P(ListePluviometresTest, LoadsEveryStationWithItsCurrentManagers)
{
    ListePluviometres screen;
    QTableView *view = grid(screen);
    ASSERT_EQ(view->model()->columnCount(), 11);
    EXPECT_EQ(
        StationListModel::headings(),
        (QStringList{"Num", "Dépt", "Commune", "Nom du site", "Altitude", "Num", "Durée chronique",
                     "Gestionnaire", "Création", "Fermeture", "Identifiant"}));
    EXPECT_EQ(shownRows(screen),
              (QStringList{"1|64|Pau|Amont|200|Régie A|01/02/2000", "2|||Aval|||",
                           "3|31|Toulouse|L'Église|150|Gest X|",
                           "3|31|Toulouse|L'Église|150|Gest Y|", "4|64|Pau|Col|1500||"}));
    EXPECT_EQ(screen.windowTitle(), caption(5));
    EXPECT_EQ(screen.visibleCodes(), (QStringList{"1", "2", "3", "4"}));
    ASSERT_EQ(lists(screen)->count(), 2);
    EXPECT_EQ(lists(screen)->itemText(0), QStringLiteral("Toutes les stations"));
    EXPECT_EQ(lists(screen)->itemText(1), QStringLiteral("Stations favorites"));
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();

    // A restricted user sees the stations of the scope, none when the scope is empty.
    plx::session().hasStationScope = true;
    ListePluviometres empty;
    EXPECT_EQ(empty.windowTitle(), caption(0));
    ASSERT_TRUE(run(QStringLiteral("INSERT INTO UTILISATEURS_STATIONS (login, identifiant, "
                                   "typestation) VALUES ('LISTE', '3', 'PLUVIO')")));
    empty.Actualiser();
    EXPECT_EQ(empty.visibleCodes(), QStringList{"3"});
    EXPECT_EQ(empty.windowTitle(), caption(2));
}

// Favourites and saved lists hide the other rows; the default list applies on opening; a
// stored query that would change data is refused.
TEST_P(ListePluviometresTest, ListsNarrowTheRows)
{
    {
        ListePluviometres screen;
        EXPECT_TRUE(screen.applyList(1));
        EXPECT_EQ(screen.windowTitle(), caption(0));
        EXPECT_TRUE(screen.visibleCodes().isEmpty());
    }
    ASSERT_TRUE(run(QStringLiteral("INSERT INTO UTILISATEURS_FAVORIS (login, identifiant, "
                                   "typeStation) VALUES ('LISTE', 'ID4', 2)")));
    ASSERT_TRUE(run(QStringLiteral("INSERT INTO UTILISATEURS_FAVORIS (login, identifiant, "
                                   "typeStation) VALUES ('AUTRE', 'ID1', 2)")));
    const plx::SavedListResult filter = plx::createSavedListFromFilter(
        QStringLiteral("Église ou hauts"),
        {{{}, QStringLiteral("Nom du site"), QStringLiteral("commence par"), QStringLiteral("l'é")},
         {QStringLiteral("Ou"), QStringLiteral("Altitude"), QStringLiteral(">="),
          QStringLiteral("1500")}},
        true);
    ASSERT_TRUE(filter.ok) << filter.error.toStdString();
    ASSERT_TRUE(run(QStringLiteral("INSERT INTO Utilisateurs_Listes (loginmaj, Module, CodeListe, "
                                   "LibelleListe, requete) VALUES ('LISTE', 'PLX', 7, 'Piège', "
                                   "'SELECT 1; DELETE FROM PLUVIOMETRES')")));
    ASSERT_TRUE(run(QStringLiteral("INSERT INTO Utilisateurs_Listes (loginmaj, Module, CodeListe, "
                                   "LibelleListe) VALUES ('AUTRE', 'PLX', 8, 'Pas à moi')")));

    ListePluviometres screen;
    QComboBox *combo = lists(screen);
    ASSERT_EQ(combo->count(), 4);
    const int filterIndex =
        combo->findText(QStringLiteral("Église ou hauts [%1]").arg(filter.code));
    const int trapIndex = combo->findText(QStringLiteral("Piège [7]"));
    ASSERT_GE(filterIndex, 2);
    ASSERT_GE(trapIndex, 2);
    EXPECT_EQ(combo->currentIndex(), filterIndex); // the default list, applied
    EXPECT_EQ(screen.visibleCodes(), (QStringList{"3", "4"}));
    EXPECT_EQ(screen.windowTitle(), caption(3));

    EXPECT_TRUE(screen.applyList(1));
    EXPECT_EQ(screen.visibleCodes(), QStringList{"4"});

    EXPECT_FALSE(screen.applyList(trapIndex));
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages.takeFirst().startsWith(QStringLiteral("ERREUR: ")));
    EXPECT_EQ(combo->currentIndex(), 1); // back to the list still shown
    EXPECT_EQ(screen.visibleCodes(), QStringList{"4"});
    EXPECT_EQ(plx::AccesBase::instance()
                  .ExtraireRecords(QStringLiteral("SELECT count(*) FROM PLUVIOMETRES"))
                  .at(0, 0)
                  .toLongLong(),
              4);

    // A list of the selected stations, then renamed and deleted.
    EXPECT_TRUE(screen.applyList(0));
    QTableView *view = grid(screen);
    view->selectionModel()->select(view->model()->index(0, 0),
                                   QItemSelectionModel::Select | QItemSelectionModel::Rows);
    view->selectionModel()->select(view->model()->index(1, 0),
                                   QItemSelectionModel::Select | QItemSelectionModel::Rows);
    ASSERT_TRUE(screen.createListFromSelection(QStringLiteral("Choix d'O'Brien")));
    EXPECT_EQ(screen.visibleCodes(), (QStringList{"1", "2"}));
    EXPECT_TRUE(combo->currentText().startsWith(QStringLiteral("Choix d'O'Brien [")));
    ASSERT_TRUE(screen.renameCurrentList(QStringLiteral("Aval et amont")));
    EXPECT_TRUE(combo->currentText().startsWith(QStringLiteral("Aval et amont [")));
    answers = {true};
    ASSERT_TRUE(screen.deleteCurrentList());
    EXPECT_EQ(combo->count(), 4);
    EXPECT_EQ(combo->currentIndex(), 0);
    EXPECT_EQ(screen.windowTitle(), caption(5));
}

// Widths come back when the screen opens again; the sort column is remembered; previous and
// next walk the visible rows in their current order and wrap round.
TEST_P(ListePluviometresTest, WidthsSortAndNeighbours)
{
    int charWidth = 0;
    {
        ListePluviometres screen;
        QTableView *view = grid(screen);
        charWidth = view->fontMetrics().horizontalAdvance(QLatin1Char('0'));
        for (int width = 200; width <= 300; width += 10)
            view->setColumnWidth(3, width); // a drag: many resizes, one write
        QTest::qWait(800);
        view->horizontalHeader()->setSortIndicator(3, Qt::DescendingOrder);
        EXPECT_EQ(screen.visibleCodes(), (QStringList{"3", "4", "2", "1"}));
        EXPECT_EQ(screen.neighbourCode(QStringLiteral("1"), 1), QStringLiteral("3"));
        EXPECT_EQ(screen.neighbourCode(QStringLiteral("3"), -1), QStringLiteral("1"));
        EXPECT_EQ(screen.neighbourCode(QStringLiteral("4"), 1), QStringLiteral("2"));
        screen.applyList(1);
        EXPECT_EQ(screen.neighbourCode(QStringLiteral("4"), 1), QString());
    }
    const plx::RecordTable stored = plx::AccesBase::instance().ExtraireRecords(QStringLiteral(
        "SELECT indiceColonne, largeur FROM PARAMETRES_LISTE_PLUVIO WHERE utilisateur='LISTE' "
        "ORDER BY indiceColonne"));
    ASSERT_EQ(stored.rowCount(), 11);
    EXPECT_NEAR(stored.at(3, 1).toDouble(), 300.0 / charWidth, 0.1);

    ListePluviometres again;
    EXPECT_NEAR(grid(again)->columnWidth(3), 300, 1);
    EXPECT_EQ(grid(again)->horizontalHeader()->sortIndicatorSection(), 3);
    EXPECT_EQ(again.visibleCodes(), (QStringList{"1", "2", "4", "3"}));
    EXPECT_EQ(plx::LireParametre(QStringLiteral("Colonne_Tri_Pluvio")), QStringLiteral("4"));
}

// The map takes the selected stations' WGS84 positions (latitude Y, longitude X); the
// export writes a workbook.
TEST_P(ListePluviometresTest, MapAndExport)
{
    ASSERT_TRUE(run(QStringLiteral("INSERT INTO PLUVIOMETRE_LOCALISATIONS (CodePluviometre, "
                                   "CodeProjection, X, Y) VALUES (1, 31, -0.37, 43.3)")));
    ASSERT_TRUE(run(QStringLiteral("UPDATE PLUVIOMETRES SET X=1.44, Y=43.6, TypeProjection=16 "
                                   "WHERE CodePluviometre=3")));
    ListePluviometres screen;
    QTableView *view = grid(screen);
    auto select = [view](int row) {
        view->selectionModel()->select(view->model()->index(row, 0),
                                       QItemSelectionModel::Select | QItemSelectionModel::Rows);
    };
    select(1);
    EXPECT_FALSE(screen.selectedStationsMapUrl().has_value());
    ASSERT_EQ(messages.size(), 1);
    EXPECT_EQ(messages.takeFirst(),
              QStringLiteral("AIDE: Les sites ne possèdent pas de coordonnées en WGS84 pour "
                             "pouvoir être exportés vers Google Maps"));
    select(0);
    select(2);
    const auto url = screen.selectedStationsMapUrl();
    ASSERT_TRUE(url.has_value());
    EXPECT_EQ(url->path(), QStringLiteral("/v1/map.html"));
    EXPECT_EQ(url->query(QUrl::FullyDecoded),
              QStringLiteral("q=ID1@43.300000,-0.370000&q=ID3@43.600000,1.440000"));

    // The hosts are options; a trailing slash does not double.
    ASSERT_TRUE(plx::EcrireParametre(QStringLiteral("UrlServiceCarto"),
                                     QStringLiteral("https://carto.example.org/")));
    EXPECT_EQ(screen.selectedStationsMapUrl()->toString(QUrl::FullyDecoded),
              QStringLiteral("https://carto.example.org/v1/map.html?q=ID1@43.300000,-0.370000&"
                             "q=ID3@43.600000,1.440000"));
    const auto single = plx::findStationCoordinates(QStringLiteral("1"));
    ASSERT_TRUE(single.has_value());
    EXPECT_EQ(plx::stationMapUrl(*single).toString(),
              QStringLiteral("https://www.google.com/maps/@43.300000,-0.370000,1000m"));
    EXPECT_FALSE(plx::findStationCoordinates(QStringLiteral("2")).has_value());

    // The one-click export: into the export folder under the list's title, opened with
    // the desktop's handler (replaced here); a locked file of that name gets a number.
    QTemporaryDir dir;
    ASSERT_TRUE(plx::EcrireParametre(QStringLiteral("CheminExport"), dir.path()));
    QStringList opened;
    const auto previous =
        plx::setExportedFileOpener([&](const QString &path) { opened << path; });
    screen.DeclencheExcel();
    const QString path = dir.filePath(QStringLiteral("Liste_des_pluviomètres.xlsx"));
    ASSERT_EQ(opened, QStringList{path}) << messages.join('\n').toStdString();
    const QByteArray sheet = plxtest::zipEntry(path, QStringLiteral("xl/worksheets/sheet1.xml"));
    EXPECT_TRUE(sheet.contains("Liste_des_pluviom\xc3\xa8tres")) << "title row";
    EXPECT_TRUE(sheet.contains("<autoFilter"));
    QFile lock(dir.filePath(QStringLiteral(".~lock.Liste_des_pluviomètres.xlsx#")));
    ASSERT_TRUE(lock.open(QIODevice::WriteOnly));
    lock.close();
    screen.DeclencheExcel();
    EXPECT_EQ(opened.value(1), dir.filePath(QStringLiteral("Liste_des_pluviomètres_2.xlsx")));
    EXPECT_TRUE(QFileInfo::exists(opened.value(1)));
    plx::setExportedFileOpener(previous);
    ASSERT_EQ(messages.size(), 2); // "Exporté dans ..." twice: no main window here
    EXPECT_TRUE(messages.first().startsWith(QStringLiteral("AIDE: Exporté dans ")))
        << messages.first().toStdString();
}

// "Durée chronique": first and last measurement dates; a station without a measurement
// table keeps an empty cell; cancelling stops after the station in progress.
TEST_P(ListePluviometresTest, RecordLengths)
{
    plx::AccesBase &db = plx::AccesBase::instance();
    for (const char *code : {"1", "3"})
        ASSERT_TRUE(plx::CreateMeasurementTable(db, QString::fromLatin1(code), false));
    const QString midnight = plx::FormatHeureSQL(QStringLiteral("00:00:00"));
    for (const auto &[table, date] :
         {std::pair{"PLUVIO_1", "01/01/2000"}, std::pair{"PLUVIO_1", "31/12/2009"},
          std::pair{"PLUVIO_3", "15/06/2020"}})
        ASSERT_TRUE(run(QStringLiteral("INSERT INTO %1 (DateCreation, Heure, Pluie) VALUES (%2, "
                                       "%3, 1)")
                            .arg(QString::fromLatin1(table),
                                 plx::FormatDateSQL(QString::fromLatin1(date), false), midnight)));
    ListePluviometres screen;
    screen.computeRecordLengths();
    QAbstractItemModel *model = grid(screen)->model();
    QStringList lengths;
    for (int r = 0; r < model->rowCount(); ++r)
        lengths << model->index(r, StationListModel::DureeChronique).data().toString();
    EXPECT_EQ(lengths,
              (QStringList{"01/01/2000 – 31/12/2009 (10 ans)", "", "15/06/2020 – 15/06/2020 (0 an)",
                           "15/06/2020 – 15/06/2020 (0 an)", ""}));

    int calls = 0;
    const plx::RecordLengthRun cancelled =
        plx::computeRecordLengths({3, 1, 2}, [&calls](int, int) { return ++calls < 1; });
    EXPECT_TRUE(cancelled.cancelled);
    EXPECT_EQ(calls, 1);
    ASSERT_EQ(cancelled.lengths.size(), 1u);
    EXPECT_EQ(cancelled.lengths.begin()->first, 3);
}

// Inside the main window: the File menu opens the list; double-click and Enter open the
// record of the row as a child screen, one per station; the record's previous / next follow
// the list's sorted rows.
TEST_P(ListePluviometresTest, OpensTheRecordInTheMainWindow)
{
    plx::session().isAdmin = true;
    plx::MainWindow window;
    window.setVersionCheckAtStart(false);
    window.show();
    window.openStationList();
    auto *list = qobject_cast<ListePluviometres *>(window.activeScreen());
    ASSERT_NE(list, nullptr);
    QTableView *view = grid(*list);
    view->sortByColumn(StationListModel::NomSite, Qt::DescendingOrder);
    const QModelIndex second = view->model()->index(2, StationListModel::NomSite); // "Col"
    view->setCurrentIndex(second);
    emit view->doubleClicked(second);
    auto *record = qobject_cast<plx::FichePluviometre *>(window.activeScreen());
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->stationCode(), QStringLiteral("4"));

    window.openScreen(list);
    view->setCurrentIndex(view->model()->index(4, 0)); // "Amont"
    QTest::keyClick(view, Qt::Key_Return);
    auto *other = qobject_cast<plx::FichePluviometre *>(window.activeScreen());
    ASSERT_NE(other, nullptr);
    EXPECT_NE(other, record);
    EXPECT_EQ(other->stationCode(), QStringLiteral("1"));
    EXPECT_EQ(list->neighbourCode(other->stationCode(), 1), QStringLiteral("3"));
    EXPECT_EQ(window.screens().size(), 3);

    window.openScreen(list);
    view->setCurrentIndex(second);
    QTest::keyClick(view, Qt::Key_Enter);
    EXPECT_EQ(window.activeScreen(), record);
    EXPECT_EQ(window.screens().size(), 3);

    // "Données" opens the validation editor on the current row; its next station is the
    // list's next row, and a second click brings the same editor back.
    window.openScreen(list);
    list->findChild<QPushButton *>(QStringLiteral("CmdDonnees"))->click();
    auto *editor = qobject_cast<plx::Validation *>(window.activeScreen());
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->stationCode(), QStringLiteral("4"));
    editor->loadNext();
    EXPECT_EQ(editor->stationCode(), list->neighbourCode(QStringLiteral("4"), 1));
    window.openScreen(list);
    list->findChild<QPushButton *>(QStringLiteral("CmdDonnees"))->click();
    EXPECT_EQ(window.activeScreen(), editor);
    EXPECT_EQ(editor->stationCode(), QStringLiteral("4"));
    EXPECT_EQ(window.screens().size(), 4);

    // A renumbered or deleted station is updated in the rows.
    ASSERT_TRUE(list->applyList(0));
    emit other->codeChanged(QStringLiteral("1"), QStringLiteral("41"));
    EXPECT_EQ(list->visibleCodes(), (QStringList{"3", "4", "2", "41"}));
    emit other->stationDeleted(QStringLiteral("41"));
    EXPECT_EQ(list->visibleCodes(), (QStringList{"3", "4", "2"}));
    EXPECT_EQ(list->windowTitle(), caption(4));
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
}

INSTANTIATE_TEST_SUITE_P(Engines, ListePluviometresTest, PLX_ENGINES, PLX_ENGINE_NAME);
