#include "base/locale.h"
#include "base/widgets/navigator.h"
#include "charts/chartengine.h"
#include "charts/chartoptions.h"
#include "charts/internalstatistics.h"
#include "charts/normalstitle.h"
#include "charts/widgets/ctlgraphique.h"
#include "charts/widgets/editiongraphiqueannuaire.h"
#include "charts/widgets/editiongraphiquecompnormale.h"
#include "db/accesbase.h"
#include "db/dialect.h"
#include "db/sqltext.h"
#include "measures/measurementtable.h"
#include "schema/schemacatalog.h"
#include "seriesbuilder.h"
#include "session/session.h"
#include "stations/widgets/fichepluviometre.h"
#include "stations/widgets/listepluviometres.h"
#include "support/clirunner.h"
#include "support/findchild.h"
#include "support/schemadatabasetest.h"

#include <QAbstractButton>
#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCoreApplication>
#include <QFileInfo>
#include <QImage>
#include <QLineEdit>
#include <QTableView>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

using namespace plx;
using plxtest::child;
using plxtest::kNoValue;
using plxtest::SeriesBuilder;

namespace {

StationNormals monthlyNormals(const QString &title)
{
    StationNormals n;
    n.title = title;
    for (size_t m = 0; m < 12; ++m) {
        n.pluie[m] = 10.0 * double(m + 1);
        n.pluieEfficace[m] = kNoValue;
        n.etp[m] = 100 + double(m);
    }
    n.hasMonths = true;
    return n;
}

} // namespace

// The upper chart's options: the monthly cumulation sends "1" and "M" whatever was set,
// then the chosen parameter; the statistics mode keeps the yearly chart's codes. The
// normals comparison sends its horizon codes and one parameter.
TEST(YearbookOptions, MonthlyCumulationForcesItsParameterAndHorizon)
{
    const ChartProperties before{QStringLiteral("EDITION"), QStringLiteral("3"),
                                 QStringLiteral("H"), QStringLiteral("COURBE"), true};
    ChartProperties p = yearbookProperties(before, kMonthlyCumulMode, kHydroYear, 1, kNoChoice);
    EXPECT_EQ(p.typeEdition, QStringLiteral("CUMUL_MENSUEL"));
    EXPECT_EQ(p.parametres, QStringLiteral("1")) << "forced when no parameter is chosen";
    EXPECT_EQ(p.horizon, QStringLiteral("M")) << "even for a hydrological year";
    p = yearbookProperties(before, kMonthlyCumulMode, kCivilYear, 1, 2);
    EXPECT_EQ(p.parametres, QStringLiteral("3")) << "the chosen parameter overrides";
    EXPECT_EQ(p.horizon, QStringLiteral("M"));
    p = yearbookProperties(before, kStatisticsMode, kHydroYear, 2, 0);
    EXPECT_EQ(p.typeEdition, QStringLiteral("EDITION"));
    EXPECT_EQ(p.horizon, QStringLiteral("H"));
    EXPECT_EQ(p.parametres, QStringLiteral("1"));
    EXPECT_TRUE(p.cumul);
    // Neither mode: only the parameter.
    p = yearbookProperties(before, kNoChoice, kNoChoice, kNoChoice, 4);
    EXPECT_EQ(p.typeEdition, QStringLiteral("EDITION"));
    EXPECT_EQ(p.horizon, QStringLiteral("H"));
    EXPECT_EQ(p.parametres, QStringLiteral("5"));

    EXPECT_EQ(normalsHorizonCode(0), QStringLiteral("M"));
    EXPECT_EQ(normalsHorizonCode(1), QStringLiteral("H"));
    EXPECT_EQ(normalsHorizonCode(2), QStringLiteral("A"));
    p = normalsProperties(before, 1, 2);
    EXPECT_EQ(p.horizon, QStringLiteral("H"));
    EXPECT_EQ(p.parametres, QStringLiteral("3"));
    EXPECT_EQ(p.visualisation, QStringLiteral("HISTO"));
    EXPECT_EQ(p.typeEdition, QStringLiteral("EDITION"));
    EXPECT_TRUE(normalsProperties(before, kNoChoice, kNoChoice).parametres.isEmpty());
}

// The yearbook's monthly cumulation: the selected year cumulated (curve 1) against the
// mean of the other years' cumulations (curve 2), over the twelve months. Without the
// yearbook flag the yearly chart keeps month m as curve m, year by year.
TEST(YearbookCurves, SelectedYearCumulatedAgainstTheMeanCumulation)
{
    SeriesBuilder b;
    b.days(QDate(2010, 1, 1), QDate(2013, 6, 30), [](QDate d) {
        // 2011 misses a day of May: out of the mean from May on.
        if (d == QDate(2011, 5, 2))
            return kNoValue;
        return double(d.year() - 2009); // 1 mm a day in 2010, 2 in 2011...
    });
    ChartRequest r;
    r.typeEdition = QStringLiteral("CUMUL_MENSUEL");
    r.parametres = QStringLiteral("1");
    r.horizon = QStringLiteral("M");
    r.yearbook = true;
    r.selectedYear = 2012;
    ChartCurves c = yearlyCurves(b.series(), {}, r, {});
    ASSERT_EQ(c.steps.size(), 12);
    EXPECT_EQ(c.steps[0], QStringLiteral("janv."));
    ASSERT_EQ(c.curves.size(), 2u);
    EXPECT_EQ(c.curves[0].number, 1);
    EXPECT_EQ(c.curves[0].title, QStringLiteral("Cumuls de l'année 2012"));
    EXPECT_DOUBLE_EQ(c.curves[0].y[0], 93);       // 31 days x 3 mm
    EXPECT_DOUBLE_EQ(c.curves[0].y[11], 366 * 3); // leap year, cumulated
    EXPECT_EQ(c.curves[1].number, 2);
    EXPECT_EQ(c.curves[1].style, CurveStyle::Line);
    EXPECT_DOUBLE_EQ(c.curves[1].y[0], (31 * 1 + 31 * 2 + 31 * 4) / 3.0);
    EXPECT_DOUBLE_EQ(c.curves[1].y[11], 365.0) << "2011 incomplete from May on, 2013 ends";
    EXPECT_EQ(c.yearCount, 3);

    // 2013 ends in June: its cumulation stops there, and it is not in its own mean.
    r.selectedYear = 2013;
    c = yearlyCurves(b.series(), {}, r, {});
    EXPECT_DOUBLE_EQ(c.curves[0].y[5], 181 * 4);
    EXPECT_TRUE(std::isnan(c.curves[0].y[6]));
    EXPECT_DOUBLE_EQ(c.curves[1].y[0], (31 + 62 + 93) / 3.0);

    r.yearbook = false;
    c = yearlyCurves(b.series(), {}, r, {});
    ASSERT_EQ(c.curves.size(), 12u);
    EXPECT_EQ(c.steps.size(), 4) << "one step per year";
    EXPECT_EQ(c.curves[1].title, QStringLiteral("févr."));
}

// The normals comparison: months of the selected year as bars against the normals, both
// rotated to a hydrological year starting in October; yearly totals against the normals'
// sum; no normals at all said in the legend; the internal statistics over 1991-2020 when
// enough years are complete, else over every complete year.
TEST(NormalsComparison, MonthsYearsAndReferences)
{
    SeriesBuilder b;
    b.days(QDate(1985, 1, 1), QDate(2021, 12, 31), [](QDate d) {
        if (d.month() == 2 && d.day() == 3 && d.year() >= 1991 && d.year() <= 1997)
            return kNoValue; // 23 complete Februaries in the reference period
        return d.year() >= 1991 ? 2.0 : 1.0;
    });
    ChartRequest r;
    r.parametres = QStringLiteral("1");
    r.horizon = QStringLiteral("H");
    r.hydroStartMonth = 10;
    r.selectedYear = 2019;
    ChartCurves c = normalsComparisonCurves(b.series(), monthlyNormals(QStringLiteral("N")), r, {});
    ASSERT_EQ(c.steps.size(), 12);
    EXPECT_EQ(c.steps[0], QStringLiteral("oct."));
    EXPECT_EQ(c.steps[3], QStringLiteral("janv."));
    ASSERT_EQ(c.curves.size(), 2u);
    EXPECT_EQ(c.curves[0].title, QStringLiteral("Année 2019-2020"));
    EXPECT_DOUBLE_EQ(c.curves[0].y[0], 62);     // October 2019
    EXPECT_DOUBLE_EQ(c.curves[0].y[4], 29 * 2); // February 2020
    EXPECT_EQ(c.curves[1].title, QStringLiteral("N"));
    EXPECT_DOUBLE_EQ(c.curves[1].y[0], 100); // October's normal
    EXPECT_DOUBLE_EQ(c.curves[1].y[3], 10);  // January's
    EXPECT_DOUBLE_EQ(c.curves[1].y[11], 90); // September's
    EXPECT_TRUE(c.legendNote.isEmpty());

    r.horizon = QStringLiteral("M");
    // Without month rows: the bars alone, a stale title unused.
    StationNormals none;
    none.title = QStringLiteral("Titre d'un autre poste");
    c = normalsComparisonCurves(b.series(), none, r, {});
    ASSERT_EQ(c.curves.size(), 1u);
    EXPECT_EQ(c.legendNote, QStringLiteral("Aucune normale pour ce poste"));
    EXPECT_DOUBLE_EQ(c.curves[0].y[0], 62);

    // Yearly totals against the twelve normals summed.
    r.horizon = QStringLiteral("A");
    c = normalsComparisonCurves(b.series(), monthlyNormals(QStringLiteral("N")), r, {});
    ASSERT_EQ(c.steps.size(), 2021 - 1985 + 1);
    EXPECT_EQ(c.steps[0], QStringLiteral("1985"));
    EXPECT_DOUBLE_EQ(c.curves[0].y[0], 365);
    EXPECT_DOUBLE_EQ(c.curves[1].y[0], 780);

    // Internal statistics: January has its 30 reference years, February only 23.
    r.horizon = QStringLiteral("M");
    r.internalNormals = true;
    c = normalsComparisonCurves(b.series(), none, r, {});
    ASSERT_EQ(c.curves.size(), 2u);
    EXPECT_DOUBLE_EQ(c.curves[1].y[0], 62) << "1991-2020 only";
    // February: every complete year, 1985-1990 at 1 mm (1988 leap) and 1998-2021 at 2 mm
    // (six leap years).
    EXPECT_NEAR(c.curves[1].y[1], ((28 * 5 + 29) + 2 * (24 * 28 + 6)) / 30.0, 1e-9);
    EXPECT_EQ(c.curves[1].title, QStringLiteral("Statistiques internes 1985-2021 (selon le mois)"));
}

namespace {

const QDate kFirstDay(2014, 1, 1);
const QDate kLastDay(2020, 12, 31);

double rainOf(int index)
{
    return index % 7;
}

// Stations 7 (with normals and their title) and 8 (neither), seven years of daily
// rainfall and evapotranspiration each.
class YearbookScreenTest : public plxtest::SchemaDatabaseTest
{
protected:
    void SetUp() override
    {
        SchemaDatabaseTest::SetUp();
        if (!ready())
            return;
        session().login = QStringLiteral("REF");
        session().isAdmin = true;
        for (const char *values : {"7, 'Istres', '13047/001'", "8, 'Salon', '13103/001'"})
            exec(QStringLiteral("INSERT INTO PLUVIOMETRES (CodePluviometre, Nom, Identifiant) "
                                "VALUES (%1)")
                     .arg(QLatin1String(values)));
        fillDaily(QStringLiteral("7"));
        fillDaily(QStringLiteral("8"));
        for (int month = 1; month <= 12; ++month)
            exec(QStringLiteral("INSERT INTO PLUVIOMETRE_NORMALES (CodePluviometre, Mois, Valeur, "
                                "etp, pluieEfficace) VALUES (7, %1, %2, 80, 20)")
                     .arg(sqlNumber(month), sqlNumber(40 + month)));
        exec(QStringLiteral("INSERT INTO PLUVIOMETRE_NORMALES (CodePluviometre, Mois, Titre) "
                            "VALUES (7, -1, %1)")
                 .arg(sqlQuote(QStringLiteral("Normales 1991-2020 d'Istres"))));
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

    template <typename Screen> static Screen *openedScreen()
    {
        for (QWidget *screen : navigatorFor(nullptr)->screens())
            if (auto *found = qobject_cast<Screen *>(screen))
                return found;
        return nullptr;
    }

    static void fillDaily(const QString &code)
    {
        AccesBase &db = AccesBase::instance();
        const ScopedConnectionKind kind(db);
        ASSERT_TRUE(CreateMeasurementTable(db, code, false));
        QStringList rows;
        int i = 0;
        for (QDate day = kFirstDay; day <= kLastDay; day = day.addDays(1), ++i)
            rows << QStringLiteral("(%1, %2, %3, %4, 'V', 0, 'A')")
                        .arg(FormatDateSQL(formatDate(day), false),
                             FormatHeureSQL(QStringLiteral("00:00:00")), sqlNumber(rainOf(i)),
                             sqlNumber(2 + i % 3));
        for (qsizetype at = 0; at < rows.size(); at += 500)
            exec(QStringLiteral("INSERT INTO ") + measurementTableName(code) +
                 QStringLiteral(" (DateCreation, Heure, Pluie, Etp, Validite, Continuite, "
                                "ModeObtention) VALUES ") +
                 rows.mid(at, 500).join(QStringLiteral(", ")));
    }

    static void click(QWidget *screen, const QString &name)
    {
        if (auto *button = child<QAbstractButton>(screen, name))
            button->click();
    }

    plxtest::CliResult plx(const QStringList &arguments) const
    {
        const ConnectionProfile &profile = runProfile();
        const QStringList database =
            profile.kind == QLatin1String("POSTGRESQL")
                ? QStringList{QStringLiteral("--pg"), plxtest::pgConninfo(profile.database)}
                : QStringList{QStringLiteral("--db"), profile.database};
        return plxtest::runPlx(arguments.mid(0, 1) + database + arguments.mid(1));
    }
};

// Every box of the yearbook addresses its curve of the upper chart only, in its mode;
// ChkCumulAnnee and ChkJanvier share curve 1, ChkCumulMoyen and ChkFevrier curve 2.
TEST_P(YearbookScreenTest, YearbookBoxesOptionsAndOneRead)
{
    if (!ready())
        return;
    EditionGraphiqueAnnuaire screen;
    screen.resize(1366, 768);
    screen.show();
    ASSERT_TRUE(screen.InitDebranchement(QStringLiteral("7")));
    CtlGraphique *upper = child<CtlGraphique>(&screen, QStringLiteral("CtlGraphiqueAnnee"));
    CtlGraphique *lower = child<CtlGraphique>(&screen, QStringLiteral("CtlGraphiqueTotal"));
    ASSERT_TRUE(upper && lower);
    EXPECT_TRUE(upper->sharesSeriesWith(*lower)) << "one read for both charts";
    EXPECT_FALSE(lower->curves().curves.empty());
    EXPECT_EQ(lower->curves().axis, AxisKind::Time);
    for (const char *frame : {"FrmStatistiques", "FrmStatistiquesTotal"})
        EXPECT_TRUE(child<QWidget>(&screen, QLatin1String(frame))->isVisible());

    const auto visible = [upper](int number) {
        const ChartCurve *c = upper->curves().curve(number);
        return c && c->visible;
    };
    const std::vector<std::pair<const char *, int>> statistics{
        {"ChkAnnee", 1},         {"ChkEnveloppeMini", 2}, {"ChkEnveloppeMoyenne", 3},
        {"ChkEnveloppeMaxi", 4}, {"ChkQuintile1", 5},     {"ChkQuintile2", 6},
        {"ChkQuintile3", 7},     {"ChkQuintile4", 8},     {"ChkMediane", 9}};
    for (const auto &[name, curve] : statistics) {
        click(&screen, QLatin1String(name));
        for (int n = 1; n <= 9; ++n)
            EXPECT_EQ(visible(n), n != curve) << name << " → " << n;
        click(&screen, QLatin1String(name));
        EXPECT_TRUE(visible(curve)) << name;
    }

    // The monthly cumulation, with no parameter chosen: "1" and "M" forced.
    auto *parameters = child<QAbstractButton>(&screen, QStringLiteral("OptParametre_0"))->group();
    upper->Parametres = QStringLiteral("3");
    upper->Horizon = QStringLiteral("H");
    parameters->setExclusive(false);
    parameters->button(0)->setChecked(false);
    parameters->setExclusive(true);
    click(&screen, QStringLiteral("OptStatistiques_1"));
    EXPECT_EQ(upper->TypeEdition, QStringLiteral("CUMUL_MENSUEL"));
    EXPECT_EQ(upper->Parametres, QStringLiteral("1"));
    EXPECT_EQ(upper->Horizon, QStringLiteral("M"));
    ASSERT_NE(upper->curves().curve(1), nullptr);
    EXPECT_EQ(upper->curves().curve(1)->title, QStringLiteral("Cumuls de l'année 2020"));
    EXPECT_EQ(upper->curves().curve(2)->title, QStringLiteral("Moyennes mensuelles cumulées"));
    const std::vector<std::pair<const char *, int>> cumulations{
        {"ChkCumulAnnee", 1}, {"ChkJanvier", 1}, {"ChkCumulMoyen", 2}, {"ChkFevrier", 2}};
    for (const auto &[name, curve] : cumulations) {
        EXPECT_TRUE(child<QCheckBox>(&screen, QLatin1String(name))->isVisibleTo(&screen));
        click(&screen, QLatin1String(name));
        EXPECT_FALSE(visible(curve)) << name;
        EXPECT_TRUE(visible(3 - curve)) << name;
        click(&screen, QLatin1String(name));
        EXPECT_TRUE(visible(curve)) << name;
    }
    const char *const laterMonths[] = {"ChkMars",     "ChkAvril",   "ChkMai",       "ChkJuin",
                                       "ChkJuillet",  "ChkAout",    "ChkSeptembre", "ChkOctobre",
                                       "ChkNovembre", "ChkDecembre"};
    for (const char *name : laterMonths)
        EXPECT_TRUE(child<QCheckBox>(&screen, QLatin1String(name))->isVisibleTo(&screen));
    EXPECT_FALSE(child<QCheckBox>(&screen, QStringLiteral("ChkAnnee"))->isVisibleTo(&screen));
    // The chosen parameter overrides the forced one.
    click(&screen, QStringLiteral("OptParametre_2"));
    EXPECT_EQ(upper->Parametres, QStringLiteral("3"));
    EXPECT_EQ(upper->Horizon, QStringLiteral("M"));

    // The lower chart's own options.
    click(&screen, QStringLiteral("chkEtpTotal"));
    EXPECT_EQ(lower->Parametres, QStringLiteral("13"));
    click(&screen, QStringLiteral("OptHorizonTotal_4"));
    EXPECT_EQ(lower->Horizon, QStringLiteral("A"));
    click(&screen, QStringLiteral("OptVisualisationTotal_2"));
    EXPECT_EQ(lower->Visualisation, QStringLiteral("HISTO"));
    EXPECT_TRUE(lower->Cumul);
    EXPECT_EQ(upper->TypeEdition, QStringLiteral("CUMUL_MENSUEL")) << "the upper chart untouched";

    // Next station: both charts on it, still one read.
    click(&screen, QStringLiteral("CmdSuivant"));
    EXPECT_EQ(screen.stationCode(), QStringLiteral("8"));
    EXPECT_TRUE(upper->curves().title.startsWith(QStringLiteral("Salon")))
        << upper->curves().title.toStdString();
    EXPECT_TRUE(lower->curves().title.startsWith(QStringLiteral("Salon")))
        << lower->curves().title.toStdString();
    EXPECT_TRUE(upper->sharesSeriesWith(*lower));
    EXPECT_EQ(lower->Parametres, QStringLiteral("13")) << "options kept across stations";
}

// The normals comparison reads the title row, keeps it for a station without one, never
// draws it as a month, says when a station has no normals, and switches to the internal
// statistics with their period.
TEST_P(YearbookScreenTest, NormalsComparisonTitleReferenceAndHorizons)
{
    if (!ready())
        return;
    EXPECT_EQ(readNormalsTitle(AccesBase::instance(), QStringLiteral("7")),
              QStringLiteral("Normales 1991-2020 d'Istres"));
    EXPECT_FALSE(readNormalsTitle(AccesBase::instance(), QStringLiteral("8")).has_value());
    EXPECT_FALSE(readNormalsTitle(AccesBase::instance(), QStringLiteral("7 OR 1=1")).has_value());

    EditionGraphiqueCompNormale screen;
    screen.resize(1366, 768);
    screen.show();
    ASSERT_TRUE(screen.InitDebranchement(QStringLiteral("7")));
    CtlGraphique *chart = screen.chart();
    EXPECT_EQ(chart->TitreNormales, QStringLiteral("Normales 1991-2020 d'Istres"));
    EXPECT_EQ(chart->Horizon, QStringLiteral("M"));
    EXPECT_EQ(chart->Parametres, QStringLiteral("1"));
    EXPECT_FALSE(chart->OptionNormales);
    const ChartCurves &curves = chart->curves();
    ASSERT_EQ(curves.steps.size(), 12);
    ASSERT_NE(curves.curve(2), nullptr);
    EXPECT_EQ(curves.curve(2)->title, QStringLiteral("Normales 1991-2020 d'Istres"));
    EXPECT_EQ(curves.curve(2)->y.size(), 12u) << "the title row is no month";
    EXPECT_DOUBLE_EQ(curves.curve(2)->y[0], 41);
    EXPECT_DOUBLE_EQ(curves.curve(2)->y[11], 52);
    EXPECT_EQ(curves.curve(1)->title, QStringLiteral("Année 2020"));

    click(&screen, QStringLiteral("OptHorizon_1"));
    EXPECT_EQ(chart->Horizon, QStringLiteral("H"));
    click(&screen, QStringLiteral("OptHorizon_2"));
    EXPECT_EQ(chart->Horizon, QStringLiteral("A"));
    EXPECT_EQ(chart->curves().steps.size(), 7);
    click(&screen, QStringLiteral("OptHorizon_0"));
    click(&screen, QStringLiteral("OptParametre_2"));
    EXPECT_EQ(chart->Parametres, QStringLiteral("3"));
    ASSERT_NE(chart->curves().curve(2), nullptr);
    EXPECT_DOUBLE_EQ(chart->curves().curve(2)->y[0], 80) << "evapotranspiration normals";
    click(&screen, QStringLiteral("OptParametre_0"));

    // Station 8 has no title row: the title stays; nor months: no normals drawn.
    click(&screen, QStringLiteral("CmdSuivant"));
    ASSERT_EQ(screen.stationCode(), QStringLiteral("8"));
    EXPECT_EQ(chart->TitreNormales, QStringLiteral("Normales 1991-2020 d'Istres"));
    EXPECT_EQ(chart->curves().curve(2), nullptr);
    ASSERT_NE(chart->curves().curve(1), nullptr);
    EXPECT_EQ(chart->curves().legendNote, QStringLiteral("Aucune normale pour ce poste"));

    click(&screen, QStringLiteral("OptVisualisation_1"));
    EXPECT_TRUE(chart->OptionNormales);
    ASSERT_NE(chart->curves().curve(2), nullptr);
    EXPECT_EQ(chart->curves().curve(2)->title, QStringLiteral("Statistiques internes 2014-2020"));
    EXPECT_EQ(child<QLineEdit>(&screen, QStringLiteral("TxtDateDebStatistique"))->text(),
              QStringLiteral("2014"));
    EXPECT_EQ(child<QLineEdit>(&screen, QStringLiteral("TxtDateFinStatistique"))->text(),
              QStringLiteral("2020"));
}

// plx stats --mode NORMALES and plx chart --screen annuaire|normales.
TEST_P(YearbookScreenTest, CommandLine)
{
    if (!ready())
        return;
    plxtest::CliResult r =
        plx({QStringLiteral("stats"), QStringLiteral("--mode"), QStringLiteral("NORMALES"),
             QStringLiteral("--station"), QStringLiteral("7")});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    QStringList lines = r.out.split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 15) << r.out.toStdString(); // header, 12 months, title, ""
    EXPECT_EQ(lines[0], QStringLiteral("mois\t2020\tnormale"));
    double january = 0;
    int i = 0;
    for (QDate day = kFirstDay; day <= kLastDay; day = day.addDays(1), ++i)
        if (day.year() == 2020 && day.month() == 1)
            january += rainOf(i);
    EXPECT_EQ(lines[1], QStringLiteral("janv.\t%1\t41").arg(january));
    EXPECT_EQ(lines[13], QStringLiteral("normales\tNormales 1991-2020 d'Istres"));

    r = plx({QStringLiteral("stats"), QStringLiteral("--mode"), QStringLiteral("NORMALES"),
             QStringLiteral("--station"), QStringLiteral("8"), QStringLiteral("--internal"),
             QStringLiteral("--year"), QStringLiteral("hydro")});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    lines = r.out.split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 15) << r.out.toStdString();
    EXPECT_EQ(lines[13], QStringLiteral("normales\tStatistiques internes 2014-2020"));
    r = plx({QStringLiteral("stats"), QStringLiteral("--mode"), QStringLiteral("NORMALES"),
             QStringLiteral("--station"), QStringLiteral("8")});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.endsWith(QStringLiteral("normales\tAucune normale pour ce poste\n")));
    r = plx({QStringLiteral("stats"), QStringLiteral("--mode"), QStringLiteral("NORMALES"),
             QStringLiteral("--station"), QStringLiteral("7"), QStringLiteral("--param"),
             QStringLiteral("4")});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.err, QStringLiteral("Paramètre invalide : 4 (attendu : 1 à 3)\n"));

    QTemporaryDir dir;
    const QString page = dir.filePath(QStringLiteral("annuaire.png"));
    r = plx({QStringLiteral("chart"), QStringLiteral("--station"), QStringLiteral("7"),
             QStringLiteral("--screen"), QStringLiteral("annuaire"), QStringLiteral("--out"), page,
             QStringLiteral("--size"), QStringLiteral("1000x1200")});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(QImage(page).size(), QSize(1000, 1200));
    for (const char *suffix : {"svg", "pdf"}) {
        const QString path = dir.filePath(QStringLiteral("normales.") + QLatin1String(suffix));
        r = plx({QStringLiteral("chart"), QStringLiteral("--station"), QStringLiteral("7"),
                 QStringLiteral("--screen"), QStringLiteral("normales"),
                 QStringLiteral("--internal"), QStringLiteral("--out"), path});
        ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
        EXPECT_GT(QFileInfo(path).size(), 1000);
    }
    r = plx({QStringLiteral("chart"), QStringLiteral("--station"), QStringLiteral("7"),
             QStringLiteral("--screen"), QStringLiteral("annuaire"), QStringLiteral("--mode"),
             QStringLiteral("CUMUL_ANNUEL"), QStringLiteral("--out"), page});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(r.err.startsWith(QStringLiteral("L'écran annuaire n'a pas")))
        << r.err.toStdString();
}

// The list's panel, the record's chart menu and the chart screens open the two screens on
// their station, one screen of each kind.
TEST_P(YearbookScreenTest, ListRecordAndChartsOpenTheScreens)
{
    if (!ready())
        return;
    ListePluviometres list;
    list.show();
    auto *grid = child<QTableView>(&list, QStringLiteral("SprPluviometres"));
    grid->setCurrentIndex(grid->model()->index(1, 1));
    const QString second = list.visibleCodes().value(1);
    click(&list, QStringLiteral("CmdAnnuaire"));
    auto *yearbook = openedScreen<EditionGraphiqueAnnuaire>();
    ASSERT_NE(yearbook, nullptr);
    EXPECT_EQ(yearbook->stationCode(), second);
    click(&list, QStringLiteral("CmdCompNormale"));
    auto *normals = openedScreen<EditionGraphiqueCompNormale>();
    ASSERT_NE(normals, nullptr);
    EXPECT_EQ(normals->stationCode(), second);

    FichePluviometre record;
    ASSERT_TRUE(record.ChargementFichePluviometre(QStringLiteral("7")));
    child<QAction>(&record, QStringLiteral("MnuAnnuaire"))->trigger();
    EXPECT_EQ(openedScreen<EditionGraphiqueAnnuaire>(), yearbook);
    EXPECT_EQ(yearbook->stationCode(), QStringLiteral("7"));
    child<QAction>(&record, QStringLiteral("MnuCompNormale"))->trigger();
    EXPECT_EQ(normals->stationCode(), QStringLiteral("7"));
    // From one chart screen to another of the same station.
    click(yearbook, QStringLiteral("CmdSuivant"));
    yearbook->openNormalsComparison();
    EXPECT_EQ(normals->stationCode(), yearbook->stationCode());
    EXPECT_TRUE(messages.isEmpty()) << messages.join(QLatin1Char('\n')).toStdString();
}

INSTANTIATE_TEST_SUITE_P(Engines, YearbookScreenTest, PLX_ENGINES, PLX_ENGINE_NAME);

} // namespace
