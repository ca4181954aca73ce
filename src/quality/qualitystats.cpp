#include "quality/qualitystats.h"

#include "base/locale.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace plx {

double quantileExcluding(const std::vector<double> &sorted, double q, double excluded)
{
    const auto found = std::lower_bound(sorted.begin(), sorted.end(), excluded);
    const bool skip = found != sorted.end() && *found == excluded;
    const size_t gap = skip ? size_t(found - sorted.begin()) : sorted.size();
    const size_t n = sorted.size() - (skip ? 1 : 0);
    if (n < 2)
        return std::numeric_limits<double>::quiet_NaN();
    const auto at = [&](size_t i) { return sorted[i < gap ? i : i + 1]; };
    const double position = std::clamp(q, 0.0, 1.0) * double(n - 1);
    const size_t low = size_t(std::floor(position));
    const size_t high = std::min(low + 1, n - 1);
    const double fraction = position - double(low);
    return at(low) + (at(high) - at(low)) * fraction;
}

void MonthlySample::add(int month, double value)
{
    m_months[month].push_back(value);
    m_all.push_back(value);
}

void MonthlySample::sort()
{
    for (std::vector<double> &month : m_months)
        std::sort(month.begin(), month.end());
    std::sort(m_all.begin(), m_all.end());
}

const std::vector<double> *MonthlySample::sampleFor(int month, size_t minimum) const
{
    if (m_months[month].size() >= minimum)
        return &m_months[month];
    return m_all.size() >= minimum ? &m_all : nullptr;
}

QString frenchMonth(int month)
{
    static const char *const names[12] = {"janvier",   "février", "mars",     "avril",
                                          "mai",       "juin",    "juillet",  "août",
                                          "septembre", "octobre", "novembre", "décembre"};
    return QString::fromUtf8(names[std::clamp(month, 0, 11)]);
}

QString mmText(double value)
{
    return formatNumber(value, 1) + QStringLiteral(" mm");
}

} // namespace plx
