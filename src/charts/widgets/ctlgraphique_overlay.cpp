#include "charts/widgets/ctlgraphique_overlay.h"

#include "charts/widgets/chartstyle.h"

#include <set>

namespace plx {

namespace {

// {title, key, code} -> code, and the name shown in the legend.
QString codeOf(const QStringList &row)
{
    return row.value(2).trimmed();
}

QString nameOf(const QStringList &row)
{
    const QString title = row.value(0).trimmed();
    return title.isEmpty() ? codeOf(row) : title;
}

} // namespace

ChartCurves OverlayState::build(const QList<QStringList> &rainRows,
                                const QList<QStringList> &piezoRows, bool withPiezometers,
                                const ChartRequest &request, bool rainDownward, QStringList *errors)
{
    std::vector<OverlayRainGauge> gauges;
    std::vector<OverlayPiezometer> piezos;
    std::set<QString> listedRain, listedPiezo;
    for (const QStringList &row : rainRows) {
        const QString code = codeOf(row);
        if (code.isEmpty() || !listedRain.insert(code).second)
            continue;
        auto it = rain.find(code);
        if (it == rain.end()) {
            QString error;
            auto series = loadStationSeries(*db, code, &error);
            ++reads;
            if (!series && errors)
                *errors << error;
            it = rain.emplace(code, std::move(series)).first;
        }
        if (it->second)
            gauges.push_back({code, nameOf(row), it->second});
    }
    if (withPiezometers) {
        for (const QStringList &row : piezoRows) {
            const QString code = codeOf(row);
            if (code.isEmpty() || !listedPiezo.insert(code).second)
                continue;
            auto it = piezometers.find(code);
            if (it == piezometers.end()) {
                QString error;
                auto series = loadPiezometerSeries(*db, code, selection.unvalidated, &error);
                ++reads;
                if (!series && errors)
                    *errors << error;
                it = piezometers.emplace(code, std::move(series)).first;
            }
            if (it->second)
                piezos.push_back({code, nameOf(row), it->second});
        }
    }
    // A station taken out of the list gives back its memory and its colour.
    std::erase_if(rain, [&](const auto &entry) { return !listedRain.count(entry.first); });
    std::erase_if(piezometers, [&](const auto &entry) { return !listedPiezo.count(entry.first); });

    ChartCurves curves = overlayCurves(gauges, piezos, request, selection, rainDownward);

    std::set<QString> drawnStations;
    for (const ChartCurve &curve : curves.curves)
        drawnStations.insert(curve.station);
    std::erase_if(colourSlots,
                  [&](const auto &entry) { return !drawnStations.count(entry.first); });
    // New stations take the lowest free slots, in list order.
    for (const ChartCurve &curve : curves.curves) {
        if (colourSlots.count(curve.station))
            continue;
        std::set<int> used;
        for (const auto &entry : colourSlots)
            used.insert(entry.second);
        int slot = 0;
        while (used.count(slot))
            ++slot;
        colourSlots[curve.station] = slot;
    }
    return curves;
}

QColor OverlayState::colour(const QString &station) const
{
    const auto it = colourSlots.find(station);
    return curveColour(it == colourSlots.end() ? 1 : it->second + 1);
}

} // namespace plx
