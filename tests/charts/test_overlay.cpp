#include "charts/overlaycurves.h"
#include "charts/overlaylists.h"
#include "charts/piezometerseries.h"
#include "charts/widgets/ctlgraphique.h"
#include "charts/widgets/editiongraphiquepluviopiezo.h"
#include "charts/widgets/editiongraphiquesuperposepluvio.h"
#include "charts/widgets/overlaydisplaylist.h"
#include "overlayfixture.h"
#include "seriesbuilder.h"
#include "support/clirunner.h"
#include "support/schemadatabasetest.h"

#include <QCheckBox>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <qcustomplot.h>

#include <cmath>

using namespace plx;

namespace {

std::shared_ptr<const StationSeries> rainfall(double mm)
{
    plxtest::SeriesBuilder builder;
    builder.days(QDate(2020, 1, 1), QDate(2020, 1, 31), [mm](QDate) { return mm; });
    builder.add(QDate(2020, 1, 15), 21.5, 4); // a free parameter beside the rainfall
    return std::make_shared<StationSeries>(builder.series());
}

std::shared_ptr<const PiezometerSeries> levels(bool withLevels)
{
    auto series = std::make_shared<PiezometerSeries>();
    for (int day = 0; day < 30; day += 3) {
        series->t.push_back((QDate(2020, 1, 1).toJulianDay() - 2440588 + day) * 86400 + 30600);
        series->level.push_back(withLevels ? 95.0 - day * 0.1 : std::nan(""));
        series->depth.push_back(25.0 + day * 0.1);
    }
    series->hasLevels = withLevels;
    series->hasDepths = true;
    return series;
}

QColor colourOf(CtlGraphique &chart, const QString &title)
{
    for (int i = 0; i < chart.plot()->plottableCount(); ++i) {
        QCPAbstractPlottable *p = chart.plot()->plottable(i);
        if (p->name() == title)
            return p->pen().style() == Qt::NoPen ? p->brush().color() : p->pen().color();
    }
    return QColor();
}

} // namespace

// Rainfall stays on the left axis and groundwater on the right, whatever is asked: a free
// parameter beside piezometers must not take the levels' axis; depths alone turn the
// right axis into "Profondeur en m", reversed; a depth-only piezometer beside levelled
// ones is named, not drawn on the levels' scale.
TEST(OverlayCurves, RainAndLevelAxesAreNotMixed)
{
    ChartRequest request;
    request.parametres = QStringLiteral("14");
    const std::vector<OverlayRainGauge> gauges{
        {QStringLiteral("11"), QStringLiteral("A"), rainfall(2)},
        {QStringLiteral("12"), QStringLiteral("B"), rainfall(3)}};

    // Rain gauges alone: the free parameter takes the right axis, as on the chronicle.
    ChartCurves alone = overlayCurves(gauges, {}, request, DataSelection());
    ASSERT_EQ(alone.curves.size(), 4u);
    EXPECT_EQ(alone.curves[0].title, QStringLiteral("A - Pluie"));
    EXPECT_EQ(alone.curves[0].station, QStringLiteral("11"));
    EXPECT_EQ(alone.curves[3].station, QStringLiteral("12"));
    EXPECT_TRUE(alone.curves[1].rightAxis);
    EXPECT_FALSE(alone.rightReversed);

    const std::vector<OverlayPiezometer> piezos{
        {QStringLiteral("7"), QStringLiteral("Puits"), levels(true)},
        {QStringLiteral("8"), QStringLiteral("Forage"), levels(false)}};
    ChartCurves both = overlayCurves(gauges, piezos, request, DataSelection(), true);
    EXPECT_EQ(both.rightLabel, QStringLiteral("Cotes NGF en m"));
    EXPECT_FALSE(both.rightReversed);
    EXPECT_TRUE(both.leftReversed);
    int right = 0;
    for (const ChartCurve &c : both.curves) {
        EXPECT_EQ(c.rightAxis, c.number >= 1000) << c.title.toStdString();
        right += c.rightAxis;
    }
    EXPECT_EQ(right, 1);
    const ChartCurve *puits = both.curve(1000);
    ASSERT_NE(puits, nullptr);
    EXPECT_EQ(puits->style, CurveStyle::Line);
    EXPECT_DOUBLE_EQ(puits->y.front(), 95.0);
    EXPECT_DOUBLE_EQ(puits->x.front(),
                     double((QDate(2020, 1, 1).toJulianDay() - 2440588) * 86400 + 30600));
    EXPECT_TRUE(both.legendNote.contains(QStringLiteral("Forage")));

    ChartCurves depths = overlayCurves({}, {piezos[1]}, request, DataSelection());
    EXPECT_EQ(depths.rightLabel, QStringLiteral("Profondeur en m"));
    EXPECT_TRUE(depths.rightReversed);
    ASSERT_EQ(depths.curves.size(), 1u);
    EXPECT_DOUBLE_EQ(depths.curves[0].y.front(), 25.0);

    // The chronicle's window applies to levels too.
    request.from = QDate(2020, 1, 10);
    request.to = QDate(2020, 1, 12);
    ChartCurves window = overlayCurves({}, {piezos[0]}, request, DataSelection());
    ASSERT_EQ(window.curves.size(), 1u);
    EXPECT_EQ(window.curves[0].x.size(), 1u); // day 9 from the 1st: the 10th
}

namespace {

class OverlayDatabase : public plxtest::SchemaDatabaseTest
{
protected:
    void SetUp() override
    {
        SchemaDatabaseTest::SetUp();
        if (!ready())
            return;
        plxtest::addRainGauge(11, QStringLiteral("L'ÉTANG"), 1);
        plxtest::addRainGauge(12, QStringLiteral("BERRE"), 2);
        plxtest::addRainGauge(13, QStringLiteral("CASSIS"), 3);
        plxtest::addPiezometer(7, QStringLiteral("Puits d'essai"), true);
        plxtest::addPiezometer(8, QStringLiteral("Forage sans cote"), false);
    }

    QStringList database() const
    {
        const ConnectionProfile &profile = runProfile();
        return profile.kind == QLatin1String("POSTGRESQL")
                   ? QStringList{QStringLiteral("--pg"), plxtest::pgConninfo(profile.database)}
                   : QStringList{QStringLiteral("--db"), profile.database};
    }
};

} // namespace

// Levels read by their stored date-times (day + time of day), unvalidated rows left out
// on request, a missing table read as empty and a bad code refused before any SQL.
TEST_P(OverlayDatabase, ReadsPiezometerLevels)
{
    if (!ready())
        return;
    AccesBase &db = AccesBase::instance();
    auto all = loadPiezometerSeries(db, QStringLiteral("7"));
    ASSERT_TRUE(all);
    ASSERT_EQ(all->t.size(), 53u);
    EXPECT_EQ(all->t.front(),
              (QDate(2020, 1, 5).toJulianDay() - 2440588) * 86400 + 8 * 3600 + 1800);
    EXPECT_TRUE(std::is_sorted(all->t.begin(), all->t.end()));
    EXPECT_TRUE(all->hasLevels);
    auto validated = loadPiezometerSeries(db, QStringLiteral("7"), false);
    ASSERT_TRUE(validated);
    EXPECT_EQ(validated->t.size(), 52u);
    auto depthsOnly = loadPiezometerSeries(db, QStringLiteral("8"));
    ASSERT_TRUE(depthsOnly);
    EXPECT_FALSE(depthsOnly->hasLevels);
    EXPECT_TRUE(depthsOnly->hasDepths);
    auto none = loadPiezometerSeries(db, QStringLiteral("99"));
    ASSERT_TRUE(none);
    EXPECT_TRUE(none->t.empty());
    QString error;
    EXPECT_FALSE(loadPiezometerSeries(db, QStringLiteral("7; DROP TABLE PZ_7"), true, &error));
    EXPECT_FALSE(error.isEmpty());
}

// The component's overlay: each station read once while listed, a repeated code drawn
// once, a station's colour kept when another is removed, and levels only with
// "SUPERPOSITION".
TEST_P(OverlayDatabase, ComponentReadsOnceAndKeepsColours)
{
    if (!ready())
        return;
    AccesBase &db = AccesBase::instance();
    CtlGraphique chart;
    chart.resize(1000, 600);
    ASSERT_TRUE(chart.InitialiserSuperposition(QStringLiteral("PLXReader"), db, nullptr));
    chart.Parametres = QStringLiteral("1");
    chart.Horizon = QStringLiteral("M");
    const QStringList etang{QStringLiteral("L'ÉTANG"), QString(), QStringLiteral("11")};
    const QStringList berre{QStringLiteral("BERRE"), QString(), QStringLiteral("12")};
    const QStringList cassis{QStringLiteral("CASSIS"), QString(), QStringLiteral("13")};
    chart.ListeCourbes = {etang, berre, cassis, etang};
    chart.ListePiezometres = {{QStringLiteral("Puits d'essai"), QString(), QStringLiteral("7")}};
    chart.Tracer();
    EXPECT_EQ(chart.seriesReads(), 3);
    ASSERT_EQ(chart.curves().curves.size(), 3u); // no piezometer without SUPERPOSITION
    EXPECT_TRUE(chart.curves().rightLabel.isEmpty());
    const QColor cassisColour = colourOf(chart, QStringLiteral("CASSIS"));
    const QColor etangColour = colourOf(chart, QStringLiteral("L'ÉTANG"));
    EXPECT_NE(cassisColour, etangColour);
    // Six monthly totals of 2020 for each station: 1, 2 and 3 times the same amounts.
    const ChartCurve *c = chart.curves().curve(301);
    ASSERT_NE(c, nullptr);
    EXPECT_DOUBLE_EQ(c->y[0], 3 * chart.curves().curve(101)->y[0]);

    chart.ListeCourbes = {etang, cassis};
    chart.Tracer();
    EXPECT_EQ(chart.seriesReads(), 3);
    EXPECT_EQ(colourOf(chart, QStringLiteral("CASSIS")), cassisColour);
    EXPECT_EQ(colourOf(chart, QStringLiteral("L'ÉTANG")), etangColour);

    chart.TypeEdition = QStringLiteral("SUPERPOSITION");
    chart.PluieVersLeBas = true;
    chart.ListeCourbes.append(berre); // read again: it had left the list
    chart.Tracer();
    EXPECT_EQ(chart.seriesReads(), 5);
    EXPECT_EQ(chart.curves().rightLabel, QStringLiteral("Cotes NGF en m"));
    EXPECT_TRUE(chart.plot()->yAxis->rangeReversed());
    EXPECT_EQ(chart.plot()->yAxis2->label(), QStringLiteral("Cotes NGF en m"));
    const ChartCurve *level = chart.curves().curve(1000);
    ASSERT_NE(level, nullptr);
    EXPECT_TRUE(level->rightAxis);
    EXPECT_EQ(colourOf(chart, QStringLiteral("CASSIS")), cassisColour);
}

// The command line draws both overlay screens; mistakes get one French line and code 2.
TEST_P(OverlayDatabase, CommandLineDrawsBothScreens)
{
    if (!ready())
        return;
    QTemporaryDir dir;
    const QString rain = dir.filePath(QStringLiteral("pluies.png"));
    plxtest::CliResult r =
        plxtest::runPlx(QStringList{QStringLiteral("chart")} + database() +
                        QStringList{QStringLiteral("--screen"), QStringLiteral("superposition"),
                                    QStringLiteral("--stations"), QStringLiteral("11,12"),
                                    QStringLiteral("--horizon"), QStringLiteral("M"),
                                    QStringLiteral("--out"), rain});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(QFile::exists(rain));

    const QString piezo = dir.filePath(QStringLiteral("pluviopiezo.svg"));
    r = plxtest::runPlx(QStringList{QStringLiteral("chart")} + database() +
                        QStringList{QStringLiteral("--screen"), QStringLiteral("pluviopiezo"),
                                    QStringLiteral("--stations"), QStringLiteral("11"),
                                    QStringLiteral("--piezos"), QStringLiteral("7"),
                                    QStringLiteral("--rain-down"), QStringLiteral("--out"), piezo});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    QFile svg(piezo);
    ASSERT_TRUE(svg.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(svg.readAll());
    EXPECT_TRUE(text.contains(QStringLiteral("Cotes NGF en m")));

    r = plxtest::runPlx(QStringList{QStringLiteral("chart")} + database() +
                        QStringList{QStringLiteral("--screen"), QStringLiteral("pluviopiezo"),
                                    QStringLiteral("--stations"), QStringLiteral("11"),
                                    QStringLiteral("--piezos"), QStringLiteral("x'"),
                                    QStringLiteral("--out"), piezo});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(r.err.contains(QStringLiteral("Code de piézomètre invalide")));
}

// The saved-list combo: ADMIN sees every list of the module, another user only those named
// for the login (in any case) or for "ALL"; a quote in a login cannot break out.
TEST_P(OverlayDatabase, SavedListsForAdminUserAndAll)
{
    if (!ready())
        return;
    AccesBase &db = AccesBase::instance();
    int code = 1;
    for (const auto &[label, owner] : std::vector<std::pair<QString, QString>>{
             {QStringLiteral("Liste de Paul"), QStringLiteral("paul")},
             {QStringLiteral("Commune"), QStringLiteral("ALL")},
             {QStringLiteral("Autre"), QStringLiteral("MARIE")}})
        plxtest::execOrFail(QStringLiteral("INSERT INTO Utilisateurs_Listes (Module, CodeListe, "
                                           "LibelleListe, formuleFiltre, Nom) VALUES ('PLX', %1, "
                                           "%2, 'PLUVIOMETRES.CodePluviometre < 13', %3)")
                                .arg(sqlNumber(code++), sqlQuote(label), sqlQuote(owner)));
    plxtest::execOrFail(
        QStringLiteral("INSERT INTO Utilisateurs_Listes (Module, CodeListe, "
                       "LibelleListe, Nom) VALUES ('PZX', 9, 'Autre module', 'ALL')"));
    const auto labels = [&](const QString &login) {
        QStringList out;
        for (const OverlaySavedList &list : overlaySavedLists(db, login))
            out << list.label;
        return out;
    };
    EXPECT_EQ(labels(QStringLiteral("ADMIN")),
              (QStringList{QStringLiteral("Autre"), QStringLiteral("Commune"),
                           QStringLiteral("Liste de Paul")}));
    EXPECT_EQ(labels(QStringLiteral("Paul")),
              (QStringList{QStringLiteral("Commune"), QStringLiteral("Liste de Paul")}));
    EXPECT_EQ(labels(QStringLiteral("o'hara')) OR (1=1")), QStringList{QStringLiteral("Commune")});

    const std::vector<OverlaySavedList> lists = overlaySavedLists(db, QStringLiteral("paul"));
    ASSERT_EQ(lists.size(), 2u);
    const QString shown = lists[1].comboText();
    EXPECT_TRUE(shown.startsWith(QStringLiteral("Liste de Paul") + QString(100, QLatin1Char(' ')) +
                                 QStringLiteral(" [")));
    EXPECT_EQ(overlaySavedListCode(shown), 1);
    EXPECT_EQ(lists[1].formuleFiltre, QStringLiteral("PLUVIOMETRES.CodePluviometre < 13"));
}

// The piezometers to pick from: one row per piezometer whatever its number of aquifers;
// a user with PIEZO scope rows sees only those, and a filter narrows the scope further.
TEST_P(OverlayDatabase, PiezometerListScopeAndAquifers)
{
    if (!ready())
        return;
    AccesBase &db = AccesBase::instance();
    plxtest::execOrFail(QStringLiteral("INSERT INTO ENTITES_HYDROGEOLOGIQUES (CodeEntiteHydro, "
                                       "Nom) VALUES ('A1', 'Calcaires'), ('A2', 'Alluvions')"));
    plxtest::execOrFail(QStringLiteral("INSERT INTO LIEN_PIEZO_ENTITE_HYDRO (CodePiezometre, "
                                       "CodeEntiteHydro) VALUES (7, 'A1'), (7, 'A2'), (8, 'A2')"));
    bool ok = false;
    std::vector<PiezometerListRow> all =
        loadPiezometerList(db, QStringLiteral("ADMIN"), false, QString(), &ok);
    ASSERT_TRUE(ok);
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[1].code, QStringLiteral("7"));
    EXPECT_EQ(all[1].entites.split(QStringLiteral(" / ")).size(), 2);
    EXPECT_EQ(all[1].altitude, QStringLiteral("120,00"));

    EXPECT_FALSE(hasPiezometerScope(db, QStringLiteral("lea")));
    plxtest::execOrFail(QStringLiteral("INSERT INTO utilisateurs_stations (login, typestation, "
                                       "identifiant) VALUES ('lea', 'PIEZO', '7'), "
                                       "('lea', 'PLUVIO', '8')"));
    EXPECT_TRUE(hasPiezometerScope(db, QStringLiteral("lea")));
    std::vector<PiezometerListRow> scoped =
        loadPiezometerList(db, QStringLiteral("lea"), true, QString(), &ok);
    ASSERT_TRUE(ok);
    ASSERT_EQ(scoped.size(), 1u);
    EXPECT_EQ(scoped[0].code, QStringLiteral("7"));
    // Scope AND filter: a filter matching only the other piezometer leaves nothing.
    EXPECT_TRUE(loadPiezometerList(db, QStringLiteral("lea"), true,
                                   QStringLiteral("PIEZOMETRES.CodePiezometre = 8 OR 1=1"), &ok)
                    .size() == 1u);
    EXPECT_TRUE(loadPiezometerList(db, QStringLiteral("lea"), true,
                                   QStringLiteral("PIEZOMETRES.CodePiezometre = 8"), &ok)
                    .empty());
    EXPECT_TRUE(piezometerListQuery(QStringLiteral("l'ea"), true, QString())
                    .contains(QStringLiteral("login='l''ea'")));
}

namespace {

// Selects the pick list's row of that code, as a click would.
bool selectCode(QTableWidget *list, int column, const QString &code)
{
    for (int r = 0; r < list->rowCount(); ++r)
        if (list->item(r, column) && list->item(r, column)->text() == code) {
            list->setCurrentCell(r, column);
            return true;
        }
    return false;
}

void clickMark(QTableWidget *list, int row)
{
    const QRect cell = list->visualItemRect(list->item(row, 0));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, cell.center());
}

} // namespace

// The rain-gauge overlay driven as a user would: "Ajouter" twice keeps one row, a click on
// the mark takes the station off the chart but not off the list, removal keeps the other
// stations' colours.
TEST_P(OverlayDatabase, RainGaugeOverlayScreen)
{
    if (!ready())
        return;
    EditionGraphiqueSuperposePluvio screen;
    screen.resize(1366, 768);
    screen.show();
    QTableWidget *pick = screen.findChild<QTableWidget *>(QStringLiteral("SprPluviometres"));
    auto *add = screen.findChild<QPushButton *>(QStringLiteral("cmdAjoutPluvio"));
    auto *display = screen.findChild<OverlayDisplayList *>(QStringLiteral("SprAffichage"));
    ASSERT_TRUE(pick && add && display);
    ASSERT_EQ(pick->rowCount(), 3);
    for (const char *code : {"11", "12", "12", "13"}) {
        ASSERT_TRUE(selectCode(pick, 0, QString::fromLatin1(code)));
        add->click();
    }
    ASSERT_EQ(display->rowCount(), 3);
    EXPECT_EQ(display->item(1, 4)->text(), QStringLiteral("12"));
    EXPECT_EQ(display->item(1, 1)->text(), QStringLiteral("BERRE"));
    CtlGraphique *chart = screen.chart();
    EXPECT_EQ(chart->ListeCourbes.size(), 3);
    EXPECT_EQ(chart->curves().curves.size(), 3u);
    const QColor cassis = colourOf(*chart, QStringLiteral("CASSIS"));

    clickMark(display, 0); // L'ÉTANG kept in the list, not drawn
    EXPECT_TRUE(display->item(0, 0)->text().isEmpty());
    EXPECT_EQ(display->rowCount(), 3);
    ASSERT_EQ(chart->curves().curves.size(), 2u);
    for (const ChartCurve &c : chart->curves().curves)
        EXPECT_NE(c.station, QStringLiteral("11"));

    display->setCurrentCell(1, 1);
    screen.findChild<QPushButton *>(QStringLiteral("cmdSuppressionPluvio"))->click();
    EXPECT_EQ(display->rowCount(), 2);
    ASSERT_EQ(chart->curves().curves.size(), 1u);
    EXPECT_EQ(colourOf(*chart, QStringLiteral("CASSIS")), cassis);

    clickMark(display, 0); // drawn again
    EXPECT_EQ(chart->curves().curves.size(), 2u);
    EXPECT_TRUE(messages.isEmpty()) << messages.join(QLatin1Char('\n')).toStdString();
}

// Rain against groundwater: a rain gauge and a piezometer picked from their lists give
// rainfall bars on the left axis and the level line on the right; the check box hangs
// the rainfall from the top.
TEST_P(OverlayDatabase, RainAndGroundwaterScreen)
{
    if (!ready())
        return;
    EditionGraphiquePluvioPiezo screen;
    screen.resize(1366, 768);
    screen.show();
    QTableWidget *piezos = screen.findChild<QTableWidget *>(QStringLiteral("SprPiezometres"));
    ASSERT_TRUE(piezos);
    ASSERT_EQ(piezos->rowCount(), 2);
    ASSERT_TRUE(selectCode(piezos, 3, QStringLiteral("7")));
    screen.findChild<QPushButton *>(QStringLiteral("cmdAjoutPiezo"))->click();
    screen.addRainGauges({QStringLiteral("12")});
    CtlGraphique *chart = screen.chart();
    ASSERT_EQ(chart->curves().curves.size(), 2u);
    EXPECT_EQ(chart->TypeEdition, QStringLiteral("SUPERPOSITION"));
    EXPECT_FALSE(chart->curves().curves[0].rightAxis);
    EXPECT_EQ(chart->curves().curves[0].style, CurveStyle::Bars);
    EXPECT_TRUE(chart->curves().curves[1].rightAxis);
    EXPECT_EQ(chart->plot()->yAxis2->label(), QStringLiteral("Cotes NGF en m"));
    auto *down = screen.findChild<QCheckBox *>(QStringLiteral("ChkPluieVersLeBas"));
    ASSERT_TRUE(down);
    EXPECT_TRUE(chart->plot()->yAxis->rangeReversed());
    down->click();
    EXPECT_FALSE(chart->plot()->yAxis->rangeReversed());
    screen.findChild<QPushButton *>(QStringLiteral("cmdSuppressionPiezo"))->click();
    EXPECT_EQ(chart->curves().curves.size(), 1u);
    EXPECT_TRUE(chart->curves().rightLabel.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Engines, OverlayDatabase, PLX_ENGINES, PLX_ENGINE_NAME);
