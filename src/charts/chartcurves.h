#pragma once

#include <QString>
#include <QStringList>

#include <vector>

namespace plx {

// What a chart draws, computed by the statistics engine and drawn by CtlGraphique. The
// engine knows nothing of widgets; the component knows nothing of SQL or statistics.

enum class CurveStyle { Bars, Line };

// The horizontal axis: a time axis (x in seconds since 1970-01-01 00:00 of the stored
// wall-clock date and time, read as UTC so that no daylight-saving hour is lost or
// doubled), or numbered steps 1..n labelled by `ChartCurves::steps` (the months of the
// yearly chart, "janv." to "déc." from the year's start month; or year labels).
enum class AxisKind { Time, Steps };

struct ChartCurve
{
    int number = 0;         // the number the screens address (AfficherSerie, AfficherCourbe)
    QString title;          // legend text
    CurveStyle style = CurveStyle::Bars;
    std::vector<double> x;  // ascending
    std::vector<double> y;  // same size; NaN where the curve has no value (a gap)
    // Empty, or same size as x: true where the value covers an incomplete period (drawn
    // distinctly, never used in statistics).
    std::vector<bool> incomplete;
    double barWidth = 0;    // in x units, for bars: the step's nominal length
    // Drawn against the right-hand value axis: a mean (temperature, level) shown beside
    // amounts in mm, whose scale it must not share.
    bool rightAxis = false;
    bool visible = true;    // the screens' check boxes decide; kept across redraws
    // Overlays: the station the curve belongs to ("" elsewhere). The component colours
    // by it, so a station keeps its colour when others are added or removed.
    QString station;
};

struct ChartCurves
{
    AxisKind axis = AxisKind::Time;
    QStringList steps;      // labels of x = 1..n when axis is Steps
    QString title;          // e.g. "MARSEILLE-OBS (13055001) : Pluie, mois"
    QString unit;           // value axis unit, "mm" for rainfall; "" for free parameters
    QString rightLabel;     // label of the right-hand value axis; "" when no curve uses it
    QString legendNote;     // e.g. "Statistiques sur 79 années (1868-1949)"; "" for none
    int yearCount = 0;      // years entering the statistics (yearly charts)
    // Overlays: rainfall hanging from the top, depths growing downward.
    bool leftReversed = false;
    bool rightReversed = false;
    std::vector<ChartCurve> curves;

    const ChartCurve *curve(int number) const
    {
        for (const ChartCurve &c : curves)
            if (c.number == number)
                return &c;
        return nullptr;
    }
};

} // namespace plx
