#include "charts/internalstatistics.h"

#include "charts/chartsteps.h"

#include <cmath>
#include <limits>
#include <vector>

namespace plx {

InternalStatistics internalStatistics(const StationSeries &series, int parameter,
                                      const DataSelection &selection)
{
    InternalStatistics out;
    out.means.fill(std::numeric_limits<double>::quiet_NaN());
    GroupOptions options;
    options.parameter = parameter;
    options.step = Step::Month;
    options.selection = selection;
    const std::vector<Period> months = groupSeries(series, options);

    for (int m = 1; m <= 12; ++m) {
        double all = 0, reference = 0;
        int allYears = 0, referenceYears = 0, first = 0, last = 0;
        for (const Period &p : months) {
            if (p.month != m || !p.complete)
                continue;
            all += p.value;
            if (allYears++ == 0)
                first = p.year;
            last = p.year;
            if (p.year >= kReferenceFirstYear && p.year <= kReferenceLastYear) {
                reference += p.value;
                ++referenceYears;
            }
        }
        const size_t i = size_t(m - 1);
        if (referenceYears >= kReferenceMinYears) {
            out.means[i] = reference / referenceYears;
            out.years[i] = referenceYears;
            out.periods[i] = QStringLiteral("%1-%2").arg(kReferenceFirstYear).arg(kReferenceLastYear);
        } else if (allYears > 0) {
            out.means[i] = all / allYears;
            out.years[i] = allYears;
            out.periods[i] = QStringLiteral("%1-%2").arg(first).arg(last);
        }
    }

    // One period in the title when the months share it, else the whole span used.
    QString shared;
    bool same = true;
    int first = 0, last = 0;
    for (const QString &period : out.periods) {
        if (period.isEmpty())
            continue;
        if (shared.isEmpty())
            shared = period;
        same = same && period == shared;
        const int a = period.left(4).toInt(), b = period.right(4).toInt();
        first = first == 0 ? a : qMin(first, a);
        last = qMax(last, b);
    }
    if (!shared.isEmpty())
        out.title = QStringLiteral("Statistiques internes ") +
                    (same ? shared : QStringLiteral("%1-%2 (selon le mois)").arg(first).arg(last));
    return out;
}

StationNormals internalStatisticsAsNormals(const InternalStatistics &statistics, int parameter)
{
    StationNormals normals;
    normals.pluie.fill(std::numeric_limits<double>::quiet_NaN());
    normals.pluieEfficace = normals.pluie;
    normals.etp = normals.pluie;
    std::array<double, 12> *target = parameter == 1   ? &normals.pluie
                                     : parameter == 2 ? &normals.pluieEfficace
                                     : parameter == 3 ? &normals.etp
                                                      : nullptr;
    if (!target)
        return normals;
    *target = statistics.means;
    for (double v : statistics.means)
        normals.hasMonths = normals.hasMonths || !std::isnan(v);
    normals.title = statistics.title;
    return normals;
}

} // namespace plx
