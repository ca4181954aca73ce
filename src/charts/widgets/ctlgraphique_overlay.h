#pragma once

#include "charts/overlaycurves.h"

#include <QColor>
#include <QList>
#include <QStringList>

#include <array>
#include <map>
#include <memory>

namespace plx {

class AccesBase;

// What CtlGraphique keeps for an overlay: the series of the listed stations, read once
// each, and the colour slot each station holds while it stays listed.
struct OverlayState
{
    AccesBase *db = nullptr; // not owned
    DataSelection selection;
    int hydroStartMonth = 9;
    std::array<QString, 3> freeLabels;
    std::map<QString, std::shared_ptr<const StationSeries>> rain;
    std::map<QString, std::shared_ptr<const PiezometerSeries>> piezometers;
    std::map<QString, int> colourSlots; // curve station key -> palette slot
    int reads = 0;

    // Reads the stations new to the lists, forgets those no longer listed, and builds
    // the curves. Stations whose table cannot be read are left out; errors lists why.
    ChartCurves build(const QList<QStringList> &rainRows, const QList<QStringList> &piezoRows,
                      bool withPiezometers, const ChartRequest &request, bool rainDownward,
                      QStringList *errors);
    QColor colour(const QString &station) const;
};

} // namespace plx
