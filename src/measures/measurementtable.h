#pragma once

#include <QString>

namespace plx {

class AccesBase;

// "PLUVIO_<code>", or "COURBE_REF_PLUVIO_<code>" for the reference-curve twin; "" when
// the code is not a station code (a whole number from 1 to 99999, "123.0" accepted as
// the way a Double column reads back).
QString measurementTableName(const QString &code, bool reference = false);

// Creates the measurement table of a station with its unique (DateCreation, Heure) index,
// with the column types of the connection's dialect. Failures are ignored: a table that
// already exists is left as it is. Returns whether the table exists afterwards.
bool CreateMeasurementTable(AccesBase &db, const QString &code, bool reference);

} // namespace plx
