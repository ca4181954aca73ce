#pragma once

#include "charts/chartengine.h"

#include <QDate>
#include <QString>
#include <QStringList>

#include <limits>
#include <vector>

namespace plx {

// The rows of the rainfall follow-up: one per day, month or year of the window.
enum class FollowUpStep { Day, Month, Year };

// "jour", "mois", "annee" (also "année"); false for anything else.
bool followUpStepOf(const QString &text, FollowUpStep *step);

struct FollowUpOptions
{
    int parameter = 1;                   // 1..6; 4..6 are averaged, the others summed
    FollowUpStep step = FollowUpStep::Month;
    QDate from, to;                      // the window, both days included
    // The hour at which a rainfall day starts, on the stored instants (0 or 6). With 6,
    // day D runs from D 06:00 to D+1 06:00 and is dated D, as Météo-France dates its
    // daily rainfall: a value at 07:00 or 21:00 on D counts for D, one at 05:00 on D for
    // D-1, one at 06:00 sharp for D. Rows of a daily series (no time of day anywhere in
    // the table) keep their own date whatever the setting.
    int dayStartHour = 0;
    DataSelection selection;
};

// One station over one period. missingDays: days of the period inside the window without
// any value; complete: no missing day and the period wholly inside the window.
struct FollowUpCell
{
    double value = std::numeric_limits<double>::quiet_NaN(); // NaN: no value at all
    int missingDays = 0;
    bool complete = false;
};

struct FollowUpPeriod
{
    QString label;        // "05/03/2024", "03/2024" or "2024"
    QDate first, last;    // the part of the period inside the window
    bool partial = false; // the window cuts the period
};

// The table: periods × stations, then two summary rows per station.
//  - total: over the whole window, the sum of every value (the mean of every value for
//    the free parameters); missingDays counts every missing day of the window.
//  - cumul: the same over the complete periods only, the figure that can be compared
//    from one station to another; missingDays counts the window's days left out
//    because their period is incomplete. complete when no period was left out.
struct FollowUpTable
{
    QStringList stations;
    std::vector<FollowUpPeriod> periods;
    std::vector<std::vector<FollowUpCell>> cells; // [period][station]
    std::vector<FollowUpCell> cumul, total;       // [station]
    bool mean = false;
};

// series: one per station, in column order (not owned, none null). Rows outside the
// window, or not selected by options.selection, are ignored. An invalid or reversed
// window gives a table without periods.
FollowUpTable followUpTable(const QStringList &stations,
                            const std::vector<const StationSeries *> &series,
                            const FollowUpOptions &options);

} // namespace plx
