#pragma once

#include "charts/chartengine.h"
#include "charts/followup.h"

#include <array>
#include <vector>

namespace plx {

// The normals beside a follow-up table, for the summed parameters that have normals
// (1 rainfall, 2 effective rainfall, 3 evapotranspiration) at the month and year steps.
//
// The normal of a period is that of the days it covers inside the window: each month it
// touches counts for its normal times the share of its days covered. A whole month gives
// its normal, a whole year the sum of its twelve; a month cut by the window a prorated
// part, so that a month in progress is compared with what was due so far. NaN when a month
// touched has no normal.
struct FollowUpNormals
{
    std::vector<std::vector<double>> periods; // [period][station]
    std::vector<double> cumul, total;         // [station]: complete periods, whole window
    QStringList titles;                       // [station]: what the reference is
};

// Whether the comparison applies to this parameter and step.
bool followUpHasNormals(int parameter, FollowUpStep step);

// The reference of one station, January first: its published normals of the parameter,
// else its own monthly means (internal statistics) when it has no published month. title
// names the one used.
std::array<double, 12> followUpReference(const StationSeries &series, const StationNormals &normals,
                                         int parameter, const DataSelection &selection,
                                         QString *title);

// monthly: one reference per station of table, in its column order.
FollowUpNormals followUpNormals(const FollowUpTable &table,
                                const std::vector<std::array<double, 12>> &monthly);

// value as a percentage of normal; NaN when either is missing or the normal is not positive.
double percentOfNormal(double value, double normal);

} // namespace plx
