#pragma once

#include <QByteArray>
#include <QDate>
#include <QSize>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace plx {

// A picture placed in a report: a chart rendered by the chart component or a station
// photo. The filler scales it to the page width less the margins, keeping proportions.
struct ReportPicture
{
    QByteArray png;     // always present: what every format can hold
    QByteArray svg;     // optional vector version, used where the format allows
    QSize pixels;       // the png's size
    int dotsPerInch = 300;
};

// The measurement table of a report (TAB_MESURES): the measurements the active screen has
// loaded, one row per instant, shaded by its validity code.
struct MeasureTable
{
    QStringList headings;               // "Date", "Heure", the parameters shown, "Validité"
    struct Row
    {
        QStringList cells;              // French formatting: "05/03/2024", "12,4"
        QString validity;               // "V", "C", "" ...: the shading code
    };
    std::vector<Row> rows;
};

// What a screen hands to the report dispatcher. A screen that has station templates
// implements it (besides QWidget); the print dialog and `plx report` find it with a cast.
class ReportSource
{
public:
    virtual ~ReportSource() = default;
    // The station the report is about (the screen's code field); "" when none is selected.
    virtual QString reportStationCode() const = 0;
    // The period the screen has loaded (charts: RecupDatesChargement); false when it has
    // none.
    virtual bool reportPeriod(QDate &start, QDate &end) const
    {
        Q_UNUSED(start);
        Q_UNUSED(end);
        return false;
    }
    // The chart for GRAPHIQUE_ANNEE, GRAPHIQUE_SUP_ANNEE or GRAPHIQUE_TOTAL, rendered at
    // print resolution; nothing when the screen has no such chart.
    virtual std::optional<ReportPicture> reportChart(const QString &bookmark) const
    {
        Q_UNUSED(bookmark);
        return std::nullopt;
    }
    // The measurements for TAB_MESURES; empty when the screen has none.
    virtual MeasureTable reportMeasures() const { return {}; }
};

} // namespace plx
