#pragma once

#include "charts/chartengine.h"

#include <QString>

#include <array>

namespace plx {

// "Statistiques internes": the station's own monthly means, for comparing a year with
// its record when no published normals exist. A month is averaged over the reference
// period 1991-2020 when at least 24 of those 30 years have it complete, else over every
// year that has it complete.
struct InternalStatistics
{
    std::array<double, 12> means{};   // January first; NaN where no year is complete
    std::array<int, 12> years{};      // years averaged
    std::array<QString, 12> periods;  // "1991-2020", or the first and last years used
    QString title;                    // e.g. "Statistiques internes 1991-2020"
};

inline constexpr int kReferenceFirstYear = 1991;
inline constexpr int kReferenceLastYear = 2020;
inline constexpr int kReferenceMinYears = 24;

// parameter 1..6 (totals for 1-3, means for 4-6).
InternalStatistics internalStatistics(const StationSeries &series, int parameter,
                                      const DataSelection &selection);

// As normals, so that the yearly charts draw them like PLUVIOMETRE_NORMALES (for
// parameters 1 to 3).
StationNormals internalStatisticsAsNormals(const InternalStatistics &statistics, int parameter);

} // namespace plx
