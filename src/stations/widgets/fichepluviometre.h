#pragma once

#include <QString>
#include <QWidget>

#include <functional>

namespace plx {

// The record of one rain gauge: its descriptive fields, its satellite grids, its
// interventions and the historical summary of its measurements. Opened from the list for
// an internal code, or empty for a new station.
class FichePluviometre : public QWidget
{
    Q_OBJECT

public:
    explicit FichePluviometre(QWidget *parent = nullptr);
    ~FichePluviometre() override;

    // Loads the station with that internal code; false (after "Impossible de charger la
    // fiche.") when it cannot be read.
    bool ChargementFichePluviometre(const QString &code);
    // The internal code shown; "" for a station never saved.
    QString stationCode() const;

    // Previous / next: given the code shown and a step (-1 or +1), the code of the station
    // to load, or "" when there is none. The list screen sets it to walk its visible rows
    // in their current order.
    using NeighbourLookup = std::function<QString(const QString &code, int step)>;
    void setNeighbourLookup(NeighbourLookup lookup);

signals:
    void stationSaved(const QString &code);
    void stationDeleted(const QString &code);
    void codeChanged(const QString &oldCode, const QString &newCode);
};

} // namespace plx
