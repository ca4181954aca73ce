#pragma once

#include "stations/stationprogress.h"

#include <QString>

namespace plx {

class AccesBase;

// Deletes a saved station with everything attached to it, in one transaction: its row,
// every satellite row (including normals, documents, scales, favourites, scope rows,
// intervention actions and bulletin selections, which a station reusing the code would
// otherwise inherit) and its measurement, raw and reference-curve tables when they exist.
// False, with the reason in error and every table as before, when a step fails.
bool deleteStation(AccesBase &db, const QString &code, const StationProgress &progress = {},
                   QString *error = nullptr);

} // namespace plx
