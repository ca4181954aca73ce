#include "charts/chartengine.h"
#include "charts/chartsteps.h"
#include "charts/internalstatistics.h"
#include "charts/yearstatistics.h"

#include <cmath>
#include <limits>

namespace plx {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

ChartCurve barCurve(int number, const QString &title, int steps)
{
    ChartCurve c;
    c.number = number;
    c.title = title;
    c.style = CurveStyle::Bars;
    c.barWidth = 1;
    for (int i = 0; i < steps; ++i)
        c.x.push_back(i + 1);
    c.y.assign(size_t(steps), kNaN);
    return c;
}

int parameterOf(const QString &parametres)
{
    const QString p = parametres.trimmed();
    if (p.isEmpty() || !p[0].isDigit())
        return 0;
    const int parameter = p[0].digitValue();
    return parameter >= 1 && parameter <= 6 ? parameter : 0;
}

// The reference's twelve months, January first, and what names it.
struct Reference
{
    std::array<double, 12> months{};
    QString title;
    bool any = false;
};

Reference referenceOf(const StationSeries &series, const StationNormals &normals, int parameter,
                      const ChartRequest &request, const DataSelection &selection)
{
    Reference r;
    r.months.fill(kNaN);
    if (request.internalNormals) {
        const InternalStatistics statistics = internalStatistics(series, parameter, selection);
        r.months = statistics.means;
        r.title = statistics.title;
    } else if (normals.hasMonths) {
        // Published normals exist for the three amounts only.
        r.months = rotatedNormals(normals, parameter, 1, false);
        r.title = normals.title.trimmed().isEmpty() ? QStringLiteral("Normales")
                                                    : normals.title.trimmed();
    }
    for (double v : r.months)
        r.any = r.any || !std::isnan(v);
    return r;
}

} // namespace

ChartCurves normalsComparisonCurves(const StationSeries &series, const StationNormals &normals,
                                    const ChartRequest &request, const DataSelection &selection)
{
    ChartCurves out;
    out.axis = AxisKind::Steps;
    const int parameter = parameterOf(request.parametres);
    if (parameter == 0)
        return out;
    out.unit = parameterUnit(parameter);
    const QString name = parameterName(parameter, request.freeLabels);
    const Reference reference = referenceOf(series, normals, parameter, request, selection);
    const QString horizon = request.horizon.trimmed().toUpper();

    GroupOptions options;
    options.parameter = parameter;
    options.selection = selection;
    ChartCurve referenceCurve;
    if (horizon == QLatin1String("A")) {
        options.step = Step::Year;
        options.startMonth = 1;
        const std::vector<Period> years = groupSeries(series, options);
        if (years.empty())
            return out;
        const int first = years.front().year, count = years.back().year - first + 1;
        for (int y = first; y < first + count; ++y)
            out.steps << QString::number(y);
        ChartCurve totals = barCurve(1, name, count);
        totals.incomplete.assign(size_t(count), false);
        for (const Period &p : years) {
            totals.y[size_t(p.year - first)] = p.value;
            totals.incomplete[size_t(p.year - first)] = !p.complete;
        }
        out.curves.push_back(std::move(totals));
        // The yearly reference needs all twelve months: a partial sum would mislead.
        double sum = 0;
        bool whole = reference.any;
        for (double v : reference.months) {
            whole = whole && !std::isnan(v);
            sum += std::isnan(v) ? 0 : v;
        }
        referenceCurve = barCurve(2, reference.title, count);
        if (whole)
            referenceCurve.y.assign(size_t(count), parameterIsMean(parameter) ? sum / 12 : sum);
        out.title = name + QStringLiteral(" : comparaison aux normales, années civiles");
    } else {
        const bool hydro = horizon == QLatin1String("H");
        const int startMonth =
            hydro && request.hydroStartMonth >= 1 && request.hydroStartMonth <= 12
                ? request.hydroStartMonth
            : hydro ? 9
                    : 1;
        options.step = Step::Month;
        options.startMonth = startMonth;
        const YearTable table = buildYearTable(groupSeries(series, options), startMonth);
        if (table.years() == 0)
            return out;
        const int year =
            request.selectedYear != 0 ? request.selectedYear : table.firstYear + table.years() - 1;
        const QString label = yearLabel(year, startMonth);
        for (int k = 0; k < 12; ++k)
            out.steps << monthLabel((startMonth - 1 + k) % 12 + 1);
        ChartCurve totals = barCurve(1, QStringLiteral("Année ") + label, 12);
        totals.incomplete.assign(12, false);
        if (table.hasRow(year)) {
            const size_t row = size_t(table.rowOf(year));
            for (size_t k = 0; k < 12; ++k) {
                totals.y[k] = table.values[row][k];
                totals.incomplete[k] = !std::isnan(totals.y[k]) && !table.complete[row][k];
            }
        }
        out.curves.push_back(std::move(totals));
        referenceCurve = barCurve(2, reference.title, 12);
        for (int k = 0; k < 12; ++k)
            referenceCurve.y[size_t(k)] = reference.months[size_t((startMonth - 1 + k) % 12)];
        out.title = name + QStringLiteral(" : comparaison aux normales, ") +
                    (hydro ? QStringLiteral("année hydrologique ") : QStringLiteral("année ")) +
                    label;
    }
    // Without a reference, say so rather than label nothing with a stale title.
    if (reference.any)
        out.curves.push_back(std::move(referenceCurve));
    else
        out.legendNote = QStringLiteral("Aucune normale pour ce poste");
    return out;
}

} // namespace plx
