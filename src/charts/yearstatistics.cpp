#include "charts/yearstatistics.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace plx {

namespace {
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
}

double quantileType7(const std::vector<double> &sorted, double p)
{
    const size_t n = sorted.size();
    if (n == 0)
        return kNaN;
    const double h = double(n - 1) * p;
    const size_t low = size_t(std::floor(h));
    if (low + 1 >= n)
        return sorted[n - 1];
    return sorted[low] + (h - double(low)) * (sorted[low + 1] - sorted[low]);
}

YearTable buildYearTable(const std::vector<Period> &months, int startMonth)
{
    YearTable table;
    table.startMonth = startMonth;
    if (months.empty())
        return table;
    const auto yearOf = [&](const Period &p) { return yearOfMonth(p.year, p.month, startMonth); };
    table.firstYear = yearOf(months.front());
    const int years = yearOf(months.back()) - table.firstYear + 1;
    std::array<double, 12> empty;
    empty.fill(kNaN);
    table.values.assign(size_t(years), empty);
    table.complete.assign(size_t(years), std::array<bool, 12>{});
    for (const Period &p : months) {
        const size_t row = size_t(yearOf(p) - table.firstYear);
        const size_t column = size_t((p.month - startMonth + 12) % 12);
        table.values[row][column] = p.value;
        table.complete[row][column] = p.complete;
    }
    return table;
}

YearTable cumulateYears(const YearTable &table)
{
    YearTable out = table;
    for (size_t r = 0; r < table.values.size(); ++r) {
        double sum = 0;
        bool complete = true;
        for (size_t k = 0; k < 12; ++k) {
            const double v = table.values[r][k];
            complete = complete && table.complete[r][k];
            if (!std::isnan(v))
                sum += v;
            out.values[r][k] = std::isnan(v) ? kNaN : sum;
            out.complete[r][k] = complete;
        }
    }
    return out;
}

StepStatistics stepStatistics(const YearTable &table, int step, int excludedRow,
                              std::vector<bool> *usedRows)
{
    StepStatistics s;
    thread_local std::vector<double> values;
    values.clear();
    const size_t k = size_t(step);
    for (size_t r = 0; r < table.values.size(); ++r) {
        if (int(r) == excludedRow || !table.complete[r][k] || std::isnan(table.values[r][k]))
            continue;
        values.push_back(table.values[r][k]);
        if (usedRows)
            (*usedRows)[r] = true;
    }
    s.years = int(values.size());
    if (values.empty()) {
        s.minimum = s.mean = s.maximum = s.median = kNaN;
        s.quintiles.fill(kNaN);
        return s;
    }
    std::sort(values.begin(), values.end());
    double sum = 0;
    for (double v : values)
        sum += v;
    s.minimum = values.front();
    s.maximum = values.back();
    s.mean = sum / double(values.size());
    s.median = s.years >= kMinYearsForMedian ? quantileType7(values, 0.5) : kNaN;
    for (size_t q = 0; q < 4; ++q)
        s.quintiles[q] = s.years >= kMinYearsForQuintiles
                             ? quantileType7(values, 0.2 * double(q + 1))
                             : kNaN;
    return s;
}

std::array<double, 12> rotatedNormals(const StationNormals &normals, int parameter,
                                      int startMonth, bool cumulate)
{
    std::array<double, 12> out;
    out.fill(kNaN);
    const std::array<double, 12> *source = nullptr;
    switch (parameter) {
    case 1:
        source = &normals.pluie;
        break;
    case 2:
        source = &normals.pluieEfficace;
        break;
    case 3:
        source = &normals.etp;
        break;
    default:
        break;
    }
    if (!source || !normals.hasMonths)
        return out;
    double sum = 0;
    bool broken = false;
    for (size_t k = 0; k < 12; ++k) {
        const double v = (*source)[size_t((startMonth - 1 + int(k)) % 12)];
        if (!cumulate) {
            out[k] = v;
            continue;
        }
        broken = broken || std::isnan(v);
        sum += broken ? 0 : v;
        out[k] = broken ? kNaN : sum;
    }
    return out;
}

} // namespace plx
