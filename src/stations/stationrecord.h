#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>

#include <optional>

namespace plx {

class AccesBase;

// One rain gauge as its record shows it: the PLUVIOMETRES row and its geographic row.
// Empty texts and absent numbers or dates are written as NULL.
struct StationRecord
{
    QString code; // internal code; "" until first saved
    QString nom;
    QDate dateCreation;
    QDate dateFermeture;
    std::optional<double> x;
    std::optional<double> y;
    std::optional<int> typeProjection;
    std::optional<double> altitude;
    QString commentaires;
    QString codeCommune;
    std::optional<int> codeContact;
    QString identifiant;
    QString adresse;
    QString codePays;
    QString codeQualitoInter;
    QString codeCommuneDeclaration;
    QString loginMaj;  // written by the save
    QDateTime dateMaj; // written by the save
    // PLUVIOMETRES_INFO_GEO
    QString carteIGN;
    QString carteGeologique;
    QString parcelle;
    QString section;

    bool operator==(const StationRecord &) const = default;
};

// The station with that internal code; nullopt when it cannot be read or does not exist.
std::optional<StationRecord> loadStation(AccesBase &db, const QString &code);

// The message refusing identifiant because another station uses it (compared without
// regard to case), worded by the user's scope; "" when the identifier is free. ownCode is
// the station's own code ("" for a new one), so that a station may keep its identifier.
QString identifierConflict(AccesBase &db, const QString &identifiant, const QString &ownCode);

struct StationSaveResult
{
    bool ok = false;
    bool refused = false; // by a rule (identifier, code), not by a failing statement
    QString message;      // the French reason when refused or failed
};

// Saves the record: identifier check, the code of a new station (requestedCode when given,
// which must pass the code rules, else the highest code + 1, allocated under the write
// lock), the station row with loginmaj/datemaj, the geographic row and, for a new station
// of a user with a restricted scope, the creator's scope row, all in one transaction. On
// success record.code, loginMaj and dateMaj hold what was written.
StationSaveResult saveStation(AccesBase &db, StationRecord &record,
                              const QString &requestedCode = {});

// "nom [code]" of the commune of declaration (its former name when communes_histo has
// one), or the invitation to choose one.
QString declarationCommuneLabel(AccesBase &db, const QString &codeCommune);

// The referent contact of the station (CONTACTS.CodeContact of its most recent link in the
// referent role set in PARAMETRES); nullopt when no role is set or no link exists.
std::optional<int> referentContact(AccesBase &db, const QString &code);

} // namespace plx
