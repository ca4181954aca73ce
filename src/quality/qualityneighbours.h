#pragma once

#include "quality/qualityflag.h"
#include "quality/qualityseries.h"
#include "quality/qualitythresholds.h"

#include <QHash>

#include <vector>

namespace plx {

class AccesBase;

struct QualityNeighbour
{
    QString code;
    double distanceKm = 0;
};

// Great-circle distance between two WGS84 positions, in km.
double distanceKm(double latitude1, double longitude1, double latitude2, double longitude2);

// The stations of the register within the radius of the station's position, the nearest
// first, at most the threshold's count. Empty (and ok) when the station has no position.
bool findNeighbours(AccesBase &db, const QString &code, const QualityThresholds &thresholds,
                    std::vector<QualityNeighbour> *neighbours, QString *error);

// For each day of the window where the station has rainfall and enough neighbours have
// some: isolated high values (the station wet, the neighbours' inverse-distance-weighted
// mean far lower) and missed events (the station at zero, the neighbours wet). days are
// the station's daily totals; neighbourDays[i] maps a Julian day to neighbours[i]'s.
class SeriesChecks;
void neighbourChecks(const SeriesChecks &checks, const QualityThresholds &thresholds,
                     const std::vector<QualityNeighbour> &neighbours,
                     const std::vector<QHash<qint64, double>> &neighbourDays,
                     QList<QualityFlag> &flags);

} // namespace plx
