#pragma once

#include <QString>

#include <vector>

namespace plx {

class AccesBase;

// The thresholds of the quality rules for one station. The defaults suit a daily or hourly
// rain gauge of metropolitan France; a station departs from them through the thresholds
// dialog (stored in SEUILS_CONTROLES, only the values that differ from the defaults).
// Every member is a double so that one table of fields serves loading, saving and editing.
struct QualityThresholds
{
    // Physical range. The French daily record is near 1000 mm (La Réunion), metropolitan
    // Cévennes events reach 500-700 mm: 300 mm in a day or 100 mm in an hour is worth a
    // look anywhere else. A value timed every n hours is held to n times the hourly one.
    double maxDaily = 300;
    double maxHourly = 100;
    double maxEtpDaily = 15; // mm of evapotranspiration in a day

    // Spike: above factor x the quantile of the station's wet values for the calendar
    // month, and above the floor (small values are never spikes, whatever their rank).
    double spikeQuantile = 0.99;
    double spikeFactor = 2;
    double spikeFloorDaily = 20;
    double spikeFloorTimed = 10;

    // Stuck gauge: this many consecutive records with the same non-zero value. Values
    // below the minimum (one or two tips of the bucket) repeat naturally in drizzle.
    double stuckRun = 4;
    double stuckMinimum = 0.5;

    // Zero run: longer than factor x the station's usual longest dry spells for the month
    // (their 95 % quantile) and than the minimum, in a month where at least this share of
    // days is wet (>= 1 mm).
    double zeroRunMinDays = 10;
    double zeroRunFactor = 1.5;
    double wetMonthShare = 0.25;

    // Accumulated total: a value after at least this many days without a record, above
    // factor x the 90 % quantile of the month's wet days and above the floor.
    double accumulationGapDays = 2;
    double accumulationFactor = 1.5;
    double accumulationFloor = 10;

    // Daily total against the sum of the day's timed values: the larger of an absolute and
    // a relative tolerance.
    double dailyTolerance = 0.5;
    double dailyToleranceShare = 0.1;

    // Neighbours: at most count stations within the radius, weighted by the inverse
    // square of the distance, at least minimum of them with a value that day.
    double neighbourRadiusKm = 25;
    double neighbourCount = 10;
    double neighbourMinimum = 2;
    // Isolated high value: at least the floor and ratio x the neighbours' mean; severe
    // when the neighbours are dry (mean below dryMean).
    double isolatedFloor = 10;
    double isolatedRatio = 5;
    double dryMean = 1;
    // Missed event: zero at the station while the neighbours' mean reaches wetMean.
    double wetMean = 10;

    // History read for the distributions: the years before the window (0: all of it).
    double historyYears = 30;

    bool operator==(const QualityThresholds &) const = default;
};

// One editable threshold: its stored key, French caption and unit, and where it lives.
struct QualityThresholdField
{
    QString key;     // SEUILS_CONTROLES.Cle
    QString caption; // "Maximum journalier"
    QString unit;    // "mm", "jours", "" ...
    double QualityThresholds::*member;
    int decimals; // 0 for counts
    double minimum, maximum;
};
const std::vector<QualityThresholdField> &qualityThresholdFields();

// The station's thresholds: the defaults overridden by its stored rows. A database without
// the table, or a station without rows, gives the defaults. ok false with error only when
// the read itself fails (the defaults are returned then).
struct QualityThresholdsRead
{
    bool ok = false;
    QString error;
    QualityThresholds thresholds;
};
QualityThresholdsRead loadQualityThresholds(AccesBase &db, const QString &code);

// Replaces the station's stored thresholds by those of t that differ from the defaults, in
// one transaction (creating the table first when it is missing). A failure changes nothing.
bool saveQualityThresholds(AccesBase &db, const QString &code, const QualityThresholds &t,
                           QString *error = nullptr);

} // namespace plx
