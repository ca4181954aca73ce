#pragma once

#include "outputs/reportsource.h"

#include <QString>

namespace plx {

class AccesBase;

// The measurement table of a report made from a screen that has no rows loaded of its own
// (the list, the record, the charts, the command line): the station's last month of
// measurements, up to its last record. Columns: "Date", "Heure", each kind of data that
// holds a value in that month (under its label), "Validité"; numbers with a decimal comma.
// Empty (no headings) when the station has no measurement.
MeasureTable recentMeasures(AccesBase &db, const QString &stationCode);

} // namespace plx
