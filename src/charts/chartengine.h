#pragma once

#include "charts/chartcurves.h"

#include <QDate>
#include <QString>

#include <array>
#include <memory>
#include <vector>

namespace plx {

class AccesBase;

// One station's measurement table read once, in compact columns, for every chart of it.
// Option changes (step, parameter, visualisation, year) recompute from these columns and
// never read the table again; a save or a station change drops them.
struct StationSeries
{
    QString code;
    std::vector<qint64> t;                       // seconds, see AxisKind::Time; ascending
    std::array<std::vector<double>, 6> values;   // parameters 1..6; NaN where null
    std::vector<char> validite;                  // 'V', 'C' or 0
    std::vector<char> obtention;                 // ModeObtention, 0 when null
    bool timed = false;                          // some rows carry a time of day
};

// Which rows enter a chart: the export options AfficherDonneesNonValidees,
// AfficherDonneesIncorrectes and AfficherDonneesInterpretees.
struct DataSelection
{
    bool unvalidated = true;
    bool incorrect = true;
    bool interpreted = true;
};

// The station's monthly normals from PLUVIOMETRE_NORMALES: index 0 is January; NaN where
// the month has no row. title is the mois = -1 row's text ("" when missing).
struct StationNormals
{
    QString title;
    std::array<double, 12> pluie{};          // column valeur
    std::array<double, 12> pluieEfficace{};
    std::array<double, 12> etp{};
    bool hasMonths = false;
};

// What the screens set on CtlGraphique, as the engine needs it.
struct ChartRequest
{
    QString typeEdition = QStringLiteral("EDITION"); // EDITION, CUMUL_MENSUEL, CUMUL_ANNUEL
    QString parametres;                              // digits "1".."6"
    QString horizon = QStringLiteral("S");           // S D M T A H
    QString visualisation = QStringLiteral("HISTO"); // HISTO or COURBE
    bool cumul = false;
    int hydroStartMonth = 9;                         // 1..12, from PARAMETRES
    int selectedYear = 0;                            // 0: the year of the last measurement
    QDate from, to;                                  // chronicle window; invalid: whole record
    // Captions of parameters 4 to 6 (PARAMETRAGE_DATA); "" keeps "Paramètre n".
    std::array<QString, 3> freeLabels;
    // The yearbook's monthly cumulation (CUMUL_MENSUEL): the selected year's months
    // cumulated (curve 1) against the mean cumulation of the other complete years (curve 2),
    // instead of the months compared year by year.
    bool yearbook = false;
    // The normals comparison: the station's own monthly means ("Statistiques internes")
    // instead of PLUVIOMETRE_NORMALES.
    bool internalNormals = false;
};

// nullptr (error set, French) when the table cannot be read; an empty series for an
// empty table.
std::shared_ptr<const StationSeries> loadStationSeries(AccesBase &db, const QString &code,
                                                       QString *error = nullptr);
StationNormals loadStationNormals(AccesBase &db, const QString &code);

// The chronicle: one curve per parameter of request.parametres, numbered 1..6 by parameter.
ChartCurves chronicleCurves(const StationSeries &series, const ChartRequest &request,
                            const DataSelection &selection);

// The yearly chart: curves numbered 1..10 (EDITION), 1..12 (CUMUL_MENSUEL) or 1
// (CUMUL_ANNUEL), for the single parameter of request.parametres.
ChartCurves yearlyCurves(const StationSeries &series, const StationNormals &normals,
                         const ChartRequest &request, const DataSelection &selection);

// The normals comparison: the parameter's totals (means for 4-6) as bars, curve 1, against
// the reference as bars, curve 2 (absent when there is none: the legend says so). Horizon
// "M": the months of the selected calendar year; "H": the months of the selected
// hydrological year, the reference rotated to its start; "A": every calendar year's total
// against the reference's twelve months summed. The reference is normals (whose title
// names it) or, with request.internalNormals, the station's internal statistics.
ChartCurves normalsComparisonCurves(const StationSeries &series, const StationNormals &normals,
                                    const ChartRequest &request, const DataSelection &selection);

} // namespace plx
