#pragma once

#include <QSet>
#include <QString>

namespace plx {

// The values of the user logged in for this run, set by the login sequence and read
// everywhere. Empty before login.
struct UserSession
{
    QString login;           // as stored in UTILISATEURS (the stored spelling)
    QString codeIntervenant; // UTILISATEURS.CodeIntervenant
    QString displayName;     // contacts.nom of the user's contact
    QString codeContact;     // contacts.codeContact
    bool isAdmin = false;    // isAdmin = "1": every right
    bool metaData = false;   // metaData = "1": may modify reference lists
    QString filtrePiezo, filtreQualito, filtrePluvio, filtreHydro;
    QSet<QString> rights;    // UTILISATEURS_HABILITATIONS.habilitation, upper case
    bool fromCommandLine = false; // a database file given on the command line: runs as ADMIN
    // The user has rows of UTILISATEURS_STATIONS for rain gauges (read at login, so that a
    // scope row added during the run does not suddenly hide every other station).
    bool hasStationScope = false;

    bool loggedIn() const { return !login.isEmpty(); }
    // PLUVIO_FICHE_MODIF, PLUVIO_DATA_MODIF...: the administrator has them all.
    bool hasRight(const QString &right) const;
    // " WHERE PLUVIOMETRES.CodePluviometre in (select cint(identifiant) from
    // utilisateurs_stations where ucase(login)=ucase('<login>') and
    // ucase(typestation)='PLUVIO')" when the user's station scope applies (not an
    // administrator, and scope rows existed at login), else "".
    QString stationScopeClause() const;
    // The same condition without " WHERE ", to AND with other conditions; "" when none.
    QString stationScopeCondition() const;
};

UserSession &session();

} // namespace plx
