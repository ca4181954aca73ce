#include "charts/chartengine.h"
#include "charts/chartsteps.h"
#include "charts/internalstatistics.h"
#include "charts/yearstatistics.h"

#include "seriesbuilder.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace plx;
using plxtest::kNoValue;
using plxtest::SeriesBuilder;

namespace {

ChartRequest yearly(const QString &mode = QStringLiteral("EDITION"), int selectedYear = 0,
                    bool cumul = false)
{
    ChartRequest r;
    r.typeEdition = mode;
    r.parametres = QStringLiteral("1");
    r.horizon = mode == QLatin1String("EDITION") ? QStringLiteral("M") : QStringLiteral("A");
    r.selectedYear = selectedYear;
    r.cumul = cumul;
    return r;
}

StationNormals noNormals()
{
    StationNormals n;
    n.pluie.fill(kNoValue);
    n.pluieEfficace = n.etp = n.pluie;
    return n;
}

double at(const ChartCurves &c, int number, int step)
{
    const ChartCurve *curve = c.curve(number);
    if (!curve || size_t(step) >= curve->y.size())
        return -12345;
    return curve->y[size_t(step)];
}

// 2001-2006, every day (year - 2000)^2 / 10 mm, 15/03/2003 missing: January totals
// 3.1, 12.4, 27.9, 49.6, 77.5 then 111.6 for the last, selected, year.
StationSeries sixYears()
{
    SeriesBuilder b;
    b.days(QDate(2001, 1, 1), QDate(2006, 12, 31), [](QDate d) {
        if (d == QDate(2003, 3, 15))
            return kNoValue;
        const int k = d.year() - 2000;
        return k * k / 10.0;
    });
    return b.series();
}

} // namespace

// Decades split a month 1-10, 11-20, 21-end: February of a leap year ends with a 9-day
// decade, complete only with the 29th. Months, quarters and hydrological years follow the
// calendar; day numbers round-trip with QDate across the centuries of the records.
TEST(ChartSteps, PeriodsAndCompleteness)
{
    SeriesBuilder b;
    b.days(QDate(2024, 2, 1), QDate(2024, 2, 29), [](QDate) { return 1.0; });
    GroupOptions o;
    o.step = Step::Decade;
    std::vector<Period> p = groupSeries(b.series(), o);
    ASSERT_EQ(p.size(), 3u);
    EXPECT_EQ(p[0].value, 10);
    EXPECT_EQ(p[1].value, 10);
    EXPECT_EQ(p[2].value, 9);
    EXPECT_EQ(p[2].lengthDays, 9);
    EXPECT_EQ(p[2].firstDay, QDate(2024, 2, 21).toJulianDay() - 2440588);
    EXPECT_TRUE(p[0].complete && p[1].complete && p[2].complete);

    SeriesBuilder gap;
    gap.days(QDate(2024, 2, 1), QDate(2024, 2, 28), [](QDate) { return 1.0; });
    p = groupSeries(gap.series(), o);
    ASSERT_EQ(p.size(), 3u);
    EXPECT_EQ(p[2].value, 8);
    EXPECT_FALSE(p[2].complete);
    o.step = Step::Month;
    p = groupSeries(gap.series(), o);
    ASSERT_EQ(p.size(), 1u);
    EXPECT_FALSE(p[0].complete);

    // A timed series: a day counts when it has one value at least.
    SeriesBuilder hourly;
    for (QDate d(2023, 2, 1); d <= QDate(2023, 2, 28); d = d.addDays(1))
        hourly.add(d, 0.5, 1, 'V', 'A', QTime(d.day() % 24, 0));
    p = groupSeries(hourly.series(), o);
    ASSERT_EQ(p.size(), 1u);
    EXPECT_TRUE(p[0].complete);

    // Quarter and hydrological year boundaries.
    SeriesBuilder edges;
    edges.add(QDate(2023, 8, 31), 1).add(QDate(2023, 9, 1), 2).add(QDate(2023, 12, 31), 4);
    o.step = Step::Year;
    o.startMonth = 9;
    p = groupSeries(edges.series(), o);
    ASSERT_EQ(p.size(), 2u);
    EXPECT_EQ(p[0].year, 2022);
    EXPECT_EQ(p[1].year, 2023);
    EXPECT_EQ(p[1].value, 6);
    EXPECT_EQ(p[1].lengthDays, 366); // 01/09/2023 to 31/08/2024
    o.step = Step::Quarter;
    p = groupSeries(edges.series(), o);
    ASSERT_EQ(p.size(), 2u);
    EXPECT_EQ(p[1].lengthDays, 92);

    for (QDate d(1780, 1, 1); d < QDate(2101, 1, 1); d = d.addDays(37)) {
        const int64_t days = d.toJulianDay() - 2440588;
        const CivilDate c = civilFromDays(days);
        ASSERT_EQ(QDate(c.year, c.month, c.day), d);
        ASSERT_EQ(daysFromCivil(d.year(), d.month(), d.day()), days);
    }
}

// A missing day takes its month out of the statistics but stays on the year curve (drawn
// as incomplete); the year with the incomplete month leaves that month's envelopes, and
// every later step once cumulated.
TEST(YearlyCurves, IncompleteMonthsLeaveTheStatistics)
{
    const StationSeries s = sixYears();
    ChartCurves c = yearlyCurves(s, noNormals(), yearly(), {});
    ASSERT_EQ(c.axis, AxisKind::Steps);
    ASSERT_EQ(c.steps.size(), 12);
    EXPECT_EQ(c.curve(1)->title, QStringLiteral("Année 2006"));
    EXPECT_NEAR(at(c, 1, 0), 111.6, 1e-9);
    // January: five years; mean and type-7 quintiles by hand.
    EXPECT_NEAR(at(c, 2, 0), 3.1, 1e-9);
    EXPECT_NEAR(at(c, 3, 0), 34.1, 1e-9);
    EXPECT_NEAR(at(c, 4, 0), 77.5, 1e-9);
    EXPECT_NEAR(at(c, 5, 0), 10.54, 1e-9);  // 3.1 + 0.8 * 9.3
    EXPECT_NEAR(at(c, 8, 0), 55.18, 1e-9);  // 49.6 + 0.2 * 27.9
    EXPECT_NEAR(at(c, 9, 0), 27.9, 1e-9);
    // March: 2003 is out, four years: no quintiles, median between 12.4 and 49.6.
    EXPECT_NEAR(at(c, 3, 2), 3.1 * 46 / 4, 1e-9);
    EXPECT_TRUE(std::isnan(at(c, 5, 2)));
    EXPECT_NEAR(at(c, 9, 2), 31.0, 1e-9);
    EXPECT_EQ(c.yearCount, 5);
    EXPECT_EQ(c.legendNote, QStringLiteral("Statistiques sur 5 années (2001-2005), de 4 à 5 "
                                           "selon le mois"));
    EXPECT_EQ(c.curve(10), nullptr); // no normals

    // 2003 selected: March drawn, flagged incomplete; 2006 enters the statistics.
    c = yearlyCurves(s, noNormals(), yearly(QStringLiteral("EDITION"), 2003), {});
    EXPECT_NEAR(at(c, 1, 2), 0.9 * 30, 1e-9);
    ASSERT_EQ(c.curve(1)->incomplete.size(), 12u);
    EXPECT_TRUE(c.curve(1)->incomplete[2]);
    EXPECT_FALSE(c.curve(1)->incomplete[1]);
    EXPECT_NEAR(at(c, 4, 0), 111.6, 1e-9);

    // Cumulated: 2003 counts up to February only.
    c = yearlyCurves(s, noNormals(), yearly(QStringLiteral("EDITION"), 0, true), {});
    EXPECT_NEAR(at(c, 2, 1), 3.1 + 2.8, 1e-9);
    // 2004 is a leap year.
    EXPECT_NEAR(at(c, 3, 1), 0.1 * (59 * 39 + 60 * 16) / 5, 1e-9);
    EXPECT_NEAR(at(c, 3, 11), 0.1 * (365 * 30 + 366 * 16) / 4, 1e-9);
    EXPECT_TRUE(std::isnan(at(c, 5, 11)));

    // Leaving unvalidated rows out empties January 2004 of one day: out of January.
    StationSeries unvalidated = s;
    unvalidated.validite[size_t(QDate(2004, 1, 10).toJulianDay() - QDate(2001, 1, 1).toJulianDay() -
                                1)] = 0;
    c = yearlyCurves(unvalidated, noNormals(), yearly(), {});
    EXPECT_NEAR(at(c, 3, 0), 34.1, 1e-9);
    DataSelection validatedOnly;
    validatedOnly.unvalidated = false;
    c = yearlyCurves(unvalidated, noNormals(), yearly(), validatedOnly);
    EXPECT_NEAR(at(c, 3, 0), (3.1 * 55 - 49.6) / 4, 1e-9);
    // Interpreted and incorrect values (by their obtention code) likewise, each by its option.
    StationSeries interpreted = s;
    interpreted.obtention[10] = 'I'; // January 2001
    DataSelection noInterpreted;
    noInterpreted.interpreted = false;
    c = yearlyCurves(interpreted, noNormals(), yearly(), noInterpreted);
    EXPECT_NEAR(at(c, 3, 0), (3.1 * 55 - 3.1) / 4, 1e-9);
    DataSelection noIncorrect;
    noIncorrect.incorrect = false;
    c = yearlyCurves(interpreted, noNormals(), yearly(), noIncorrect);
    EXPECT_NEAR(at(c, 3, 0), 34.1, 1e-9);
}

// The median of the years' cumulations is not the cumulation of the monthly medians.
TEST(YearlyCurves, CumulateEachYearBeforeTheStatistics)
{
    // January and February totals of three years (the fourth, selected, does not count):
    // medians 4 and 1 cumulate to 5; the cumulations 10, 1, 8 have 8 as median.
    const double totals[4][2] = {{10, 0}, {0, 1}, {4, 4}, {99, 99}};
    SeriesBuilder b;
    for (int y = 0; y < 4; ++y) {
        for (int m = 1; m <= 2; ++m) {
            b.days(QDate(2010 + y, m, 1), QDate(2010 + y, m, 1).addMonths(1).addDays(-1),
                   [&](QDate d) { return d.day() == 1 ? totals[y][m - 1] : 0.0; });
        }
    }
    const ChartCurves plain = yearlyCurves(b.series(), noNormals(), yearly(), {});
    EXPECT_EQ(at(plain, 9, 0), 4);
    EXPECT_EQ(at(plain, 9, 1), 1);
    const ChartCurves cumulated =
        yearlyCurves(b.series(), noNormals(), yearly(QStringLiteral("EDITION"), 0, true), {});
    EXPECT_EQ(at(cumulated, 9, 1), 8);
    EXPECT_EQ(at(cumulated, 1, 1), 198);
    // March has no value: nothing cumulated there, nothing in the statistics.
    EXPECT_TRUE(std::isnan(at(cumulated, 1, 2)));
    EXPECT_TRUE(std::isnan(at(cumulated, 3, 2)));
}

// Quintiles need five years and the median three; envelopes need one. Type 7 by hand.
TEST(YearlyCurves, QuintilesAndMedianNeedEnoughYears)
{
    EXPECT_DOUBLE_EQ(quantileType7({1, 2, 3, 4}, 0.2), 1.6);
    EXPECT_DOUBLE_EQ(quantileType7({1, 2, 3, 4}, 0.5), 2.5);
    EXPECT_DOUBLE_EQ(quantileType7({7}, 0.8), 7);
    EXPECT_DOUBLE_EQ(quantileType7({1, 2, 4, 8, 16}, 0.8), 9.6);

    for (const int years : {2, 3, 4, 5}) {
        SeriesBuilder b;
        // years + 1: the last is the selected year.
        b.days(QDate(2000, 1, 1), QDate(2000 + years, 1, 31), [](QDate d) {
            return d.month() == 1 ? double(d.year() - 1999) : kNoValue;
        });
        const ChartCurves c = yearlyCurves(b.series(), noNormals(), yearly(), {});
        SCOPED_TRACE(years);
        EXPECT_EQ(c.yearCount, years);
        EXPECT_EQ(at(c, 2, 0), 31);
        EXPECT_EQ(std::isnan(at(c, 9, 0)), years < 3);
        for (int q = 5; q <= 8; ++q)
            EXPECT_EQ(std::isnan(at(c, q, 0)), years < 5);
        EXPECT_TRUE(std::isnan(at(c, 2, 1))); // February: no year
    }
}

// Hydrological years: labels "Y-Y+1", the twelve steps from the start month, each month
// in its year; start month 1 is the calendar year.
TEST(YearlyCurves, HydrologicalYearsAndMonthOrder)
{
    SeriesBuilder b;
    b.days(QDate(2003, 1, 1), QDate(2005, 12, 31), [](QDate d) { return double(d.month()); });
    for (const int start : {1, 9, 10}) {
        SCOPED_TRACE(start);
        ChartRequest r = yearly();
        r.horizon = QStringLiteral("H");
        r.hydroStartMonth = start;
        r.selectedYear = 2004;
        const ChartCurves c = yearlyCurves(b.series(), noNormals(), r, {});
        ASSERT_EQ(c.steps.size(), 12);
        EXPECT_EQ(c.steps.first(), monthLabel(start));
        EXPECT_EQ(c.steps.last(), monthLabel(start == 1 ? 12 : start - 1));
        EXPECT_EQ(c.curve(1)->title,
                  start == 1 ? QStringLiteral("Année 2004") : QStringLiteral("Année 2004-2005"));
        // Step 1 is the start month of 2004; the last step its month before, in 2005.
        EXPECT_EQ(at(c, 1, 0), start * daysInMonth(2004, start));
        const int lastMonth = start == 1 ? 12 : start - 1;
        EXPECT_EQ(at(c, 1, 11), lastMonth * daysInMonth(start == 1 ? 2004 : 2005, lastMonth));

        r.typeEdition = QStringLiteral("CUMUL_MENSUEL");
        const ChartCurves months = yearlyCurves(b.series(), noNormals(), r, {});
        ASSERT_EQ(months.curves.size(), 12u);
        EXPECT_EQ(months.steps.first(),
                  start == 1 ? QStringLiteral("2003") : QStringLiteral("2002-2003"));
        // Curve 3 is March whatever the start; March 2005 sits in 2004-2005.
        // The third step: 2005, or 2004-2005.
        EXPECT_EQ(at(months, 3, 2), 3 * 31);
        EXPECT_EQ(months.curve(3)->title, QStringLiteral("mars"));
    }
    ChartRequest r = yearly(QStringLiteral("CUMUL_ANNUEL"));
    const ChartCurves years = yearlyCurves(b.series(), noNormals(), r, {});
    ASSERT_EQ(years.steps, (QStringList{QStringLiteral("2003"), QStringLiteral("2004"),
                                        QStringLiteral("2005")}));
    EXPECT_EQ(at(years, 1, 1), 31 * 1 + 29 * 2 + 31 * 3 + 30 * 4 + 31 * 5 + 30 * 6 + 31 * 7 +
                                   31 * 8 + 30 * 9 + 31 * 10 + 30 * 11 + 31 * 12);
    EXPECT_EQ(years.yearCount, 3);
    r.horizon = QStringLiteral("H");
    r.hydroStartMonth = 10;
    const ChartCurves hydro = yearlyCurves(b.series(), noNormals(), r, {});
    ASSERT_EQ(hydro.steps.size(), 4); // 2002-2003 to 2005-2006, both ends partial
    EXPECT_TRUE(hydro.curve(1)->incomplete[0]);
    EXPECT_FALSE(hydro.curve(1)->incomplete[1]);
    EXPECT_EQ(hydro.yearCount, 2);
}

// Free parameters are averaged, not summed, and have neither unit nor normals; the
// rainfall normals are rotated to the year start and cumulated with the year.
TEST(YearlyCurves, MeansForFreeParametersAndNormals)
{
    SeriesBuilder b;
    b.days(QDate(2020, 1, 1), QDate(2021, 12, 31), [](QDate d) { return double(d.day()); }, 4);
    b.days(QDate(2020, 1, 1), QDate(2021, 12, 31), [](QDate) { return 1.0; }, 1);
    StationNormals normals = noNormals();
    for (int m = 0; m < 12; ++m)
        normals.pluie[size_t(m)] = 10 * (m + 1);
    normals.etp[0] = 5;
    normals.title = QStringLiteral("Moyennes 1991-2020");
    normals.hasMonths = true;

    ChartRequest r = yearly();
    r.parametres = QStringLiteral("4");
    ChartCurves c = yearlyCurves(b.series(), normals, r, {});
    EXPECT_EQ(at(c, 1, 0), 16);   // mean of 1..31, in 2021, the selected year
    EXPECT_EQ(at(c, 1, 1), 14.5); // mean of 1..28
    EXPECT_EQ(c.unit, QString());
    EXPECT_EQ(c.curve(10), nullptr);

    r.parametres = QStringLiteral("1");
    r.horizon = QStringLiteral("H");
    r.hydroStartMonth = 9;
    r.cumul = true;
    c = yearlyCurves(b.series(), normals, r, {});
    EXPECT_EQ(c.unit, QStringLiteral("mm"));
    ASSERT_NE(c.curve(10), nullptr);
    EXPECT_EQ(c.curve(10)->title, QStringLiteral("Moyennes 1991-2020"));
    EXPECT_EQ(at(c, 10, 0), 90);
    EXPECT_EQ(at(c, 10, 1), 190);
    EXPECT_EQ(at(c, 10, 11), 780);
    normals.hasMonths = false;
    EXPECT_EQ(yearlyCurves(b.series(), normals, r, {}).curve(10), nullptr);

    // A mean beside an amount: its own axis and caption, drawn as a line.
    ChartRequest chronicle;
    chronicle.parametres = QStringLiteral("41");
    chronicle.horizon = QStringLiteral("M");
    chronicle.freeLabels = {QStringLiteral("Température (°C)"), QString(), QString()};
    c = chronicleCurves(b.series(), chronicle, {});
    ASSERT_EQ(c.curves.size(), 2u);
    EXPECT_EQ(c.curves[0].number, 4);
    EXPECT_EQ(c.curves[0].y[0], 16);
    EXPECT_EQ(c.curves[0].title, QStringLiteral("Température (°C)"));
    EXPECT_TRUE(c.curves[0].rightAxis);
    EXPECT_EQ(c.curves[0].style, CurveStyle::Line);
    EXPECT_EQ(c.curves[1].number, 1);
    EXPECT_EQ(c.curves[1].y[0], 31);
    EXPECT_FALSE(c.curves[1].rightAxis);
    EXPECT_EQ(c.unit, QStringLiteral("mm"));
    EXPECT_EQ(c.rightLabel, QStringLiteral("Température (°C)"));
    EXPECT_TRUE(c.title.startsWith(QStringLiteral("Température (°C), Pluie, ")));
    chronicle.parametres = QStringLiteral("4");
    c = chronicleCurves(b.series(), chronicle, {});
    EXPECT_FALSE(c.curves[0].rightAxis);
    EXPECT_EQ(c.rightLabel, QString());
}

// The chronicle: one curve per parameter on the time axis, periods at their start,
// cumulated over the shown range, limited to the asked dates.
TEST(ChronicleCurves, StepsCumulAndRange)
{
    SeriesBuilder b;
    for (int h = 0; h < 48; ++h)
        b.add(QDate(2022, 6, 1 + h / 24), 0.5, 1, 'V', 'A', QTime(h % 24, 0));
    b.add(QDate(2022, 7, 3), 2, 3, 'V', 'A', QTime(12, 0));
    ChartRequest r;
    r.parametres = QStringLiteral("13");
    ChartCurves c = chronicleCurves(b.series(), r, {});
    ASSERT_EQ(c.curves.size(), 2u);
    EXPECT_EQ(c.axis, AxisKind::Time);
    EXPECT_EQ(c.curves[0].x.size(), 48u);
    EXPECT_EQ(c.curves[0].barWidth, 3600);
    EXPECT_EQ(c.curves[0].x[1], QDateTime(QDate(2022, 6, 1), QTime(1, 0), Qt::UTC).toSecsSinceEpoch());
    EXPECT_EQ(c.curves[1].x[0], QDateTime(QDate(2022, 7, 3), QTime(12, 0), Qt::UTC).toSecsSinceEpoch());

    r.horizon = QStringLiteral("D");
    r.cumul = true;
    c = chronicleCurves(b.series(), r, {});
    ASSERT_EQ(c.curves[0].y.size(), 1u);
    EXPECT_EQ(c.curves[0].y[0], 24);
    EXPECT_TRUE(c.curves[0].incomplete[0]);
    EXPECT_EQ(c.curves[0].barWidth, 10 * 86400);
    EXPECT_EQ(c.curves[0].x[0], QDateTime(QDate(2022, 6, 1), QTime(0, 0), Qt::UTC).toSecsSinceEpoch());

    r.horizon = QStringLiteral("S");
    r.from = QDate(2022, 6, 2);
    r.to = QDate(2022, 6, 2);
    c = chronicleCurves(b.series(), r, {});
    ASSERT_EQ(c.curves[0].y.size(), 24u);
    EXPECT_EQ(c.curves[0].y.back(), 12); // cumulated from the first shown value
    EXPECT_TRUE(c.curves[1].y.empty());
}

// Monthly means over 1991-2020 when 24 of those years are complete for the month, else
// over every complete year, the period said.
TEST(InternalStatisticsTest, ReferencePeriodOrWholeRecord)
{
    SeriesBuilder b;
    b.days(QDate(1985, 1, 1), QDate(2020, 12, 31), [](QDate d) {
        // January of 1991-1997 misses a day: 23 complete reference years only.
        if (d.month() == 1 && d.day() == 5 && d.year() >= 1991 && d.year() <= 1997)
            return kNoValue;
        return d.year() >= 1991 ? 2.0 : 1.0;
    });
    const InternalStatistics s = internalStatistics(b.series(), 1, {});
    EXPECT_EQ(s.periods[0], QStringLiteral("1985-2020"));
    EXPECT_EQ(s.years[0], 29);
    EXPECT_NEAR(s.means[0], (6 * 31 + 23 * 62) / 29.0, 1e-9);
    EXPECT_EQ(s.periods[1], QStringLiteral("1991-2020"));
    EXPECT_EQ(s.years[1], 30);
    EXPECT_NEAR(s.means[1], (22 * 56 + 8 * 58) / 30.0, 1e-9);
    EXPECT_EQ(s.title, QStringLiteral("Statistiques internes 1985-2020 (selon le mois)"));
    const StationNormals asNormals = internalStatisticsAsNormals(s, 1);
    EXPECT_TRUE(asNormals.hasMonths);
    EXPECT_EQ(asNormals.pluie[1], s.means[1]);
    EXPECT_FALSE(internalStatisticsAsNormals(s, 5).hasMonths);
}
