#include "stations/stationfavourites.h"

#include "db/accesbase.h"
#include "db/sqltext.h"

namespace plx {

namespace {

QString favouriteCondition(const QString &login, const QString &identifiant)
{
    return QStringLiteral(" WHERE login=%1 AND identifiant=%2 AND typeStation=%3")
        .arg(sqlQuote(login), sqlQuote(identifiant), sqlNumber(kFavouriteStationType));
}

} // namespace

bool isFavouriteStation(AccesBase &db, const QString &login, const QString &identifiant)
{
    if (login.isEmpty() || identifiant.isEmpty())
        return false;
    const RecordTable rows =
        db.ExtraireRecords(QStringLiteral("SELECT * FROM UTILISATEURS_FAVORIS") +
                           favouriteCondition(login, identifiant));
    return rows.ok() && rows.rowCount() > 0;
}

bool setFavouriteStation(AccesBase &db, const QString &login, const QString &identifiant,
                         bool favourite)
{
    if (login.isEmpty() || identifiant.isEmpty())
        return false;
    if (!favourite)
        return db.Execute(QStringLiteral("DELETE FROM UTILISATEURS_FAVORIS") +
                          favouriteCondition(login, identifiant));
    if (isFavouriteStation(db, login, identifiant))
        return true;
    return db.Execute(
        QStringLiteral("INSERT INTO UTILISATEURS_FAVORIS (login, identifiant, "
                       "typeStation) VALUES (%1, %2, %3)")
            .arg(sqlQuote(login), sqlQuote(identifiant), sqlNumber(kFavouriteStationType)));
}

} // namespace plx
