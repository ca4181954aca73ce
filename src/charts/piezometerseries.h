#pragma once

#include <QString>

#include <memory>
#include <vector>

namespace plx {

class AccesBase;

// One piezometer's levels, read once by their stored date-times, in compact columns.
struct PiezometerSeries
{
    QString code;
    std::vector<qint64> t;     // seconds, wall clock read as UTC (the time axis' unit)
    std::vector<double> level; // NiveauNGF, m NGF; NaN where null
    std::vector<double> depth; // Profondeur, m below the reference mark; NaN where null
    bool hasLevels = false;    // some row has a NiveauNGF
    bool hasDepths = false;
};

// Reads PZ_<code> in instant order with one row-by-row read. A piezometer without level
// table has an empty series; nullptr (error set, French) when the table cannot be read.
// Unvalidated rows (Validite neither "V" nor "C") are left out when withUnvalidated is off.
std::shared_ptr<const PiezometerSeries> loadPiezometerSeries(AccesBase &db, const QString &code,
                                                             bool withUnvalidated = true,
                                                             QString *error = nullptr);

} // namespace plx
