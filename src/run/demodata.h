#pragma once

#include <QDate>
#include <QHash>
#include <QString>

#include <array>
#include <optional>
#include <utility>
#include <vector>

// The extract of real Météo-France series shipped with the program (src/run/demo/*.csv,
// compiled in): read and checked here, written as a network by demonetwork.
namespace plx::demo {

struct Station
{
    QString numPoste; // Météo-France station number, the public identifier
    QString name;
    QString communeCode;
    QString communeName;
    double latitude = 0;
    double longitude = 0;
    double altitude = 0;
    bool hourly = false;
    QDate firstDay; // first day in the 1786-1949 archive
    QDate lastDay;  // set for stations that closed
    std::optional<std::pair<double, double>> lambert2e;
};

struct Measure
{
    QDate day;
    int hour = 0;
    std::optional<double> rain;
    std::optional<double> temperature;
    bool doubtful = false; // Météo-France quality code 2, or a negative rainfall
};

// A piezometer of the ADES bank near the Brittany rain gauges.
struct Piezometer
{
    QString bss;    // BSS identifier (BSS000XCWZ), the public identifier
    QString oldBss; // former national BSS code (03107X0008/F)
    double latitude = 0;
    double longitude = 0;
    double altitude = 0; // ground level, m NGF
    double depth = 0;    // depth of the borehole, m
    QString communeCode;
    QString communeName;
    QString aquiferCode; // hydrogeological entity (BD LISA code)
    QString aquiferName; // its water body
};

// One daily level: the source gives calendar days, no time.
struct Level
{
    QDate day;
    double ngf = 0;   // m NGF
    double depth = 0; // m below the reference mark, positive downward
};

struct DemoData
{
    std::vector<Station> stations;
    QHash<QString, std::vector<Measure>> series; // by NUM_POSTE, in time order
    std::vector<Piezometer> piezometers;
    QHash<QString, std::vector<Level>> levels; // by BSS identifier, in time order
};

// Reads the shipped files; false with a French message when one is missing or malformed,
// or when a station has no measurement.
bool loadDemoData(DemoData *data, QString *error);

bool isHistorical(const Station &s);
// The station's series (loadDemoData made sure there is one).
const std::vector<Measure> &seriesOf(const DemoData &data, const Station &s);
// The station's opening: its first day in the archive, else the start of its series.
QDate startOf(const DemoData &data, const Station &s);
// Monthly means over the months the series covers well enough (at most three days
// missing, scaled to the whole month); none when a month of the year has no such month.
std::optional<std::vector<double>> monthlyMeans(const std::vector<Measure> &series);
// Monthly means over the years firstYear..lastYear, from complete months only (a rainfall
// value on every day), to 0.1 mm; NaN for a month of the year with no complete month.
std::array<double, 12> completeMonthMeans(const std::vector<Measure> &series, int firstYear,
                                          int lastYear);

} // namespace plx::demo
