#include "quality/qualityneighbours.h"

#include "base/locale.h"
#include "quality/qualitychecks.h"
#include "quality/qualitystats.h"
#include "stations/maplinks.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace plx {

double distanceKm(double latitude1, double longitude1, double latitude2, double longitude2)
{
    constexpr double earthRadiusKm = 6371.0;
    const double toRadians = std::numbers::pi / 180;
    const double dLat = (latitude2 - latitude1) * toRadians;
    const double dLon = (longitude2 - longitude1) * toRadians;
    const double a = std::sin(dLat / 2) * std::sin(dLat / 2) +
                     std::cos(latitude1 * toRadians) * std::cos(latitude2 * toRadians) *
                         std::sin(dLon / 2) * std::sin(dLon / 2);
    return 2 * earthRadiusKm * std::asin(std::min(1.0, std::sqrt(a)));
}

bool findNeighbours(AccesBase &db, const QString &code, const QualityThresholds &thresholds,
                    std::vector<QualityNeighbour> *neighbours, QString *error)
{
    neighbours->clear();
    std::vector<StationCoordinates> stations;
    if (!allStationCoordinates(db, &stations, error))
        return false;
    const qint64 own = qint64(code.toDouble());
    const auto self = std::find_if(stations.begin(), stations.end(),
                                   [&](const auto &s) { return s.code.toLongLong() == own; });
    if (self == stations.end())
        return true;
    for (const StationCoordinates &s : stations) {
        if (s.code.toLongLong() == own)
            continue;
        const double d = distanceKm(self->latitude, self->longitude, s.latitude, s.longitude);
        if (d <= thresholds.neighbourRadiusKm)
            neighbours->push_back({s.code, d});
    }
    std::sort(neighbours->begin(), neighbours->end(),
              [](const auto &a, const auto &b) { return a.distanceKm < b.distanceKm; });
    const size_t count = size_t(std::max(0.0, thresholds.neighbourCount));
    if (neighbours->size() > count)
        neighbours->resize(count);
    return true;
}

void neighbourChecks(const SeriesChecks &checks, const QualityThresholds &t,
                     const std::vector<QualityNeighbour> &neighbours,
                     const std::vector<QHash<qint64, double>> &neighbourDays,
                     QList<QualityFlag> &flags)
{
    // Two gauges at one place would weigh infinitely: a tenth of a kilometre at least.
    std::vector<double> weights;
    for (const QualityNeighbour &n : neighbours)
        weights.push_back(1 / std::pow(std::max(0.1, n.distanceKm), 2));
    for (const QualityDay &d : checks.days()) {
        if (!checks.inWindow(d.day))
            continue;
        double sumWeights = 0, sumValues = 0;
        int count = 0;
        for (size_t i = 0; i < neighbourDays.size(); ++i) {
            const auto found = neighbourDays[i].constFind(d.day);
            if (found == neighbourDays[i].constEnd())
                continue;
            sumWeights += weights[i];
            sumValues += weights[i] * *found;
            ++count;
        }
        if (count == 0 || count < t.neighbourMinimum)
            continue;
        const double mean = sumValues / sumWeights;
        const QString others = count == 1 ? QStringLiteral("le voisin a %1").arg(mmText(mean))
                                          : QStringLiteral("les %1 voisins ont en moyenne %2")
                                                .arg(QString::number(count), mmText(mean));
        if (d.value >= t.isolatedFloor && d.value >= t.isolatedRatio * mean) {
            flags << checks.flagOnDay(
                d, QualityRule::Neighbours,
                mean < t.dryMean ? QualitySeverity::Severe : QualitySeverity::Warning,
                QStringLiteral("%1 alors que %2").arg(mmText(d.value), others));
        } else if (d.value >= 0 && d.value < kZeroRain && mean >= t.wetMean) {
            flags << checks.flagOnDay(d, QualityRule::Neighbours, QualitySeverity::Warning,
                                      QStringLiteral("%1 alors que %2 : événement manqué ?")
                                          .arg(mmText(d.value), others));
        }
    }
}

} // namespace plx
