#include "charts/overlaycurves.h"

#include <cmath>
#include <limits>

namespace plx {

ChartCurves overlayCurves(const std::vector<OverlayRainGauge> &rainGauges,
                          const std::vector<OverlayPiezometer> &piezometers,
                          const ChartRequest &request, const DataSelection &selection,
                          bool rainDownward)
{
    ChartCurves out;
    out.axis = AxisKind::Time;
    const bool withLevels = !piezometers.empty();
    QString stepTitle;
    bool allRainfall = true;
    QStringList rightTitles;

    for (std::size_t rank = 0; rank < rainGauges.size(); ++rank) {
        const OverlayRainGauge &gauge = rainGauges[rank];
        if (!gauge.series)
            continue;
        ChartCurves one = chronicleCurves(*gauge.series, request, selection);
        if (stepTitle.isEmpty())
            stepTitle = one.title;
        const bool several = one.curves.size() > 1;
        for (ChartCurve &curve : one.curves) {
            allRainfall = allRainfall && curve.number <= 3;
            const QString parameter = curve.title;
            curve.number += int(100 * (rank + 1));
            curve.station = gauge.code;
            curve.title = several ? gauge.name + QStringLiteral(" - ") + parameter : gauge.name;
            if (withLevels) {
                // The right axis is the groundwater's: a free parameter keeps the left one.
                if (curve.rightAxis)
                    curve.style = CurveStyle::Line;
                curve.rightAxis = false;
            } else if (curve.rightAxis && !rightTitles.contains(parameter)) {
                rightTitles << parameter;
            }
            out.curves.push_back(std::move(curve));
        }
    }
    if (!out.curves.empty())
        out.unit = allRainfall || withLevels ? QStringLiteral("mm") : QString();
    if (withLevels && !allRainfall)
        out.unit = QStringLiteral("mm / valeurs");
    if (!rightTitles.isEmpty())
        out.rightLabel = rightTitles.join(QStringLiteral(", "));

    // Levels when any piezometer has some; depths only when none has.
    bool anyLevels = false;
    for (const OverlayPiezometer &p : piezometers)
        anyLevels = anyLevels || (p.series && p.series->hasLevels);
    QStringList withoutLevels;
    const qint64 from = request.from.isValid() ? (request.from.toJulianDay() - 2440588) * 86400
                                               : std::numeric_limits<qint64>::min();
    const qint64 to = request.to.isValid() ? (request.to.toJulianDay() - 2440588 + 1) * 86400
                                           : std::numeric_limits<qint64>::max();
    for (std::size_t rank = 0; rank < piezometers.size(); ++rank) {
        const OverlayPiezometer &piezo = piezometers[rank];
        if (!piezo.series)
            continue;
        if (anyLevels && !piezo.series->hasLevels) {
            withoutLevels << piezo.name;
            continue;
        }
        const std::vector<double> &values = anyLevels ? piezo.series->level : piezo.series->depth;
        ChartCurve curve;
        curve.number = 1000 + int(rank);
        curve.title = piezo.name;
        curve.station = QStringLiteral("PZ:") + piezo.code;
        curve.style = CurveStyle::Line;
        curve.rightAxis = true;
        curve.x.reserve(values.size());
        curve.y.reserve(values.size());
        for (std::size_t i = 0; i < values.size(); ++i) {
            const qint64 t = piezo.series->t[i];
            if (t < from || t >= to || std::isnan(values[i]))
                continue;
            curve.x.push_back(double(t));
            curve.y.push_back(values[i]);
        }
        out.curves.push_back(std::move(curve));
    }
    if (withLevels) {
        out.rightLabel =
            anyLevels ? QStringLiteral("Cotes NGF en m") : QStringLiteral("Profondeur en m");
        out.rightReversed = !anyLevels;
    }
    if (!withoutLevels.isEmpty())
        out.legendNote = QStringLiteral("Sans cote NGF, non tracé : ") +
                         withoutLevels.join(QStringLiteral(", "));
    out.leftReversed = rainDownward;
    out.title =
        withLevels ? QStringLiteral("Pluie et piézométrie") : QStringLiteral("Superposition");
    if (!stepTitle.isEmpty())
        out.title += QStringLiteral(" : ") + stepTitle;
    return out;
}

} // namespace plx
