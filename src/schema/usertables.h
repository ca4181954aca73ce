#pragma once

#include <QString>
#include <QStringList>

namespace plx {

class AccesBase;

// Password of the default administrator "ADMIN", inserted when UTILISATEURS is created.
// The installer tells it to the first user, who changes it.
inline constexpr char kDefaultAdminLogin[] = "ADMIN";
inline constexpr char kDefaultAdminPassword[] = "PLUIE";

struct UserTablesResult
{
    bool ok = true; // every statement that had to run succeeded
    bool adminCreated = false;
    QStringList changes; // French lines: "Table UTILISATEURS créée", ...
    QString error;       // the failed statements, one per line
};

// "Initialisation des droits par défaut", run at start-up and before each
// login. Creates UTILISATEURS (and the administrator ADMIN with kDefaultAdminPassword),
// UTILISATEURS_HABILITATIONS and UTILISATEURS_STATIONS, each only when the catalog says
// it is absent. An existing UTILISATEURS is never dropped, even when it lacks columns
// (deviation from the original, which dropped it with its rows): it is widened by
// upgradeUserTable() instead. Also adds UTILISATEURS_STATIONS.modeselect (the fourth
// value of the single-station scope rows).
UserTablesResult ensureDefaultUserTables(AccesBase &db);

// The upgrade of the user table run before each authentication: adds metadata,
// filtrePiezo, filtreQualito, filtrePluvio, filtreHydro and codeContact when missing,
// with the user-table type names of the database kind.
UserTablesResult upgradeUserTable(AccesBase &db);

} // namespace plx
