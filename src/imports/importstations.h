#pragma once

#include "imports/importedrow.h"

#include <QHash>
#include <QString>

namespace plx {

class AccesBase;

// Where a file's stations go in the register. A file names its stations by their national
// number (Météo-France's 8-digit NUM_POSTE, KNMI's STN, a GHCN id); the register's internal
// code is a number of at most five digits chosen by the network, so the national number is
// matched against the register's public identifier (Identifiant), never against the code.
class ImportStations
{
public:
    explicit ImportStations(AccesBase &db);

    // Reads the identifiers of the register once. False (error set) when it cannot.
    bool load(QString *error);
    // The code of the station whose identifier is number (compared without regard to case
    // or surrounding blanks); "" when none.
    QString codeOf(const QString &number) const;
    // True when the register holds a station with this code.
    bool exists(const QString &code, QString *error) const;

    // The code a new station would take: one more than the highest, counting the stations
    // this run already planned. "" when the register is full (99999) or unreadable.
    QString nextCode(QString *error);
    // Creates the station in the register inside the caller's transaction: its name, its
    // identifier (the national number) and its coordinates in WGS84 with the matching
    // localisation row; the user's station scope gains it. False (error set) on failure.
    bool create(const QString &code, const ImportedStation &station, QString *error);
    // After the transaction that created it rolled back: the code is free again.
    void forget(const QString &number);
    // Records a code planned for number (a dry run, or a creation that committed).
    void remember(const QString &number, const QString &code);

private:
    AccesBase &m_db;
    QHash<QString, QString> m_codes; // upper-case identifier -> code
    qint64 m_highest = -1;           // highest code known, -1 before the first look
};

// The WGS84 projection's code in the register's projection list.
inline constexpr int kWgs84Projection = 31;

} // namespace plx
