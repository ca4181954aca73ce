#pragma once

#include <QString>
#include <QStringList>

#include <array>
#include <vector>

namespace plx {

// The chart screens' option groups turned into the chart component's properties. Pure
// functions, shared by the screens and the command line, so that both draw the same chart
// from the same choices.

// What a screen sets on the component before Tracer.
struct ChartProperties
{
    QString typeEdition = QStringLiteral("EDITION");
    QString parametres;
    QString horizon = QStringLiteral("S");
    QString visualisation = QStringLiteral("HISTO");
    bool cumul = false;

    bool operator==(const ChartProperties &) const = default;
};

// An option group with nothing chosen.
inline constexpr int kNoChoice = -1;

// The six parameters in their fixed order: rainfall, effective rainfall,
// evapotranspiration, the three free parameters. Index i is parameter i + 1.
inline constexpr int kChartParameters = 6;
using ParameterChecks = std::array<bool, kChartParameters>;

// The digits "1".."6" of the checked parameters, ascending ("" when none is checked).
QString parameterDigits(const ParameterChecks &checked);

// The horizon choices of the chronicle, in order: "Sans regroupement", "Décade", "Mois",
// "Trimestre", "Année civile", "Année Hydrologique".
QStringList horizonCaptions();
// The six parameters' captions before the free ones are relabelled.
QStringList parameterCaptions();
// "S", "D", "M", "T", "A", "H" by choice; "" for no or an unknown choice.
QString horizonCode(int choice);

// Chronicle: parameters checked, horizon and visualisation ("Histogramme", "Courbe",
// "Cumul") choices. What is not chosen keeps the current value where the screen leaves it.
QStringList chronicleVisualisationCaptions();
ChartProperties chronicleProperties(ChartProperties current, const ParameterChecks &checked,
                                    int horizon, int visualisation);

// Yearly chart. Modes in order: "Comparaison statistiques" (EDITION), "Cumuls mensuels
// comparés" (CUMUL_MENSUEL), "Comparaison annuelle" (CUMUL_ANNUEL). Year types: "Civile",
// "Hydro". Visualisations: "Histogramme", "Courbe", "Histogramme cumulé", "Courbe cumulée".
// The parameter choice is 0..5 for parameters 1..6.
enum YearlyMode { kStatisticsMode = 0, kMonthlyCumulMode = 1, kYearlyCumulMode = 2 };
enum YearType { kCivilYear = 0, kHydroYear = 1 };
QStringList yearlyModeCaptions();
QStringList yearTypeCaptions();
QStringList yearlyVisualisationCaptions();
ChartProperties yearlyProperties(ChartProperties current, int mode, int yearType, int visualisation,
                                 int parameter);

// A check box that shows or hides one numbered curve of the yearly chart.
struct CurveBox
{
    const char *objectName;
    const char *caption; // UTF-8
    int curve;
};
// The statistics boxes (mode EDITION; ChkAnnee also names curve 1 of CUMUL_ANNUEL).
const std::vector<CurveBox> &statisticsBoxes();
// The month boxes of CUMUL_MENSUEL: month m is curve m.
const std::vector<CurveBox> &monthBoxes();

// Yearbook, upper chart. Modes in order: "Comparaison statistiques" (EDITION), "Cumuls
// mensuels comparés" (CUMUL_MENSUEL); the year types, visualisations and parameters as in
// the yearly chart. The monthly cumulation always sends parameter "1" and horizon "M"
// first; a chosen parameter then overrides the parameter.
QStringList yearbookModeCaptions();
ChartProperties yearbookProperties(ChartProperties current, int mode, int yearType,
                                   int visualisation, int parameter);
// The yearbook's own boxes of the monthly cumulation; the month boxes share their numbers
// (ChkCumulAnnee and ChkJanvier are curve 1, ChkCumulMoyen and ChkFevrier curve 2).
const std::vector<CurveBox> &yearbookCumulBoxes();

// Normals comparison. Horizons in order "Mois", "Année Hydro", "Année civile" ("M", "H",
// "A"); visualisations "Normales Météo France", "Statistiques internes".
QStringList normalsHorizonCaptions();
QString normalsHorizonCode(int choice);
QStringList normalsVisualisationCaptions();
ChartProperties normalsProperties(ChartProperties current, int horizon, int parameter);

// Where month (1..12) is listed, 1..12, when the year starts in startMonth: the
// calendar year (hydro false) or a hydrological year starting in January lists January
// first.
int monthRank(int month, int startMonth, bool hydro);
// "09" → 9; anything that is not a month gives 9, the usual hydrological start.
int startMonthNumber(const QString &month);

} // namespace plx
