#pragma once

#include "charts/chartsteps.h"

#include <array>
#include <vector>

namespace plx {

// Linear interpolation between order statistics (Hyndman-Fan type 7, as R, numpy and
// PERCENTILE.INC): sorted must be ascending and not empty; p in [0, 1].
double quantileType7(const std::vector<double> &sorted, double p);

// A station's record as years x twelve monthly steps, the first step being the start
// month: row r is the year firstYear + r ("1948" or "1948-1949"), column k the month
// (startMonth - 1 + k) % 12 + 1. Every year from the first to the last with a value has
// its row, empty or not.
struct YearTable
{
    int startMonth = 1;
    int firstYear = 0;
    std::vector<std::array<double, 12>> values;   // NaN where the month has no value
    std::vector<std::array<bool, 12>> complete;   // every day of the month has a value

    int years() const { return int(values.size()); }
    int rowOf(int year) const { return year - firstYear; }
    bool hasRow(int year) const { return year >= firstYear && year < firstYear + years(); }
};

// From periods grouped by Step::Month.
YearTable buildYearTable(const std::vector<Period> &months, int startMonth);

// Each year cumulated from its first step: a step holds the sum of the year's values up
// to it (missing months adding nothing) where the month itself has a value, NaN
// elsewhere; it is complete only when every month up to it is. Cumulating each year
// before taking statistics is what makes a median of cumulations.
YearTable cumulateYears(const YearTable &table);

// The statistics of one step over the years complete at that step, except one.
struct StepStatistics
{
    int years = 0;
    double minimum = 0, mean = 0, maximum = 0, median = 0;
    std::array<double, 4> quintiles{}; // 0.2, 0.4, 0.6, 0.8
};
inline constexpr int kMinYearsForQuintiles = 5;
inline constexpr int kMinYearsForMedian = 3;

// excludedRow: the selected year's row, or -1. usedRows, when given, is set to true for
// every row entering the statistics.
StepStatistics stepStatistics(const YearTable &table, int step, int excludedRow,
                              std::vector<bool> *usedRows = nullptr);

// The twelve normal values of a parameter rotated to start with startMonth, cumulated
// when asked (NaN from the first missing month on); all NaN for the free parameters or
// when the station has no month rows.
std::array<double, 12> rotatedNormals(const StationNormals &normals, int parameter,
                                      int startMonth, bool cumulate);

} // namespace plx
