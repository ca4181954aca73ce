#include "base/locale.h"
#include "base/widgets/navigator.h"
#include "config/settings.h"
#include "charts/widgets/ctlgraphique.h"
#include "charts/widgets/editiongraphique.h"
#include "charts/widgets/editiongraphiqueannee.h"
#include "db/accesbase.h"
#include "db/dialect.h"
#include "db/sqltext.h"
#include "measures/measurementtable.h"
#include "measures/widgets/validation.h"
#include "measures/widgets/validationmodel.h"
#include "outputs/widgets/gridexport.h"
#include "run/widgets/mainwindow.h"
#include "schema/periodes.h"
#include "schema/schemacatalog.h"
#include "session/session.h"
#include "stations/widgets/fichepluviometre.h"
#include "stations/widgets/listepluviometres.h"
#include "support/findchild.h"
#include "support/schemadatabasetest.h"
#include "support/zipread.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

using namespace plx;
using plxtest::child;

namespace {

// Seven complete years of daily rainfall and evapotranspiration, so that every
// statistical curve has enough years to be drawn.
const QDate kFirstDay(2014, 1, 1);
const QDate kLastDay(2020, 12, 31);

class ChartScreenTest : public plxtest::SchemaDatabaseTest
{
protected:
    void SetUp() override
    {
        SchemaDatabaseTest::SetUp();
        if (!ready())
            return;
        session().login = QStringLiteral("REF");
        session().isAdmin = true;
        for (const char *values :
             {"7, 'Istres', '13047/001'", "8, 'Salon', '13103/001'", "9, 'Arles', '13004/001'"})
            exec(QStringLiteral("INSERT INTO PLUVIOMETRES (CodePluviometre, Nom, Identifiant) "
                                "VALUES (%1)")
                     .arg(QLatin1String(values)));
        fillDaily();
        for (int month = 1; month <= 12; ++month)
            exec(QStringLiteral("INSERT INTO PLUVIOMETRE_NORMALES (CodePluviometre, Mois, Valeur, "
                                "etp, pluieEfficace) VALUES (7, %1, %2, 80, 20)")
                     .arg(sqlNumber(month), sqlNumber(40 + month)));
        exec(QStringLiteral("INSERT INTO PLUVIOMETRE_NORMALES (CodePluviometre, Mois, Titre) "
                            "VALUES (7, -1, 'Moyennes 1991-2020')"));
    }

    void TearDown() override
    {
        if (Navigator *navigator = navigatorFor(nullptr))
            navigator->closeAllScreens();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        SchemaDatabaseTest::TearDown();
    }

    static void exec(const QString &sql)
    {
        QString error;
        ASSERT_TRUE(AccesBase::instance().Execute(sql, &error))
            << sql.toStdString() << ": " << error.toStdString();
    }

    static void fillDaily()
    {
        AccesBase &db = AccesBase::instance();
        const ScopedConnectionKind kind(db);
        ASSERT_TRUE(CreateMeasurementTable(db, QStringLiteral("7"), false));
        ASSERT_TRUE(db.DebutTransaction());
        int i = 0;
        for (QDate day = kFirstDay; day <= kLastDay; day = day.addDays(1), ++i) {
            exec(QStringLiteral("INSERT INTO PLUVIO_7 (DateCreation, Heure, Pluie, Etp, Validite, "
                                "Continuite, ModeObtention) VALUES (%1, %2, %3, %4, 'V', 0, 'A')")
                     .arg(FormatDateSQL(formatDate(day), false),
                          FormatHeureSQL(QStringLiteral("00:00:00")), sqlNumber(i % 7),
                          sqlNumber(2 + i % 3)));
        }
        ASSERT_TRUE(db.FinTransaction(true));
    }

    static void click(QWidget *screen, const QString &name)
    {
        if (auto *button = child<QAbstractButton>(screen, name))
            button->click();
    }

    // Whether numbered curve is drawn visible; fails when the chart has no such curve.
    static bool shown(const CtlGraphique *chart, int number)
    {
        const ChartCurve *curve = chart->curves().curve(number);
        EXPECT_NE(curve, nullptr) << "no curve " << number;
        return curve && curve->visible;
    }

    template <typename Screen> static Screen *openedScreen()
    {
        Navigator *navigator = navigatorFor(nullptr);
        for (QWidget *screen : navigator->screens()) {
            if (auto *found = qobject_cast<Screen *>(screen))
                return found;
        }
        return nullptr;
    }

    static std::unique_ptr<EditionGraphiqueAnnee> yearlyScreen()
    {
        auto screen = std::make_unique<EditionGraphiqueAnnee>();
        screen->resize(1366, 768);
        screen->show();
        screen->InitDebranchement(QStringLiteral("7"));
        return screen;
    }
};

TEST_P(ChartScreenTest, YearlyBoxesAddressTheirOwnCurveAndSurviveRedraws)
{
    if (!ready())
        return;
    auto screen = yearlyScreen();
    CtlGraphique *chart = screen->chart();
    ASSERT_EQ(chart->objectName(), QStringLiteral("CtlGraphique1"));
    EXPECT_EQ(screen->windowTitle(), QStringLiteral("Graphique annuel - Istres (13047/001)"));
    EXPECT_TRUE(screen->isInitialised());
    EXPECT_EQ(chart->TypeEdition, QStringLiteral("EDITION"));

    const std::vector<std::pair<QString, int>> statistics{
        {QStringLiteral("ChkAnnee"), 1},
        {QStringLiteral("ChkEnveloppeMini"), 2},
        {QStringLiteral("ChkEnveloppeMoyenne"), 3},
        {QStringLiteral("ChkEnveloppeMaxi"), 4},
        {QStringLiteral("ChkQuintile1"), 5},
        {QStringLiteral("ChkQuintile2"), 6},
        {QStringLiteral("ChkQuintile3"), 7},
        {QStringLiteral("ChkQuintile4"), 8},
        {QStringLiteral("ChkMediane"), 9},
        {QStringLiteral("ChkNormales"), 10}};
    auto checkOnlyHidden = [&](const std::vector<std::pair<QString, int>> &boxes, int hidden,
                               const QString &name) {
        for (const auto &[other, curve] : boxes)
            EXPECT_EQ(shown(chart, curve), curve != hidden) << name.toStdString() << " → " << curve;
    };
    for (const auto &[name, curve] : statistics) {
        click(screen.get(), name);
        checkOnlyHidden(statistics, curve, name);
        click(screen.get(), name);
        checkOnlyHidden(statistics, -1, name);
    }
    EXPECT_EQ(child<QCheckBox>(screen.get(), QStringLiteral("ChkNormales"))->text(),
              QStringLiteral("Normales Météo FRance"));

    // A redraw (another visualisation) keeps what the boxes hide.
    click(screen.get(), QStringLiteral("ChkMediane"));
    click(screen.get(), QStringLiteral("OptVisualisation_1"));
    EXPECT_EQ(chart->Visualisation, QStringLiteral("COURBE"));
    checkOnlyHidden(statistics, 9, QStringLiteral("after a redraw"));

    // Monthly cumulation: month m is curve m, and only the month boxes show.
    click(screen.get(), QStringLiteral("OptStatistiques_1"));
    EXPECT_EQ(chart->TypeEdition, QStringLiteral("CUMUL_MENSUEL"));
    const std::vector<std::pair<QString, int>> months{
        {QStringLiteral("ChkJanvier"), 1},   {QStringLiteral("ChkFevrier"), 2},
        {QStringLiteral("ChkMars"), 3},      {QStringLiteral("ChkAvril"), 4},
        {QStringLiteral("ChkMai"), 5},       {QStringLiteral("ChkJuin"), 6},
        {QStringLiteral("ChkJuillet"), 7},   {QStringLiteral("ChkAout"), 8},
        {QStringLiteral("ChkSeptembre"), 9}, {QStringLiteral("ChkOctobre"), 10},
        {QStringLiteral("ChkNovembre"), 11}, {QStringLiteral("ChkDecembre"), 12}};
    for (const auto &[name, curve] : months) {
        EXPECT_TRUE(child<QCheckBox>(screen.get(), name)->isVisibleTo(screen.get()));
        click(screen.get(), name);
        checkOnlyHidden(months, curve, name);
        click(screen.get(), name);
    }
    for (const auto &[name, curve] : statistics)
        EXPECT_FALSE(child<QCheckBox>(screen.get(), name)->isVisibleTo(screen.get()));

    // Yearly cumulation: one curve, shown; neither kind of box.
    click(screen.get(), QStringLiteral("OptStatistiques_2"));
    EXPECT_EQ(chart->TypeEdition, QStringLiteral("CUMUL_ANNUEL"));
    EXPECT_TRUE(shown(chart, 1));
    EXPECT_FALSE(
        child<QCheckBox>(screen.get(), QStringLiteral("ChkMars"))->isVisibleTo(screen.get()));
    EXPECT_FALSE(
        child<QCheckBox>(screen.get(), QStringLiteral("ChkAnnee"))->isVisibleTo(screen.get()));

    // Back in the statistics, the boxes unchecked before still hide their curve.
    click(screen.get(), QStringLiteral("OptStatistiques_0"));
    checkOnlyHidden(statistics, 9, QStringLiteral("back to statistics"));
}

TEST_P(ChartScreenTest, YearlyOptionsSendTheRightHorizonParameterAndYear)
{
    if (!ready())
        return;
    auto screen = yearlyScreen();
    CtlGraphique *chart = screen->chart();
    EXPECT_EQ(chart->Horizon, QStringLiteral("M"));
    EXPECT_EQ(chart->Parametres, QStringLiteral("1"));
    click(screen.get(), QStringLiteral("OptAnnee_1"));
    EXPECT_EQ(chart->Horizon, QStringLiteral("H"));
    click(screen.get(), QStringLiteral("OptVisualisation_3"));
    EXPECT_EQ(chart->Visualisation, QStringLiteral("COURBE"));
    EXPECT_TRUE(chart->Cumul);

    click(screen.get(), QStringLiteral("OptStatistiques_2"));
    EXPECT_EQ(chart->Horizon, QStringLiteral("H"));
    EXPECT_EQ(chart->Visualisation, QStringLiteral("HISTO")) << "cumulations draw bars";
    EXPECT_FALSE(child<QWidget>(screen.get(), QStringLiteral("OptVisualisation"))->isEnabled());
    click(screen.get(), QStringLiteral("OptAnnee_0"));
    EXPECT_EQ(chart->Horizon, QStringLiteral("A")) << "a calendar year, not months";
    click(screen.get(), QStringLiteral("OptStatistiques_1"));
    EXPECT_EQ(chart->Horizon, QStringLiteral("A"));
    click(screen.get(), QStringLiteral("OptStatistiques_0"));
    EXPECT_EQ(chart->Horizon, QStringLiteral("M"));
    EXPECT_EQ(chart->Visualisation, QStringLiteral("COURBE"));

    click(screen.get(), QStringLiteral("OptParametre_2"));
    EXPECT_EQ(chart->Parametres, QStringLiteral("3"));

    // The year control follows the chart (the last measured year first) and drives it.
    auto *year = child<QSpinBox>(screen.get(), QStringLiteral("SpnAnnee"));
    EXPECT_EQ(year->value(), kLastDay.year());
    EXPECT_EQ(chart->selectedYear(), kLastDay.year());
    year->setValue(2017);
    EXPECT_EQ(chart->selectedYear(), 2017);
    QTest::keyClick(year, Qt::Key_Down);
    EXPECT_EQ(chart->selectedYear(), 2016);
    click(screen.get(), QStringLiteral("CmdAnneeSuivante"));
    EXPECT_EQ(chart->selectedYear(), 2017);
    EXPECT_EQ(year->value(), 2017);
}

TEST_P(ChartScreenTest, FreeParametersAndMonthsFollowTheSettings)
{
    if (!ready())
        return;
    // Parameter 4 labelled, 5 with an empty label, 6 without a row.
    exec(QStringLiteral("INSERT INTO PARAMETRAGE_DATA (id, libelle, projet) VALUES (1, "
                        "'Température', 'PLX')"));
    exec(
        QStringLiteral("INSERT INTO PARAMETRAGE_DATA (id, libelle, projet) VALUES (2, '', 'PLX')"));

    struct Expected
    {
        const char *start;
        const char *first;
        const char *last;
    };
    for (const Expected &e :
         {Expected{"01", "ChkJanvier", "ChkDecembre"}, Expected{"09", "ChkSeptembre", "ChkAout"},
          Expected{"10", "ChkOctobre", "ChkSeptembre"}}) {
        QString error;
        ASSERT_TRUE(writeHydroStartMonth(AccesBase::instance(), QLatin1String(e.start),
                                         QStringLiteral("REF"), &error))
            << error.toStdString();
        auto screen = yearlyScreen();
        click(screen.get(), QStringLiteral("OptStatistiques_1"));
        // The order the user sees, top to bottom.
        auto boxesByHeight = [&screen] {
            QApplication::processEvents();
            std::vector<QCheckBox *> boxes = screen->monthBoxesInOrder();
            std::stable_sort(boxes.begin(), boxes.end(), [](QCheckBox *a, QCheckBox *b) {
                return a->mapTo(a->window(), QPoint()).y() < b->mapTo(b->window(), QPoint()).y();
            });
            return boxes;
        };
        std::vector<QCheckBox *> boxes = boxesByHeight();
        ASSERT_EQ(boxes.size(), 12u);
        EXPECT_EQ(boxes.front()->objectName(), QStringLiteral("ChkJanvier")) << e.start;
        click(screen.get(), QStringLiteral("OptAnnee_1"));
        boxes = boxesByHeight();
        EXPECT_EQ(boxes.front()->objectName(), QLatin1String(e.first)) << e.start;
        EXPECT_EQ(boxes.back()->objectName(), QLatin1String(e.last)) << e.start;
        EXPECT_EQ(screen->chart()->Horizon, QStringLiteral("H"));

        auto *labelled = child<QAbstractButton>(screen.get(), QStringLiteral("OptParametre_3"));
        EXPECT_EQ(labelled->text(), QStringLiteral("Température"));
        EXPECT_TRUE(labelled->isVisibleTo(screen.get()));
        EXPECT_FALSE(child<QWidget>(screen.get(), QStringLiteral("OptParametre_4"))
                         ->isVisibleTo(screen.get()));
        EXPECT_FALSE(child<QWidget>(screen.get(), QStringLiteral("OptParametre_5"))
                         ->isVisibleTo(screen.get()));
    }

    EditionGraphique chronicle;
    chronicle.show();
    chronicle.InitDebranchement(QStringLiteral("7"));
    EXPECT_EQ(child<QCheckBox>(&chronicle, QStringLiteral("ChkParametre1"))->text(),
              QStringLiteral("Température"));
    for (const char *hidden : {"ChkParametre2", "ChkParametre3"})
        EXPECT_FALSE(child<QCheckBox>(&chronicle, QLatin1String(hidden))->isVisibleTo(&chronicle));
    EXPECT_EQ(child<QCheckBox>(&chronicle, QStringLiteral("ChkEtp"))->text(),
              QStringLiteral("Etp"));
}

TEST_P(ChartScreenTest, ChronicleOptionsGiveTheComponentItsProperties)
{
    if (!ready())
        return;
    EditionGraphique screen;
    screen.resize(1366, 768);
    screen.show();
    screen.InitDebranchement(QStringLiteral("7"));
    CtlGraphique *chart = screen.chart();
    EXPECT_EQ(screen.windowTitle(), QStringLiteral("Graphique chronologique - Istres (13047/001)"));
    EXPECT_TRUE(child<QWidget>(&screen, QStringLiteral("FrmStatistiques"))->isVisible());
    EXPECT_EQ(chart->TypeEdition, QStringLiteral("EDITION"));
    EXPECT_EQ(chart->Parametres, QStringLiteral("1"));

    click(&screen, QStringLiteral("ChkPluie"));
    EXPECT_EQ(chart->Parametres, QString()) << "nothing checked";
    click(&screen, QStringLiteral("ChkEtp"));
    click(&screen, QStringLiteral("ChkPluie"));
    EXPECT_EQ(chart->Parametres, QStringLiteral("13"));
    EXPECT_TRUE(shown(chart, 1));
    EXPECT_TRUE(shown(chart, 3));
    EXPECT_EQ(chart->curves().curve(2), nullptr);

    const QString codes = QStringLiteral("SDMTAH");
    for (int i = 0; i < 6; ++i) {
        click(&screen, QStringLiteral("OptHorizon_") + QString::number(i));
        EXPECT_EQ(chart->Horizon, QString(codes.at(i))) << i;
    }
    click(&screen, QStringLiteral("OptVisualisation_2"));
    EXPECT_EQ(chart->Visualisation, QStringLiteral("HISTO"));
    EXPECT_TRUE(chart->Cumul);
    click(&screen, QStringLiteral("OptVisualisation_1"));
    EXPECT_EQ(chart->Visualisation, QStringLiteral("COURBE"));
    EXPECT_FALSE(chart->Cumul);
    EXPECT_TRUE(shown(chart, 1)) << "a redraw keeps the checked curves";
}

TEST_P(ChartScreenTest, ListAndRecordOpenTheChartsAndStepThroughTheList)
{
    if (!ready())
        return;
    ListePluviometres list;
    list.show();
    const QStringList codes = list.visibleCodes();
    ASSERT_EQ(codes.size(), 3);
    auto *grid = child<QTableView>(&list, QStringLiteral("SprPluviometres"));
    grid->setCurrentIndex(grid->model()->index(2, 1));

    click(&list, QStringLiteral("CmdGraphiqueAnnee"));
    EditionGraphiqueAnnee *yearly = openedScreen<EditionGraphiqueAnnee>();
    ASSERT_NE(yearly, nullptr);
    EXPECT_EQ(yearly->stationCode(), codes.at(2));
    // Next from the last row wraps to the first; previous comes back.
    click(yearly, QStringLiteral("CmdSuivant"));
    EXPECT_EQ(yearly->stationCode(), codes.at(0));
    click(yearly, QStringLiteral("CmdPrecedent"));
    EXPECT_EQ(yearly->stationCode(), codes.at(2));
    click(yearly, QStringLiteral("CmdPrecedent"));
    EXPECT_EQ(yearly->stationCode(), codes.at(1));

    click(&list, QStringLiteral("CmdChronique"));
    EditionGraphique *chronicle = openedScreen<EditionGraphique>();
    ASSERT_NE(chronicle, nullptr);
    EXPECT_EQ(chronicle->stationCode(), codes.at(2));
    EXPECT_FALSE(chronicle->isGridMode());
    // The chart screens open each other on their station.
    yearly->openChronicle();
    EXPECT_EQ(chronicle->stationCode(), codes.at(1));

    // The record's chart menu, on the record's station; one screen per kind.
    FichePluviometre record;
    ASSERT_TRUE(record.ChargementFichePluviometre(QStringLiteral("7")));
    record.show();
    child<QAction>(&record, QStringLiteral("MnuGraphiqueAnnee"))->trigger();
    EXPECT_EQ(openedScreen<EditionGraphiqueAnnee>(), yearly);
    EXPECT_EQ(yearly->stationCode(), QStringLiteral("7"));
    child<QAction>(&record, QStringLiteral("MnuChronique"))->trigger();
    EXPECT_EQ(chronicle->stationCode(), QStringLiteral("7"));
    EXPECT_TRUE(messages.isEmpty()) << messages.join(QLatin1Char('\n')).toStdString();
}

TEST_P(ChartScreenTest, MainWindowMenuAndToolbarOpenTheChartsOfTheActiveScreen)
{
    if (!ready())
        return;
    MainWindow window;
    window.setVersionCheckAtStart(false);
    window.show();
    auto *chronicleEntry = child<QAction>(&window, QStringLiteral("MnuChronique"));
    auto *yearlyEntry = child<QAction>(&window, QStringLiteral("MnuGraphiqueAnnee"));
    EXPECT_FALSE(yearlyEntry->isEnabled()) << "no screen, no station";
    EXPECT_TRUE(window.findChild<QToolBar *>()->actions().contains(yearlyEntry));

    window.openStationList();
    auto *list = qobject_cast<ListePluviometres *>(window.activeScreen());
    ASSERT_NE(list, nullptr);
    auto *grid = child<QTableView>(list, QStringLiteral("SprPluviometres"));
    grid->setCurrentIndex(grid->model()->index(0, 1));
    EXPECT_TRUE(yearlyEntry->isEnabled());
    yearlyEntry->trigger();
    auto *yearly = qobject_cast<EditionGraphiqueAnnee *>(window.activeScreen());
    ASSERT_NE(yearly, nullptr);
    EXPECT_EQ(yearly->stationCode(), list->visibleCodes().at(0));
    // From the yearly chart, the chronicle of the same station; the toolbar reaches both.
    EXPECT_TRUE(child<QAction>(&window, QStringLiteral("toolbarAction9"))->isEnabled());
    chronicleEntry->trigger();
    auto *chronicle = qobject_cast<EditionGraphique *>(window.activeScreen());
    ASSERT_NE(chronicle, nullptr);
    EXPECT_EQ(chronicle->stationCode(), yearly->stationCode());

    auto *windowMenu = child<QMenu>(&window, QStringLiteral("MenuFenetre"));
    emit windowMenu->aboutToShow();
    QStringList entries;
    for (QAction *action : windowMenu->actions())
        entries << action->text();
    EXPECT_TRUE(entries.contains(QStringLiteral("&3 ") + chronicle->windowTitle()))
        << entries.join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(chronicle->windowTitle().startsWith(QStringLiteral("Graphique chronologique - ")));
}

TEST_P(ChartScreenTest, ValidationEditorChartsItsLoadedWindow)
{
    if (!ready())
        return;
    auto *editor = Validation::openFor(*navigatorFor(nullptr), QStringLiteral("7"), {});
    ASSERT_NE(editor, nullptr);
    child<QLineEdit>(editor, QStringLiteral("TxtDateDebut"))->setText(QStringLiteral("01/03/2020"));
    child<QLineEdit>(editor, QStringLiteral("txtDateFin"))->setText(QStringLiteral("31/03/2020"));
    click(editor, QStringLiteral("CmdChargement"));
    ASSERT_EQ(editor->model()->rowCount(), 31);

    // The station's own chronicle stays beside the grid's chart.
    navigatorFor(nullptr)->openStationChart(QStringLiteral("8"), Navigator::StationChart::Chronicle,
                                            {});
    click(editor, QStringLiteral("CmdGraphique"));
    EditionGraphique *grid = nullptr;
    int chronicles = 0;
    for (QWidget *screen : navigatorFor(nullptr)->screens()) {
        if (auto *chart = qobject_cast<EditionGraphique *>(screen)) {
            ++chronicles;
            if (chart->isGridMode())
                grid = chart;
        }
    }
    EXPECT_EQ(chronicles, 2);
    ASSERT_NE(grid, nullptr);
    const ChartCurves &curves = grid->chart()->curves();
    ASSERT_FALSE(curves.curves.empty());
    EXPECT_EQ(curves.curves[0].number, 1);
    EXPECT_EQ(curves.curves[0].x.size(), 31u);
    QDate start, end;
    grid->chart()->RecupDatesChargement(start, end);
    EXPECT_EQ(start, QDate(2020, 3, 1));
    EXPECT_EQ(end, QDate(2020, 3, 31));
}

// The toolbar's spreadsheet button on a chart screen: the visible curves as a table and a
// native chart over those cells, in the export folder under the screen's title, opened with
// the desktop's handler (replaced here); the record exports its situation grid.
TEST_P(ChartScreenTest, ExcelButtonWritesTheCurvesWithANativeChart)
{
    if (!ready())
        return;
    QTemporaryDir folder;
    ASSERT_TRUE(EcrireParametre(QStringLiteral("CheminExport"), folder.path()));
    QStringList opened;
    const ExportedFileOpener previous =
        setExportedFileOpener([&](const QString &path) { opened << path; });

    const auto screen = yearlyScreen();
    const int curves = int(std::count_if(screen->chart()->curves().curves.begin(),
                                         screen->chart()->curves().curves.end(),
                                         [](const ChartCurve &c) { return c.visible; }));
    ASSERT_GT(curves, 0);
    screen->DeclencheExcel();
    ASSERT_EQ(opened.size(), 1);
    EXPECT_EQ(QFileInfo(opened[0]).dir().absolutePath(), QDir(folder.path()).absolutePath());
    EXPECT_TRUE(opened[0].endsWith(QStringLiteral(".xlsx")));
    EXPECT_FALSE(QFileInfo(opened[0]).fileName().contains(QLatin1Char('/')));
    const QString chart =
        QString::fromUtf8(plxtest::zipEntry(opened[0], QStringLiteral("xl/charts/chart1.xml")));
    EXPECT_EQ(int(chart.count(QStringLiteral("<c:ser>"))), curves);
    EXPECT_TRUE(chart.contains(QStringLiteral("<c:strRef><c:f>"))) << "month labels as categories";
    const QStringList cells = plxtest::xlsxCells(
        plxtest::zipEntry(opened[0], QStringLiteral("xl/worksheets/sheet1.xml")));
    EXPECT_TRUE(cells.contains(QStringLiteral("A2:1:inlineStr:Période")))
        << cells.mid(0, 6).join(QLatin1Char(' ')).toStdString();

    FichePluviometre record;
    ASSERT_TRUE(record.ChargementFichePluviometre(QStringLiteral("7")));
    record.DeclencheExcel();
    ASSERT_EQ(opened.size(), 2);
    EXPECT_EQ(QFileInfo(opened[1]).fileName(), QStringLiteral("Situation.xlsx"));
    EXPECT_TRUE(plxtest::zipEntry(opened[1], QStringLiteral("xl/worksheets/sheet1.xml"))
                    .contains("Situation"));
    setExportedFileOpener(previous);
}

INSTANTIATE_TEST_SUITE_P(Engines, ChartScreenTest, PLX_ENGINES, PLX_ENGINE_NAME);

} // namespace
