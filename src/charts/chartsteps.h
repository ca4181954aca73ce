#pragma once

#include "charts/chartengine.h"

#include <QString>

#include <cstdint>
#include <vector>

namespace plx {

// Grouping steps of the charts. Year is a year starting on the first of a start month
// (1: the calendar year; otherwise the hydrological year "Y-Y+1").
enum class Step { Raw, Decade, Month, Quarter, Year };

// Horizon codes S D M T A H; hydro (H) gives Year with the hydrological start month.
// False for an unknown code.
bool stepOfHorizon(const QString &horizon, int hydroStartMonth, Step *step, int *startMonth);

// A civil date as integers, from days since 1970-01-01 and back (proleptic Gregorian),
// without QDate: the loops below run once per row.
struct CivilDate
{
    int year = 1970, month = 1, day = 1;
};
CivilDate civilFromDays(int64_t days);
int64_t daysFromCivil(int year, int month, int day);
int daysInMonth(int year, int month);

// The year a date belongs to for a year starting in startMonth: 1948 for October 1948
// and for March 1949 when the year starts in September.
inline int yearOfMonth(int year, int month, int startMonth)
{
    return month >= startMonth ? year : year - 1;
}

// "1948", or "1948-1949" when the year does not start in January.
QString yearLabel(int year, int startMonth);
// "janv." ... "déc." for month 1..12.
QString monthLabel(int month);

// Totals for rainfall, effective rainfall and evapotranspiration (1-3), means for the
// free parameters (4-6).
inline bool parameterIsMean(int parameter) { return parameter >= 4; }
QString parameterName(int parameter, const std::array<QString, 3> &freeLabels = {});          // "Pluie", ..., "Paramètre 3"
QString parameterUnit(int parameter);          // "mm" or ""

// Whether a row enters the charts. Validite 'V' (validated) and 'C' (controlled) are the
// only validated states; the devalidation writes ''. ModeObtention carries how a value
// was obtained: 'I' (interprétée) and 'E' (estimée) are interpreted values, 'X'
// (incorrecte) and 'F' (fausse) values known to be wrong; 'M' (typed in the validation
// editor) and the letters of the acquisition chain are plain measurements.
bool rowSelected(char validite, char obtention, const DataSelection &selection);

// One period of a grouped series.
struct Period
{
    int64_t firstDay = 0; // days since 1970-01-01
    int lengthDays = 0;   // days the period covers (1 for a raw value)
    int year = 0;         // calendar year of the first day; Year: the year's label year
    int month = 0;        // calendar month of the first day; Year: the start month
    double value = 0;     // total, or mean for the free parameters
    int daysWithValue = 0;
    bool complete = false;
    int64_t t = 0;        // raw steps: the instant in seconds
};

// The selected rows of one parameter grouped by step, in time order, periods without any
// value left out. Completeness: every day of the period has at least one value (for a
// timed series as for a daily one; a day with one 5-minute value counts as present, so
// that scattered gaps in a timed record do not empty the statistics). Raw values are
// always complete. Rows outside [fromSeconds, toSeconds) are ignored.
struct GroupOptions
{
    int parameter = 1;    // 1..6
    Step step = Step::Month;
    int startMonth = 1;   // for Year
    DataSelection selection;
    int64_t fromSeconds = INT64_MIN, toSeconds = INT64_MAX;
};
std::vector<Period> groupSeries(const StationSeries &series, const GroupOptions &options);

// Nominal length of a step in seconds, for bar widths: a decade 10 days, a month a twelfth
// of 365.25 days, a quarter a quarter of it, a year 365.25 days.
double nominalStepSeconds(Step step);

} // namespace plx
