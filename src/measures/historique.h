#pragma once

#include <QString>

#include <array>
#include <vector>

namespace plx {

class AccesBase;

// The historical summary of a station's measurements: one row per data kind (rainfall,
// effective rainfall, evapotranspiration, the three free parameters) with its first and
// last dates, counts, current-year cumulation and rainy rows, last controlled and last
// validated dates, and maximum.
enum HistoriqueColumn : int {
    Donnee,
    DebHisto,
    FinHisto,
    Valeurs,
    ValeursAnnee,
    CumulAnnee,
    NbJoursAnnee,
    Controle,
    Validation,
    DateMax,
    Max,
};
inline constexpr int kHistoriqueColumnCount = Max + 1;

struct HistoriqueHeader
{
    QString text;
    int widthInCharacters = 0;
    bool numeric = false; // counts, sums and values: right-aligned
};

// The eleven headers; the year columns carry the given year ("Cumul 2024").
std::array<HistoriqueHeader, kHistoriqueColumnCount> historiqueHeaders(int year);

struct HistoriqueRow
{
    // Display texts: dates "dd/MM/yyyy", numbers with the decimal comma. Counts, the
    // year's cumulation and its rainy rows stay empty when they are zero.
    std::array<QString, kHistoriqueColumnCount> cells;
    bool hidden = false; // a free parameter whose label is empty
};

// The six rows for the station with that code, the year columns for `year`. A code that
// is not a station number, or a station without measurement table, gives the labels
// alone. Nothing is reported: a statement that fails leaves its cells empty.
std::vector<HistoriqueRow> computeHistorique(AccesBase &db, const QString &code, int year);

} // namespace plx
