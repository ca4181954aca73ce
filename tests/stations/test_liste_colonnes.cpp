#include "listetestdata.h"

#include "db/sqltext.h"
#include "run/demonetwork.h"
#include "run/widgets/mainwindow.h"
#include "schema/schemacatalog.h"
#include "stations/stationlistmodel.h"
#include "stations/widgets/columnchooser.h"
#include "stations/widgets/listepluviometres.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QHeaderView>
#include <QImage>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>

namespace {

using plx::ColumnChoice;
using plx::ListePluviometres;
using plx::StationListModel;

QTableView *gridOf(ListePluviometres &screen)
{
    auto *view = screen.findChild<QTableView *>(QStringLiteral("SprPluviometres"));
    EXPECT_NE(view, nullptr);
    return view;
}

// The shown columns in screen order, as "column" numbers of the model.
std::vector<int> shownColumns(ListePluviometres &screen)
{
    std::vector<int> shown;
    for (const ColumnChoice &column : screen.columnChoice()) {
        if (column.shown)
            shown.push_back(column.column);
    }
    return shown;
}

void switchUser(const QString &login)
{
    plx::session().login = login;
    plx::setCurrentLogin(login);
}

// Runs check on the chooser once the screen's modal dialog is up.
void whenChooserOpens(const std::function<void(plx::ColumnChooser &)> &check)
{
    QTimer::singleShot(0, [check] {
        auto *dialog = qobject_cast<plx::ColumnChooser *>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        check(*dialog);
    });
}

QListWidgetItem *itemFor(plx::ColumnChooser &dialog, const QString &heading)
{
    auto *list = dialog.findChild<QListWidget *>(QStringLiteral("LstColonnes"));
    const QList<QListWidgetItem *> found = list->findItems(heading, Qt::MatchExactly);
    EXPECT_EQ(found.size(), 1) << heading.toStdString();
    return found.value(0);
}

class ListeColonnesTest : public plxtest::ListeFixture
{
};

} // namespace

// Two users choose different columns and orders; each gets back their own choice and
// widths when the list opens again, hidden columns come back with their width, and the
// export follows the screen.
TEST_P(ListeColonnesTest, ChoiceKeptPerUser)
{
    const std::vector<int> everything = {0, 1, 2, 3, 4, 6, 7, 8, 9, 10};
    int charWidth = 0;
    {
        ListePluviometres screen;
        EXPECT_EQ(shownColumns(screen), everything);
        QTableView *view = gridOf(screen);
        charWidth = view->fontMetrics().horizontalAdvance(QLatin1Char('0'));
        view->setColumnWidth(StationListModel::NomSite, 300);
        view->setColumnWidth(StationListModel::Altitude, 150);
        ASSERT_TRUE(screen.applyColumnChoice({{StationListModel::NomSite, {}, true},
                                              {StationListModel::Num, {}, true},
                                              {StationListModel::Altitude, {}, false},
                                              {StationListModel::Commune, {}, true}}));
        EXPECT_TRUE(view->isColumnHidden(StationListModel::Altitude));
        EXPECT_EQ(view->horizontalHeader()->visualIndex(StationListModel::NomSite), 0);
        const plx::XlsxGrid exported = screen.exportGrid();
        EXPECT_EQ(exported.headings.size(), 9);
        EXPECT_EQ(exported.headings.value(0), QStringLiteral("Nom du site"));
        EXPECT_FALSE(exported.headings.contains(QStringLiteral("Altitude")));
    }
    switchUser(QStringLiteral("AUTRE"));
    {
        ListePluviometres screen;
        EXPECT_EQ(shownColumns(screen), everything);
        EXPECT_NEAR(gridOf(screen)->columnWidth(StationListModel::NomSite), 22 * charWidth, 1);
        ASSERT_TRUE(screen.applyColumnChoice({{StationListModel::Identifiant, {}, true},
                                              {StationListModel::Gestionnaire, {}, false},
                                              {StationListModel::DureeChronique, {}, false}}));
    }
    const std::vector<int> other = {10, 0, 1, 2, 3, 4, 8, 9};
    switchUser(QStringLiteral("LISTE"));
    {
        ListePluviometres screen;
        EXPECT_EQ(shownColumns(screen), (std::vector<int>{3, 0, 2, 1, 6, 7, 8, 9, 10}));
        QTableView *view = gridOf(screen);
        EXPECT_NEAR(view->columnWidth(StationListModel::NomSite), 300, 1);
        EXPECT_TRUE(view->isColumnHidden(StationListModel::NumWork));
        ASSERT_TRUE(screen.applyColumnChoice({{StationListModel::Altitude, {}, true}}));
        EXPECT_NEAR(view->columnWidth(StationListModel::Altitude), 150, 1);
    }
    switchUser(QStringLiteral("AUTRE"));
    {
        ListePluviometres screen;
        EXPECT_EQ(shownColumns(screen), other);
    }
}

// The code column cannot be hidden, and a choice naming a column the list does not offer
// changes nothing; a stored column unknown to this version is left out rather than taken
// for the column with its number, and widths of older clients (number only) still apply.
TEST_P(ListeColonnesTest, RefusedChoicesAndStaleRows)
{
    {
        ListePluviometres screen;
        const std::vector<ColumnChoice> before = screen.columnChoice();
        EXPECT_FALSE(screen.applyColumnChoice({{StationListModel::Num, {}, false}}));
        EXPECT_FALSE(screen.applyColumnChoice({{StationListModel::NumWork, {}, true}}));
        EXPECT_FALSE(screen.applyColumnChoice({{42, {}, true}}));
        EXPECT_FALSE(screen.applyColumnChoice(
            {{StationListModel::Commune, {}, false}, {StationListModel::Commune, {}, true}}));
        EXPECT_EQ(screen.columnChoice(), before);
    }
    const plx::RecordTable none = plx::AccesBase::instance().ExtraireRecords(
        QStringLiteral("SELECT count(*) FROM PARAMETRES_LISTE_PLUVIO WHERE utilisateur='LISTE'"));
    ASSERT_TRUE(none.ok());
    EXPECT_EQ(none.at(0, 0).toLongLong(), 0);

    for (const char *sql : {
             // A column of another version, numbered like "Nom du site", placed first.
             "INSERT INTO PARAMETRES_LISTE_PLUVIO (utilisateur, indiceColonne, largeur, "
             "nomColonne, ordreColonne, masquee) VALUES ('LISTE', 4, 40, 'Bassin', 0, 1)",
             // An older client's width of "Commune".
             "INSERT INTO PARAMETRES_LISTE_PLUVIO (utilisateur, indiceColonne, largeur) "
             "VALUES ('LISTE', 3, 30)",
             "INSERT INTO PARAMETRES_LISTE_PLUVIO (utilisateur, indiceColonne, largeur, "
             "nomColonne, ordreColonne, masquee) VALUES ('LISTE', 5, 8, 'altitude', 0, 1)",
             "INSERT INTO PARAMETRES_LISTE_PLUVIO (utilisateur, indiceColonne, largeur, "
             "nomColonne, ordreColonne, masquee) VALUES ('LISTE', 11, 12, 'Identifiant', 1, 0)",
         }) {
        ASSERT_TRUE(run(QString::fromUtf8(sql)));
    }
    ListePluviometres screen;
    QTableView *view = gridOf(screen);
    const int charWidth = view->fontMetrics().horizontalAdvance(QLatin1Char('0'));
    EXPECT_FALSE(view->isColumnHidden(StationListModel::NomSite));
    EXPECT_NEAR(view->columnWidth(StationListModel::NomSite), 22 * charWidth, 1);
    EXPECT_NEAR(view->columnWidth(StationListModel::Commune), 30 * charWidth, 1);
    EXPECT_TRUE(view->isColumnHidden(StationListModel::Altitude));
    EXPECT_EQ(shownColumns(screen).front(), int(StationListModel::Identifiant));
}

// The dialog moves the grid at once, "Annuler" puts it back, "Rétablir" returns to every
// column in the model's order; the code column's check cannot be taken away.
TEST_P(ListeColonnesTest, ChooserDrivesTheGrid)
{
    ListePluviometres screen;
    screen.resize(1366, 700);
    screen.show();
    QTableView *view = gridOf(screen);
    const std::vector<ColumnChoice> before = screen.columnChoice();

    whenChooserOpens([&](plx::ColumnChooser &dialog) {
        QListWidgetItem *code = itemFor(dialog, QStringLiteral("Num"));
        EXPECT_FALSE(code->flags().testFlag(Qt::ItemIsUserCheckable));
        code->setCheckState(Qt::Unchecked);
        EXPECT_EQ(code->checkState(), Qt::Checked);
        itemFor(dialog, QStringLiteral("Altitude"))->setCheckState(Qt::Unchecked);
        EXPECT_TRUE(view->isColumnHidden(StationListModel::Altitude));
        auto *list = dialog.findChild<QListWidget *>(QStringLiteral("LstColonnes"));
        list->setCurrentItem(itemFor(dialog, QStringLiteral("Commune")));
        QTest::mouseClick(dialog.findChild<QPushButton *>(QStringLiteral("CmdMonter")),
                          Qt::LeftButton);
        EXPECT_EQ(view->horizontalHeader()->visualIndex(StationListModel::Commune), 1);
        dialog.reject();
    });
    screen.ChoisirColonnes();
    EXPECT_EQ(screen.columnChoice(), before);

    ASSERT_TRUE(screen.applyColumnChoice(
        {{StationListModel::Fermeture, {}, true}, {StationListModel::Departement, {}, false}}));
    whenChooserOpens([&](plx::ColumnChooser &dialog) {
        QTest::mouseClick(dialog.findChild<QPushButton *>(QStringLiteral("CmdRetablir")),
                          Qt::LeftButton);
        itemFor(dialog, QStringLiteral("Identifiant"))->setCheckState(Qt::Unchecked);
        dialog.accept();
    });
    screen.ChoisirColonnes();
    std::vector<ColumnChoice> expected = ListePluviometres::defaultColumnChoice();
    expected.back().shown = false;
    EXPECT_EQ(screen.columnChoice(), expected);
    screen.Actualiser(); // the reload keeps the columns
    EXPECT_EQ(screen.columnChoice(), expected);
    ListePluviometres again;
    EXPECT_EQ(again.columnChoice(), expected);
}

// The Display menu's entry reaches the chooser of the active list.
TEST_P(ListeColonnesTest, DisplayMenuOpensTheChooser)
{
    plx::MainWindow window;
    window.setVersionCheckAtStart(false);
    window.show();
    window.openStationList();
    auto *list = qobject_cast<ListePluviometres *>(window.activeScreen());
    ASSERT_NE(list, nullptr);
    auto *action = window.findChild<QAction *>(QStringLiteral("MnuChoisirColonnes"));
    ASSERT_NE(action, nullptr);
    EXPECT_TRUE(action->isEnabled());
    whenChooserOpens([](plx::ColumnChooser &dialog) {
        itemFor(dialog, QStringLiteral("Altitude"))->setCheckState(Qt::Unchecked);
        dialog.accept();
    });
    action->trigger();
    EXPECT_TRUE(gridOf(*list)->isColumnHidden(StationListModel::Altitude));
}

INSTANTIATE_TEST_SUITE_P(Engines, ListeColonnesTest, PLX_ENGINES, PLX_ENGINE_NAME);

// With PLX_SCREENSHOTS=<folder>, draws the chooser over the list of the demo network.
TEST(ListeColonnesScreenshot, ChooserOverTheList)
{
    const QString out = qEnvironmentVariable("PLX_SCREENSHOTS");
    if (out.isEmpty())
        GTEST_SKIP() << "set PLX_SCREENSHOTS to a folder to draw the chooser";
    QTemporaryDir dir;
    QString error;
    ASSERT_TRUE(plx::createDemoNetwork(dir.filePath(QStringLiteral("demo.sqlite")), &error))
        << error.toStdString();
    const plx::ScopedConnectionKind kind(plx::AccesBase::instance());
    switchUser(QStringLiteral("ADMIN"));
    QWidget frame;
    frame.resize(1366, 768);
    auto *screen = new ListePluviometres(&frame);
    screen->setGeometry(0, 0, 1366, 768);
    frame.show();
    ASSERT_TRUE(screen->applyColumnChoice({{StationListModel::Num, {}, true},
                                           {StationListModel::NomSite, {}, true},
                                           {StationListModel::Departement, {}, false}}));
    plx::ColumnChooser dialog(screen->columnChoice(), ListePluviometres::defaultColumnChoice(),
                              StationListModel::Num);
    dialog.show();
    QCoreApplication::processEvents();
    // Offscreen windows have no frame: draw the dialog over the list with a border.
    QImage picture = frame.grab().toImage();
    QPainter painter(&picture);
    const QPoint at((1366 - dialog.width()) / 2, (768 - dialog.height()) / 2);
    painter.drawPixmap(at, dialog.grab());
    painter.setPen(Qt::darkGray);
    painter.drawRect(QRect(at, dialog.size()).adjusted(-1, -1, 0, 0));
    painter.end();
    QDir().mkpath(out);
    EXPECT_TRUE(picture.save(QDir(out).filePath(QStringLiteral("choix_colonnes.png"))));
    plx::AccesBase::instance().Deconnecter();
}
