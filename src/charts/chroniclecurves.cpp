#include "charts/chartengine.h"
#include "charts/chartsteps.h"

#include <algorithm>

namespace plx {

namespace {

QString stepName(Step step, int startMonth)
{
    switch (step) {
    case Step::Raw:
        return QStringLiteral("sans regroupement");
    case Step::Decade:
        return QStringLiteral("décade");
    case Step::Month:
        return QStringLiteral("mois");
    case Step::Quarter:
        return QStringLiteral("trimestre");
    case Step::Year:
        return startMonth == 1 ? QStringLiteral("année civile")
                               : QStringLiteral("année hydrologique");
    }
    return QString();
}

// The usual spacing of raw values, for the width of their bars: the median gap between
// consecutive values (a few long gaps do not widen the bars).
double rawSpacing(const std::vector<Period> &values)
{
    std::vector<int64_t> gaps;
    const size_t n = qMin<size_t>(values.size(), 20001);
    gaps.reserve(n);
    for (size_t i = 1; i < n; ++i) {
        const int64_t gap = values[i].t - values[i - 1].t;
        if (gap > 0)
            gaps.push_back(gap);
    }
    if (gaps.empty())
        return 86400;
    std::nth_element(gaps.begin(), gaps.begin() + std::ptrdiff_t(gaps.size() / 2), gaps.end());
    return double(gaps[gaps.size() / 2]);
}

} // namespace

ChartCurves chronicleCurves(const StationSeries &series, const ChartRequest &request,
                            const DataSelection &selection)
{
    ChartCurves out;
    out.axis = AxisKind::Time;
    Step step = Step::Raw;
    int startMonth = 1;
    if (!stepOfHorizon(request.horizon, request.hydroStartMonth, &step, &startMonth))
        step = Step::Raw;

    GroupOptions options;
    options.step = step;
    options.startMonth = startMonth;
    options.selection = selection;
    if (request.from.isValid())
        options.fromSeconds = (request.from.toJulianDay() - 2440588) * 86400;
    if (request.to.isValid())
        options.toSeconds = (request.to.toJulianDay() - 2440588 + 1) * 86400;
    const CurveStyle style = request.visualisation.trimmed().toUpper() == QLatin1String("COURBE")
                                 ? CurveStyle::Line
                                 : CurveStyle::Bars;

    QStringList names;
    bool allRainfall = true;
    bool seen[7] = {};
    for (const QChar ch : request.parametres) {
        const int parameter = ch.digitValue();
        if (parameter < 1 || parameter > 6 || seen[parameter])
            continue;
        seen[parameter] = true;
        options.parameter = parameter;
        const std::vector<Period> periods = groupSeries(series, options);

        ChartCurve c;
        c.number = parameter;
        c.title = parameterName(parameter, request.freeLabels);
        c.style = style;
        c.barWidth = step == Step::Raw ? rawSpacing(periods) : nominalStepSeconds(step);
        c.x.reserve(periods.size());
        c.y.reserve(periods.size());
        if (step != Step::Raw)
            c.incomplete.reserve(periods.size());
        double sum = 0;
        for (const Period &p : periods) {
            c.x.push_back(double(p.t));
            sum = request.cumul ? sum + p.value : p.value;
            c.y.push_back(sum);
            if (step != Step::Raw)
                c.incomplete.push_back(!p.complete);
        }
        names << c.title;
        out.curves.push_back(std::move(c));
        allRainfall = allRainfall && parameter <= 3;
    }
    out.unit = allRainfall && !names.isEmpty() ? QStringLiteral("mm") : QString();
    // Means beside amounts: the means take the right-hand axis, as lines.
    const bool mixed = !allRainfall && std::any_of(out.curves.begin(), out.curves.end(),
                                                   [](const ChartCurve &c) { return c.number <= 3; });
    if (mixed) {
        out.unit = QStringLiteral("mm");
        QStringList right;
        for (ChartCurve &c : out.curves) {
            if (c.number <= 3)
                continue;
            c.rightAxis = true;
            c.style = CurveStyle::Line;
            right << c.title;
        }
        out.rightLabel = right.join(QStringLiteral(", "));
    }
    if (!names.isEmpty())
        out.title = names.join(QStringLiteral(", ")) + QStringLiteral(", ") +
                    stepName(step, startMonth) + (request.cumul ? QStringLiteral(", cumul") : QString());
    return out;
}

} // namespace plx
