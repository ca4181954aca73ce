#pragma once

#include "charts/chartengine.h"
#include "charts/piezometerseries.h"

#include <memory>
#include <vector>

namespace plx {

// One station of an overlay: its code, the name shown in the legend, and its series
// (read once by the caller and kept while the station stays in the list).
struct OverlayRainGauge
{
    QString code;
    QString name;
    std::shared_ptr<const StationSeries> series;
};

struct OverlayPiezometer
{
    QString code;
    QString name;
    std::shared_ptr<const PiezometerSeries> series;
};

// The curves of several stations on one time axis. Each rain gauge gives the chronicle
// curves of request.parametres, numbered 100 * (its rank + 1) + parameter and titled with
// its name; each piezometer one line numbered 1000 + its rank, on the right-hand axis.
// Rainfall stays on the left axis, levels on the right, never the other way round: with
// piezometers, the rain gauges' free parameters share the left axis too. The right axis
// shows "Cotes NGF en m"; "Profondeur en m", reversed, when no piezometer has a level.
// Piezometers with only depths beside others with levels are named in the legend note.
// rainDownward hangs the left axis from the top.
ChartCurves overlayCurves(const std::vector<OverlayRainGauge> &rainGauges,
                          const std::vector<OverlayPiezometer> &piezometers,
                          const ChartRequest &request, const DataSelection &selection,
                          bool rainDownward = false);

} // namespace plx
