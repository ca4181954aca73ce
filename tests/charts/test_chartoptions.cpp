#include "charts/chartoptions.h"
#include "charts/gridcurves.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace plx;

namespace {

ChartProperties yearly(int mode, int yearType, int visualisation, int parameter,
                       ChartProperties start = {})
{
    return yearlyProperties(start, mode, yearType, visualisation, parameter);
}

MeasureRow row(const QDate &date, std::optional<double> pluie, std::optional<double> etp = {},
               bool rupture = false)
{
    MeasureRow r;
    r.date = date;
    r.heure = QTime(0, 0);
    r.setValue(0, pluie);
    r.setValue(2, etp);
    r.rupture = rupture;
    return r;
}

} // namespace

TEST(ChartOptions, ChronicleChoicesGiveTheComponentsProperties)
{
    ParameterChecks none{};
    ParameterChecks rainAndEtp{true, false, true, false, false, false};
    ParameterChecks all{true, true, true, true, true, true};
    EXPECT_EQ(parameterDigits(none), QString());
    EXPECT_EQ(parameterDigits(rainAndEtp), QStringLiteral("13"));
    EXPECT_EQ(parameterDigits(all), QStringLiteral("123456"));

    ChartProperties before;
    before.typeEdition = QStringLiteral("CUMUL_ANNUEL");
    before.horizon = QStringLiteral("T");
    before.cumul = true;
    // Nothing chosen: the horizon stays, plain bars, and the type is always the chronicle's.
    ChartProperties p = chronicleProperties(before, none, kNoChoice, kNoChoice);
    EXPECT_EQ(p.typeEdition, QStringLiteral("EDITION"));
    EXPECT_EQ(p.parametres, QString());
    EXPECT_EQ(p.horizon, QStringLiteral("T"));
    EXPECT_EQ(p.visualisation, QStringLiteral("HISTO"));
    EXPECT_FALSE(p.cumul);

    const QString codes = QStringLiteral("SDMTAH");
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(chronicleProperties(before, all, i, 0).horizon, QString(codes.at(i))) << i;
    EXPECT_EQ(horizonCode(6), QString());

    const struct
    {
        int choice;
        const char *visualisation;
        bool cumul;
    } visualisations[] = {{0, "HISTO", false}, {1, "COURBE", false}, {2, "HISTO", true}};
    for (const auto &v : visualisations) {
        p = chronicleProperties(before, rainAndEtp, 2, v.choice);
        EXPECT_EQ(p.visualisation, QLatin1String(v.visualisation)) << v.choice;
        EXPECT_EQ(p.cumul, v.cumul) << v.choice;
    }
}

TEST(ChartOptions, YearlyModesSendTheirTypeHorizonAndVisualisation)
{
    const struct
    {
        int mode, yearType, visualisation;
        const char *type, *horizon, *shown;
        bool cumul;
    } cases[] = {
        {kStatisticsMode, kCivilYear, 0, "EDITION", "M", "HISTO", false},
        {kStatisticsMode, kHydroYear, 1, "EDITION", "H", "COURBE", false},
        {kStatisticsMode, kCivilYear, 2, "EDITION", "M", "HISTO", true},
        {kStatisticsMode, kHydroYear, 3, "EDITION", "H", "COURBE", true},
        // The cumulations' horizon is the year, and they always draw bars.
        {kMonthlyCumulMode, kCivilYear, 1, "CUMUL_MENSUEL", "A", "HISTO", false},
        {kMonthlyCumulMode, kHydroYear, 3, "CUMUL_MENSUEL", "H", "HISTO", false},
        {kYearlyCumulMode, kCivilYear, 1, "CUMUL_ANNUEL", "A", "HISTO", false},
        {kYearlyCumulMode, kHydroYear, 0, "CUMUL_ANNUEL", "H", "HISTO", false},
    };
    for (const auto &c : cases) {
        const ChartProperties p = yearly(c.mode, c.yearType, c.visualisation, 0);
        const std::string where = std::to_string(c.mode) + "/" + std::to_string(c.yearType);
        EXPECT_EQ(p.typeEdition, QLatin1String(c.type)) << where;
        EXPECT_EQ(p.horizon, QLatin1String(c.horizon)) << where;
        EXPECT_EQ(p.visualisation, QLatin1String(c.shown)) << where;
        EXPECT_EQ(p.cumul, c.cumul) << where;
        EXPECT_EQ(p.parametres, QStringLiteral("1")) << where;
    }

    // What is not chosen is left as it was.
    ChartProperties before;
    before.typeEdition = QStringLiteral("CUMUL_MENSUEL");
    before.parametres = QStringLiteral("4");
    before.horizon = QStringLiteral("H");
    before.visualisation = QStringLiteral("COURBE");
    before.cumul = true;
    EXPECT_EQ(yearly(kNoChoice, kNoChoice, kNoChoice, kNoChoice, before), before);
    const ChartProperties noVisualisation =
        yearly(kStatisticsMode, kNoChoice, kNoChoice, 5, before);
    EXPECT_EQ(noVisualisation.visualisation, QStringLiteral("HISTO"));
    EXPECT_TRUE(noVisualisation.cumul);
    EXPECT_EQ(noVisualisation.horizon, QStringLiteral("H"));
    EXPECT_EQ(noVisualisation.parametres, QStringLiteral("6"));
}

TEST(ChartOptions, MonthsAreListedFromTheYearsFirstMonth)
{
    for (int m = 1; m <= 12; ++m) {
        EXPECT_EQ(monthRank(m, 1, true), m);
        EXPECT_EQ(monthRank(m, 10, false), m) << "the calendar year ignores the start month";
    }
    EXPECT_EQ(monthRank(9, 9, true), 1);
    EXPECT_EQ(monthRank(12, 9, true), 4);
    EXPECT_EQ(monthRank(1, 9, true), 5);
    EXPECT_EQ(monthRank(8, 9, true), 12);
    EXPECT_EQ(monthRank(10, 10, true), 1);
    EXPECT_EQ(monthRank(9, 10, true), 12);
    EXPECT_EQ(startMonthNumber(QStringLiteral("10")), 10);
    EXPECT_EQ(startMonthNumber(QStringLiteral("01")), 1);
    EXPECT_EQ(startMonthNumber(QStringLiteral("13")), 9);
}

TEST(GridCurves, ColumnsBecomeNumberedCurvesWithTheAxisBounds)
{
    const QDate day(2024, 3, 1);
    std::vector<MeasureRow> rows{row(day.addDays(1), 12.5, 1.0), row(day, 0.0, {}, true),
                                 row(QDate(), 99.0), row(day.addDays(2), {}, 3.5)};
    const std::vector<GridColumn> columns{{0, QStringLiteral("Pluie")}, {2, QString()}};
    GridChart chart = gridCurves(rows, columns);
    ASSERT_EQ(chart.curves.curves.size(), 2u);
    EXPECT_EQ(chart.lower, -50);
    EXPECT_EQ(chart.upper, 251);

    const ChartCurve &rain = chart.curves.curves[0];
    EXPECT_EQ(rain.number, 1);
    EXPECT_EQ(rain.title, QStringLiteral("Pluie"));
    // The row without a valid date is left out; the others in time order.
    ASSERT_EQ(rain.x.size(), 3u);
    EXPECT_EQ(rain.x[0], chartSeconds(day, QTime(0, 0)));
    EXPECT_EQ(rain.x[1] - rain.x[0], 86400);
    EXPECT_EQ(rain.y[0], 0.0);
    EXPECT_EQ(rain.y[1], 12.5);
    EXPECT_TRUE(std::isnan(rain.y[2])) << "an empty cell is a gap, not zero";
    EXPECT_EQ(rain.incomplete, (std::vector<bool>{true, false, false}));
    EXPECT_EQ(rain.barWidth, 86400);
    EXPECT_EQ(chart.curves.curves[1].number, 2);
    EXPECT_EQ(chart.curves.curves[1].title, QStringLiteral("2"));
    EXPECT_EQ(chart.curves.curves[1].y[2], 3.5);

    // Values beyond the usual range widen the axis: down to the integer below, up to the
    // integer part of the maximum plus one.
    rows.push_back(row(day.addDays(3), -63.2));
    rows.push_back(row(day.addDays(4), 300.5));
    chart = gridCurves(rows, columns);
    EXPECT_EQ(chart.lower, -64);
    EXPECT_EQ(chart.upper, 301);

    // A free parameter beside the rain: a line on its own axis; alone, on the main one.
    chart = gridCurves(rows, {{0, QStringLiteral("Pluie")}, {3, QStringLiteral("T")}});
    EXPECT_FALSE(chart.curves.curves[0].rightAxis);
    EXPECT_TRUE(chart.curves.curves[1].rightAxis);
    EXPECT_EQ(chart.curves.curves[1].style, CurveStyle::Line);
    EXPECT_EQ(chart.curves.rightLabel, QStringLiteral("T"));
    chart = gridCurves(rows, {{3, QStringLiteral("T")}});
    EXPECT_FALSE(chart.curves.curves[0].rightAxis);
    EXPECT_TRUE(chart.curves.rightLabel.isEmpty());

    chart = gridCurves({}, columns);
    EXPECT_EQ(chart.lower, -50);
    EXPECT_EQ(chart.upper, 251);
    EXPECT_TRUE(chart.curves.curves[0].x.empty());
}
