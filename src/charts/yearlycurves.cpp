#include "charts/chartengine.h"
#include "charts/chartsteps.h"
#include "charts/yearstatistics.h"

#include <cmath>
#include <limits>

namespace plx {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

ChartCurve stepCurve(int number, const QString &title, CurveStyle style, int steps)
{
    ChartCurve c;
    c.number = number;
    c.title = title;
    c.style = style;
    c.barWidth = 1;
    c.x.resize(size_t(steps));
    for (int i = 0; i < steps; ++i)
        c.x[size_t(i)] = i + 1;
    c.y.assign(size_t(steps), kNaN);
    return c;
}

CurveStyle styleOf(const ChartRequest &request)
{
    return request.visualisation.trimmed().toUpper() == QLatin1String("COURBE") ? CurveStyle::Line
                                                                                : CurveStyle::Bars;
}

int parameterOf(const ChartRequest &request)
{
    const QString p = request.parametres.trimmed();
    if (p.isEmpty() || !p[0].isDigit())
        return 0;
    const int parameter = p[0].digitValue();
    return parameter >= 1 && parameter <= 6 ? parameter : 0;
}

QString statisticsNote(int years, int first, int last, int fewest, int most, int startMonth)
{
    if (years == 0)
        return QString();
    QString note = QStringLiteral("Statistiques sur %1 %2 (%3-%4)")
                       .arg(years)
                       .arg(years > 1 ? QStringLiteral("années") : QStringLiteral("année"))
                       .arg(first)
                       .arg(startMonth == 1 ? last : last + 1);
    // Months are complete in different years: say how far the counts go.
    if (fewest != most)
        note += QStringLiteral(", de %1 à %2 selon le mois").arg(fewest).arg(most);
    return note;
}

// EDITION: the selected year against the statistics of the other complete years.
void editionCurves(const YearTable &monthly, const StationNormals &normals, int parameter,
                   const ChartRequest &request, int selectedYear, ChartCurves &out)
{
    const YearTable table = request.cumul ? cumulateYears(monthly) : monthly;
    const int startMonth = monthly.startMonth;
    for (int k = 0; k < 12; ++k)
        out.steps << monthLabel((startMonth - 1 + k) % 12 + 1);

    ChartCurve year = stepCurve(1, QStringLiteral("Année ") + yearLabel(selectedYear, startMonth),
                                styleOf(request), 12);
    year.incomplete.assign(12, false);
    const int selectedRow = table.hasRow(selectedYear) ? table.rowOf(selectedYear) : -1;
    if (selectedRow >= 0) {
        for (size_t k = 0; k < 12; ++k) {
            year.y[k] = table.values[size_t(selectedRow)][k];
            year.incomplete[k] = !std::isnan(year.y[k]) && !table.complete[size_t(selectedRow)][k];
        }
    }
    out.curves.push_back(std::move(year));

    const char *const titles[] = {"Enveloppe mini", "Moyenne",    "Enveloppe maxi",
                                  "Quintile 1",     "Quintile 2", "Quintile 3",
                                  "Quintile 4",     "Médiane"};
    for (int n = 2; n <= 9; ++n)
        out.curves.push_back(
            stepCurve(n, QString::fromUtf8(titles[n - 2]), CurveStyle::Line, 12));

    std::vector<bool> used(size_t(table.years()), false);
    int fewest = std::numeric_limits<int>::max(), most = 0;
    for (int k = 0; k < 12; ++k) {
        const StepStatistics s = stepStatistics(table, k, selectedRow, &used);
        fewest = qMin(fewest, s.years);
        most = qMax(most, s.years);
        const size_t i = size_t(k);
        out.curves[1].y[i] = s.minimum;
        out.curves[2].y[i] = s.mean;
        out.curves[3].y[i] = s.maximum;
        for (size_t q = 0; q < 4; ++q)
            out.curves[4 + q].y[i] = s.quintiles[q];
        out.curves[8].y[i] = s.median;
    }
    int first = 0, last = 0;
    for (int r = 0; r < table.years(); ++r) {
        if (!used[size_t(r)])
            continue;
        if (out.yearCount == 0)
            first = table.firstYear + r;
        last = table.firstYear + r;
        ++out.yearCount;
    }
    out.legendNote = statisticsNote(out.yearCount, first, last, fewest, most, startMonth);

    // No normals for the free parameters nor without month rows: no curve, so that no
    // stale title labels an empty line.
    const std::array<double, 12> normal =
        rotatedNormals(normals, parameter, startMonth, request.cumul);
    bool any = false;
    for (double v : normal)
        any = any || !std::isnan(v);
    if (any) {
        ChartCurve c = stepCurve(10,
                                 normals.title.trimmed().isEmpty() ? QStringLiteral("Normales")
                                                                   : normals.title.trimmed(),
                                 CurveStyle::Line, 12);
        for (size_t k = 0; k < 12; ++k)
            c.y[k] = normal[k];
        out.curves.push_back(std::move(c));
    }
}

// CUMUL_MENSUEL: curve m is month m's value of every year, one step per year.
void monthlyCumulCurves(const YearTable &table, ChartCurves &out)
{
    const int years = table.years();
    for (int r = 0; r < years; ++r)
        out.steps << yearLabel(table.firstYear + r, table.startMonth);
    for (int m = 1; m <= 12; ++m) {
        ChartCurve c = stepCurve(m, monthLabel(m), CurveStyle::Bars, years);
        c.incomplete.assign(size_t(years), false);
        const size_t k = size_t((m - table.startMonth + 12) % 12);
        for (size_t r = 0; r < size_t(years); ++r) {
            c.y[r] = table.values[r][k];
            c.incomplete[r] = !std::isnan(c.y[r]) && !table.complete[r][k];
        }
        out.curves.push_back(std::move(c));
    }
    // Years whose twelve months are complete.
    for (int r = 0; r < years; ++r) {
        bool complete = true;
        for (bool c : table.complete[size_t(r)])
            complete = complete && c;
        out.yearCount += complete ? 1 : 0;
    }
}

// The yearbook's CUMUL_MENSUEL: twelve month steps from the year's start; curve 1 the
// selected year cumulated month by month, curve 2 the mean of the other years' cumulations
// (each year cumulated first, then averaged over the years complete up to that month).
void yearbookCumulCurves(const YearTable &monthly, int selectedYear, ChartCurves &out)
{
    const YearTable table = cumulateYears(monthly);
    const int startMonth = monthly.startMonth;
    for (int k = 0; k < 12; ++k)
        out.steps << monthLabel((startMonth - 1 + k) % 12 + 1);
    ChartCurve year =
        stepCurve(1, QStringLiteral("Cumuls de l'année ") + yearLabel(selectedYear, startMonth),
                  CurveStyle::Bars, 12);
    year.incomplete.assign(12, false);
    const int selectedRow = table.hasRow(selectedYear) ? table.rowOf(selectedYear) : -1;
    if (selectedRow >= 0) {
        for (size_t k = 0; k < 12; ++k) {
            year.y[k] = table.values[size_t(selectedRow)][k];
            year.incomplete[k] = !std::isnan(year.y[k]) && !table.complete[size_t(selectedRow)][k];
        }
    }
    out.curves.push_back(std::move(year));

    ChartCurve mean =
        stepCurve(2, QStringLiteral("Moyennes mensuelles cumulées"), CurveStyle::Line, 12);
    std::vector<bool> used(size_t(table.years()), false);
    int fewest = std::numeric_limits<int>::max(), most = 0;
    for (int k = 0; k < 12; ++k) {
        const StepStatistics s = stepStatistics(table, k, selectedRow, &used);
        fewest = qMin(fewest, s.years);
        most = qMax(most, s.years);
        if (s.years > 0)
            mean.y[size_t(k)] = s.mean;
    }
    out.curves.push_back(std::move(mean));
    int first = 0, last = 0;
    for (int r = 0; r < table.years(); ++r) {
        if (!used[size_t(r)])
            continue;
        if (out.yearCount == 0)
            first = table.firstYear + r;
        last = table.firstYear + r;
        ++out.yearCount;
    }
    out.legendNote = statisticsNote(out.yearCount, first, last, fewest, most, startMonth);
}

// CUMUL_ANNUEL: curve 1 is every year's value, one step per year.
void yearlyCumulCurve(const std::vector<Period> &years, int startMonth, const QString &name,
                      ChartCurves &out)
{
    if (years.empty())
        return;
    const int first = years.front().year, count = years.back().year - first + 1;
    for (int y = first; y < first + count; ++y)
        out.steps << yearLabel(y, startMonth);
    ChartCurve c = stepCurve(1, name, CurveStyle::Bars, count);
    c.incomplete.assign(size_t(count), false);
    for (const Period &p : years) {
        const size_t i = size_t(p.year - first);
        c.y[i] = p.value;
        c.incomplete[i] = !p.complete;
        out.yearCount += p.complete ? 1 : 0;
    }
    out.curves.push_back(std::move(c));
}

} // namespace

ChartCurves yearlyCurves(const StationSeries &series, const StationNormals &normals,
                         const ChartRequest &request, const DataSelection &selection)
{
    ChartCurves out;
    out.axis = AxisKind::Steps;
    const int parameter = parameterOf(request);
    if (parameter == 0)
        return out;
    out.unit = parameterUnit(parameter);

    // The yearly screens send "M" or "A" for the calendar year and "H" for the
    // hydrological one: only the year start matters here.
    const bool hydro = request.horizon.trimmed().toUpper() == QLatin1String("H");
    const int startMonth = hydro ? (request.hydroStartMonth >= 1 && request.hydroStartMonth <= 12
                                        ? request.hydroStartMonth
                                        : 9)
                                 : 1;
    const QString mode = request.typeEdition.trimmed().toUpper();

    GroupOptions options;
    options.parameter = parameter;
    options.selection = selection;
    options.startMonth = startMonth;
    const QString yearKind = hydro ? QStringLiteral("année hydrologique")
                                   : QStringLiteral("année civile");
    if (mode == QLatin1String("CUMUL_ANNUEL")) {
        options.step = Step::Year;
        out.title = parameterName(parameter, request.freeLabels) + QStringLiteral(" : comparaison annuelle, ") + yearKind;
        yearlyCumulCurve(groupSeries(series, options), startMonth,
                         parameterName(parameter, request.freeLabels), out);
        return out;
    }
    options.step = Step::Month;
    const YearTable table = buildYearTable(groupSeries(series, options), startMonth);
    if (table.years() == 0)
        return out;
    const int selectedYear =
        request.selectedYear != 0 ? request.selectedYear : table.firstYear + table.years() - 1;
    if (mode == QLatin1String("CUMUL_MENSUEL") && request.yearbook) {
        out.title = parameterName(parameter, request.freeLabels) +
                    QStringLiteral(" : cumuls mensuels de l'année, ") + yearKind;
        yearbookCumulCurves(table, selectedYear, out);
        return out;
    }
    if (mode == QLatin1String("CUMUL_MENSUEL")) {
        out.title = parameterName(parameter, request.freeLabels) + QStringLiteral(" : cumuls mensuels comparés, ") +
                    yearKind;
        monthlyCumulCurves(table, out);
        return out;
    }
    out.title = parameterName(parameter, request.freeLabels) +
                (request.cumul ? QStringLiteral(" : comparaison statistiques des cumuls, ")
                               : QStringLiteral(" : comparaison statistiques, ")) +
                yearKind;
    editionCurves(table, normals, parameter, request, selectedYear, out);
    return out;
}

} // namespace plx
