#pragma once

#include <QString>

namespace plx {

class AccesBase;

// The code rules for an internal code typed by the user (a new station's code or a code
// change): the French message of the first rule broken, or "" when the code may be used.
// An empty entry passes (the caller then computes a code or abandons). Besides a station
// row, an existing measurement table PLUVIO_<code> makes the code taken: renaming onto it
// would fail or merge another station's series.
QString codeRuleViolation(AccesBase &db, const QString &typed);

// The same rules without the database: whole number read back unchanged, positive, at
// most 5 characters.
QString codeFormatViolation(const QString &typed);

// One more than the highest internal code ("1" for an empty table); "" when the
// statement fails.
QString nextFreeStationCode(AccesBase &db);

// The internal code as written in SQL and table names ("12" for a Double read as 12.0);
// "" when it is not a station code.
QString normalisedStationCode(const QString &code);

// The station before (step -1) or after (step +1) code among the stations the user may
// see, ordered by code, wrapping round at the ends; "" when there is no other station.
QString adjacentStationCode(AccesBase &db, const QString &code, int step);

// How screens and charts name a station: "NOM (identifiant)", the name or the identifier
// alone when the other is empty, "" when the station has no row.
QString stationDisplayName(AccesBase &db, const QString &code);

} // namespace plx
