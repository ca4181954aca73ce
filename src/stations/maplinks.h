#pragma once

#include <QString>
#include <QUrl>

#include <optional>
#include <vector>

namespace plx {

class AccesBase;

// A station placed in WGS84: latitude is the Y coordinate, longitude the X one.
struct StationCoordinates
{
    QString code;
    QString identifiant;
    double latitude = 0;
    double longitude = 0;
};

// The station's WGS84 position: its localisation rows in projections 16, 31 or 40 first,
// else its own X/Y when its projection is one of those; nullopt when it has neither.
std::optional<StationCoordinates> findStationCoordinates(const QString &code);

// Every station that has such a position, with the same precedence, in two statements
// (neighbour searches over a whole network). False with error when a statement fails.
bool allStationCoordinates(AccesBase &db, std::vector<StationCoordinates> *stations,
                           QString *error = nullptr);

// The suite's map service showing the stations: "<host>/v1/map.html?q=<id>@<lat>,<lon>&..."
// The host is the option "UrlServiceCarto".
QUrl stationsMapUrl(const std::vector<StationCoordinates> &stations);

// A web map centred on one station, about 1000 m across. The host is the option
// "UrlCarteWeb".
QUrl stationMapUrl(const StationCoordinates &station);

} // namespace plx
