#pragma once

#include <QDate>
#include <QString>

#include <array>
#include <cmath>
#include <vector>

namespace plx {

class AccesBase;

// A station's records as the quality rules read them: compact, in instant order.
struct QualityRecord
{
    qint64 day = 0;                 // Julian day of DateCreation
    int seconds = -1;               // time of day; -1 when the record has none
    std::array<double, 3> values{}; // Pluie, PluieEfficace, Etp; NaN when null

    bool has(int parameter) const { return !std::isnan(values[size_t(parameter)]); }
    qint64 instant() const { return day * 86400 + (seconds < 0 ? 0 : seconds); }
};

// A daily rainfall total: from the day's daily record when it has one, else the sum of
// the day's timed values (record -1 then: the flag names the day, not a record).
struct QualityDay
{
    qint64 day = 0;
    double value = 0;
    int record = -1; // index in QualitySeries::records
};

struct QualitySeries
{
    std::vector<QualityRecord> records;
    // Some record carries a time of day other than midnight. In such a table a daily total
    // is a record without a time (Heure null); in a table that never carries one, every
    // record is daily, wherever it stores midnight or nothing.
    bool timed = false;

    bool isDaily(const QualityRecord &r) const { return r.seconds < 0 || !timed; }
    // The rainfall of each day that has one, in day order.
    std::vector<QualityDay> dailyRainfall() const;
    // The usual spacing of the timed records in seconds (their median gap); 0 without
    // two timed records.
    qint64 timedStep() const;
};

// Reads the station's records with DateCreation in [from, until) in one statement. A
// station without a measurement table has an empty series. False with error when the
// statement fails.
bool readQualitySeries(AccesBase &db, const QString &code, const QDate &from, const QDate &until,
                       QualitySeries *series, QString *error);

} // namespace plx
