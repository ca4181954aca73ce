#include "charts/followupnormals.h"

#include "charts/internalstatistics.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace plx {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// The normal of the days first..last (both included).
double normalOfDays(const std::array<double, 12> &months, const QDate &first, const QDate &last)
{
    if (!first.isValid() || !last.isValid() || last < first)
        return kNaN;
    double sum = 0;
    for (QDate month(first.year(), first.month(), 1); month <= last; month = month.addMonths(1)) {
        const QDate monthEnd = month.addMonths(1).addDays(-1);
        const QDate from = std::max(month, first);
        const QDate to = std::min(monthEnd, last);
        const double normal = months[size_t(month.month() - 1)];
        if (std::isnan(normal))
            return kNaN;
        sum += normal * double(from.daysTo(to) + 1) / double(month.daysInMonth());
    }
    return sum;
}

} // namespace

bool followUpHasNormals(int parameter, FollowUpStep step)
{
    return parameter >= 1 && parameter <= 3 && step != FollowUpStep::Day;
}

std::array<double, 12> followUpReference(const StationSeries &series, const StationNormals &normals,
                                         int parameter, const DataSelection &selection,
                                         QString *title)
{
    std::array<double, 12> months{};
    months.fill(kNaN);
    const std::array<double, 12> *published = parameter == 1   ? &normals.pluie
                                              : parameter == 2 ? &normals.pluieEfficace
                                              : parameter == 3 ? &normals.etp
                                                               : nullptr;
    bool any = false;
    if (published && normals.hasMonths) {
        for (double v : *published)
            any = any || !std::isnan(v);
    }
    if (any) {
        months = *published;
        if (title)
            *title = normals.title.trimmed().isEmpty() ? QStringLiteral("Normales")
                                                       : normals.title.trimmed();
        return months;
    }
    if (parameter < 1 || parameter > 3)
        return months;
    const InternalStatistics statistics = internalStatistics(series, parameter, selection);
    if (title)
        *title = statistics.title;
    return statistics.means;
}

FollowUpNormals followUpNormals(const FollowUpTable &table,
                                const std::vector<std::array<double, 12>> &monthly)
{
    FollowUpNormals out;
    const size_t stations = size_t(table.stations.size());
    out.cumul.assign(stations, kNaN);
    out.total.assign(stations, kNaN);
    out.periods.assign(table.periods.size(), std::vector<double>(stations, kNaN));
    if (monthly.size() != stations)
        return out;
    for (size_t s = 0; s < stations; ++s) {
        double cumul = 0, total = 0;
        bool anyComplete = false;
        for (size_t p = 0; p < table.periods.size(); ++p) {
            const FollowUpPeriod &period = table.periods[p];
            const double normal = normalOfDays(monthly[s], period.first, period.last);
            out.periods[p][s] = normal;
            total += normal; // NaN spreads: a missing month leaves the total without normal
            if (p < table.cells.size() && s < table.cells[p].size() && table.cells[p][s].complete) {
                cumul += normal;
                anyComplete = true;
            }
        }
        if (!table.periods.empty())
            out.total[s] = total;
        if (anyComplete)
            out.cumul[s] = cumul;
    }
    return out;
}

double percentOfNormal(double value, double normal)
{
    if (std::isnan(value) || std::isnan(normal) || normal <= 0)
        return kNaN;
    return 100.0 * value / normal;
}

} // namespace plx
