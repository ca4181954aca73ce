#pragma once

#include <QString>

namespace plx {

class AccesBase;

// "PZ_<code>", the level table of a piezometer; "" when the code is not a piezometer
// code (a whole number from 1 to 2147483647, "123.0" accepted as the way a Double
// column reads back).
QString pzTableName(const QString &code);

// Creates the level table of a piezometer: DateCreation (the day), Heure (time of day on
// 30/12/1899), NiveauNGF (m NGF), Profondeur (m below the reference mark, positive
// downward) and Validite, with a unique (DateCreation, Heure) index and the column types
// of the connection's dialect. A table that already exists is left as it is. Returns
// whether the table exists afterwards.
bool CreatePiezometerLevelTable(AccesBase &db, const QString &code);

} // namespace plx
