#pragma once

#include <QChar>
#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QTime>

#include <array>
#include <optional>

namespace plx {

// The columns of the validation grid, in their order. LoadedDate and LoadedHeure hold the
// row's key as it was loaded (hidden; empty on rows never saved).
enum ValidationColumn {
    kMarkColumn = 0,
    kDateColumn = 1,
    kHeureColumn = 2,
    kPluieColumn = 3,
    kPluieEfficaceColumn = 4,
    kEtpColumn = 5,
    kValeur1Column = 6,
    kValeur2Column = 7,
    kValeur3Column = 8,
    kRuptureColumn = 9,
    kObtentionColumn = 10,
    kLoadedDateColumn = 11,
    kLoadedHeureColumn = 12,
    kValidationColumnCount = 13,
};

// The six measured values, in grid order: Pluie, PluieEfficace, Etp, Valeur1..3.
inline constexpr int kMeasuredValues = 6;

// One row of a station's measurement table as the validation editor holds it. Compact
// (under 150 bytes) so that a window of a million timed rows stays small.
struct MeasureRow
{
    QDate date;               // as edited; invalid when empty or when the typed text was not a date
    QTime heure;              // time of day, kept as a QTime (never a local QDateTime)
    std::array<double, kMeasuredValues> values{};
    quint8 present = 0;       // bit i set: values[i] is not null
    bool rupture = false;     // Continuite = 1, shown "R"
    bool marked = false;      // carries the validation mark "X"
    bool dirty = false;       // changed by the user since the load or the last save
    bool red = false;         // date or time not valid: shown in red, not written
    QChar obtention;          // ModeObtention, null when empty
    QChar validite;           // Validite as loaded: 'V' validated, 'C' controlled, null
    bool conflict = false;    // refused by the last save: another user changed its record
    quint64 loadedStamp = 0;  // measureStamp of the record as loaded (see storedmeasure.h)
    QDate loadedDate;         // the key as loaded (invalid on a row never saved)
    QTime loadedHeure;
    QString typedDate;        // the text typed in a date or time cell that is not valid
    QString typedHeure;       // (shown as typed, in red); null otherwise

    bool isValidated() const { return validite == QLatin1Char('V'); }
    bool hasValue(int i) const { return present & (1u << i); }
    std::optional<double> value(int i) const
    {
        return hasValue(i) ? std::optional<double>(values[size_t(i)]) : std::nullopt;
    }
    void setValue(int i, std::optional<double> v);
    bool hasLoadedKey() const { return loadedDate.isValid(); }
    // The instant DateCreation + Heure (a missing time reads as midnight).
    QDateTime instant() const;
    QDateTime loadedInstant() const;
};

// The text a cell shows: dates "dd/MM/yyyy", times "hh:mm:ss", numbers with a decimal
// comma in their shortest exact form, "X" or " " for the mark, "R" or "" for a break.
QString cellText(const MeasureRow &row, int column);

// The heading of a validation column: "Date", "Heure", "Pluie", "Pl Efficace", "Etp", the
// free parameters' labels (labels[0..2]; "Param" + n when missing), "Rupture", "Obtention".
QString validationColumnName(int column, const QStringList &labels);

} // namespace plx
