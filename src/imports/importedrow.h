#pragma once

#include <QDate>
#include <QString>
#include <QTime>

#include <array>
#include <optional>

namespace plx {

// A station as a file describes it: its national number (Météo-France NUM_POSTE, KNMI
// STN, GHCN id, ECA&D STAID), and what the file says of it. Coordinates in WGS84
// degrees when the file gives them.
struct ImportedStation
{
    QString number;
    QString name;
    std::optional<double> latitude, longitude, altitude;
};

// One record read from a file, already in the program's units (mm for the rainfall
// parameters) and dated as the source dates it: never shifted by the machine's zone.
// Values are in grid order: Pluie, PluieEfficace, Etp, Valeur1..3.
struct ImportedRow
{
    QString station;          // the source's station number; empty when the file has none
    QDate date;
    QTime time;               // invalid for a daily record
    std::array<double, 6> values{};
    quint8 present = 0;       // bit i set: values[i] is not null
    QChar validite;           // 'V' when the source says validated, else null
    bool doubtful = false;    // the source flags the value doubtful (kept unvalidated)
    qint64 line = 0;          // 1-based line of the file it came from

    bool isDaily() const { return !time.isValid(); }
    bool hasValue(int i) const { return present & (1u << i); }
    void setValue(int i, double v) { values[size_t(i)] = v; present |= quint8(1u << i); }
};

// A line that gives no record, and why (French, shown to the user with its line number).
struct RefusedLine
{
    qint64 line = 0;
    QString reason;
};

// Where a reader sends what it reads, one item at a time, so that a file of any size
// streams in constant memory. Returning false asks the reader to stop (cancel).
class ImportSink
{
public:
    virtual ~ImportSink() = default;
    virtual bool station(const ImportedStation &station) = 0;
    virtual bool row(const ImportedRow &row) = 0;
    virtual bool refused(const RefusedLine &line) = 0;
};

} // namespace plx
