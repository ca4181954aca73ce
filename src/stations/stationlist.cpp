#include "stations/stationlist.h"

#include "db/accesbase.h"
#include "db/sqltext.h"
#include "session/session.h"
#include "stations/stationfavourites.h"

namespace plx {

namespace {

QDate dateOf(const QVariant &value)
{
    return value.isNull() ? QDate() : value.toDateTime().date();
}

// Whose lists: the user's own and the shared ones (no owner).
QString ownerCondition(const QString &login)
{
    return QStringLiteral(" AND (loginmaj is null or loginmaj=") + sqlQuote(login) +
           QStringLiteral(")");
}

} // namespace

QString moduleCode()
{
    return QStringLiteral("PLXReader").toUpper().remove(QStringLiteral("READER"));
}

QString stationListFrom()
{
    return QStringLiteral(
        "FROM ((PLUVIOMETRES LEFT JOIN COMMUNES ON PLUVIOMETRES.CodeCommune = "
        "COMMUNES.CodeCommune) LEFT JOIN LIEN_PLUVIO_GESTIONNAIRE ON "
        "PLUVIOMETRES.CodePluviometre = LIEN_PLUVIO_GESTIONNAIRE.CodePluviometre)  ");
}

QString stationListQuery()
{
    return QStringLiteral("SELECT DISTINCT PLUVIOMETRES.CodePluviometre, PLUVIOMETRES.Nom, "
                          "COMMUNES.Nom, COMMUNES.NumDept, PLUVIOMETRES.Altitude, "
                          "LIEN_PLUVIO_GESTIONNAIRE.Nom, PLUVIOMETRES.DateCreation, "
                          "PLUVIOMETRES.DateFermeture, PLUVIOMETRES.Identifiant ") +
           stationListFrom() + session().stationScopeClause();
}

StationListResult loadStationList()
{
    StationListResult result;
    const RecordTable table = AccesBase::instance().ExtraireRecords(stationListQuery());
    if (!table.ok()) {
        result.error = table.error();
        return result;
    }
    result.ok = true;
    result.rows.reserve(size_t(table.rowCount()));
    for (int r = 0; r < table.rowCount(); ++r) {
        StationListRow row;
        row.code = qint64(table.at(r, 0).toDouble());
        row.nom = table.text(r, 1);
        row.commune = table.text(r, 2);
        row.departement = table.text(r, 3);
        if (!table.at(r, 4).isNull())
            row.altitude = table.at(r, 4).toDouble();
        row.gestionnaire = table.text(r, 5);
        row.creation = dateOf(table.at(r, 6));
        row.fermeture = dateOf(table.at(r, 7));
        row.identifiant = table.text(r, 8);
        result.rows.push_back(std::move(row));
    }
    return result;
}

std::vector<SavedListEntry> savedListEntries(const QString &login)
{
    std::vector<SavedListEntry> entries;
    const RecordTable table = AccesBase::instance().ExtraireRecords(
        QStringLiteral("SELECT LibelleListe, CodeListe FROM Utilisateurs_Listes WHERE Module=") +
        sqlQuote(moduleCode()) + ownerCondition(login) +
        QStringLiteral(" ORDER BY LibelleListe ASC"));
    for (int r = 0; table.ok() && r < table.rowCount(); ++r)
        entries.push_back({qint64(table.at(r, 1).toDouble()), table.text(r, 0)});
    return entries;
}

std::optional<qint64> defaultListCode(const QString &login)
{
    const RecordTable table = AccesBase::instance().ExtraireRecords(
        QStringLiteral("SELECT codeListe FROM Utilisateurs_Listes WHERE Defaut='O'") +
        ownerCondition(login) + QStringLiteral(" AND Module=") + sqlQuote(moduleCode()));
    if (!table.ok() || table.rowCount() == 0 || table.at(0, 0).isNull())
        return std::nullopt;
    return qint64(table.at(0, 0).toDouble());
}

QSet<QString> favouriteIdentifiers(const QString &login)
{
    QSet<QString> identifiers;
    const RecordTable table = AccesBase::instance().ExtraireRecords(
        QStringLiteral("SELECT identifiant FROM UTILISATEURS_FAVORIS WHERE login=") +
        sqlQuote(login) + QStringLiteral(" AND typeStation=") + sqlNumber(kFavouriteStationType));
    for (int r = 0; table.ok() && r < table.rowCount(); ++r)
        identifiers.insert(table.text(r, 0));
    return identifiers;
}

} // namespace plx
