#pragma once

#include "stations/stationprogress.h"

#include <QString>

namespace plx {

class AccesBase;

// Gives a saved station a new internal code: every table naming the code, the equipment
// placements, the scope rows, the measurement, raw and reference-curve tables with their
// key index. All in one transaction: on any failure every table is left as it was and
// error holds the reason. The new code must pass the code rules (the French message of the
// broken rule is the error then). Progress moves by 90/21 per listed statement, then 95
// once the tables are renamed and 100 when committed.
bool renumberStation(AccesBase &db, const QString &oldCode, const QString &newCode,
                     const StationProgress &progress = {}, QString *error = nullptr);

} // namespace plx
