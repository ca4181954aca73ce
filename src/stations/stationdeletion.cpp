#include "stations/stationdeletion.h"

#include "db/accesbase.h"
#include "db/sqltext.h"
#include "db/transaction.h"
#include "measures/measurementtable.h"
#include "stations/stationcodes.h"
#include "stations/stationfavourites.h"

namespace plx {

namespace {

// Tables whose rows name the station in a numeric CodePluviometre column.
const char *const kStationTables[] = {
    "Pluviometres",
    "PLUVIOMETRE_LOCALISATIONS",
    "PLUVIOMETRE_BULLETINS",
    "LIEN_PLUVIO_INTERVENANTS",
    "LIEN_PLUVIO_RESEAUX",
    "MODES_MESURES_PLUVIO",
    "OUVRAGES_PLUVIO",
    "PLUVIOMETRES_INFO_GEO",
    "PLUVIOMETRE_PHOTO",
    "EVENEMENTS_PLUVIO",
    "PLUVIOMETRE_NORMALES",
    "PLUVIOMETRE_DOCUMENTS",
    "BULLETINS_PLUVIO_SELECTION",
    "INTERVENANTS_LISTE_PLUVIO",
    "courbes_references_pluvio",
    "LIEN_PLUVIO_ACCESSIBILITES",
    "LIEN_PLUVIO_AMENAGEMENTS",
    "SEUILS_CONTROLES",
};

QStringList deleteStatements(AccesBase &db, const QString &code)
{
    const QString number = sqlNumber(code.toLongLong());
    QStringList statements;
    for (const char *table : kStationTables) {
        statements << QStringLiteral("DELETE FROM %1 WHERE CodePluviometre=%2")
                          .arg(QLatin1String(table), number);
    }
    statements << QStringLiteral("DELETE FROM EVT_PLUVIO_ACTIONS WHERE codePluvio=") + number
               << QStringLiteral("DELETE FROM PLUVIOMETRES_ECHELLES WHERE codePluvio=") +
                      sqlQuote(code)
               // Every scope row of the code, not only the single-station ones: a station
               // created later with this code must not appear in anyone's scope.
               << QStringLiteral("DELETE FROM utilisateurs_stations where "
                                 "ucase(typestation)='PLUVIO' and identifiant=") +
                      sqlQuote(code);
    for (bool reference : {false, true}) {
        const QString table = measurementTableName(code, reference);
        if (db.tableExists(table))
            statements << QStringLiteral("DROP TABLE ") + table;
    }
    const QString raw = measurementTableName(code) + QStringLiteral("_BRUTE");
    if (db.tableExists(raw))
        statements << QStringLiteral("DROP TABLE ") + raw;
    return statements;
}

} // namespace

bool deleteStation(AccesBase &db, const QString &givenCode, const StationProgress &progress,
                   QString *error)
{
    const QString code = normalisedStationCode(givenCode);
    if (code.isEmpty()) {
        if (error)
            *error = QStringLiteral("Code de pluviomètre incorrect : %1").arg(givenCode);
        return false;
    }
    // Favourites name the public identifier: read it before the row goes.
    const RecordTable station = db.ExtraireRecords(
        QStringLiteral("SELECT Identifiant FROM Pluviometres WHERE CodePluviometre=") + code);
    const QString identifiant =
        station.ok() && station.rowCount() > 0 ? station.text(0, 0) : QString();
    QStringList statements = deleteStatements(db, code);
    if (!identifiant.isEmpty()) {
        statements << QStringLiteral("DELETE FROM UTILISATEURS_FAVORIS WHERE identifiant=%1 AND "
                                     "typeStation=%2")
                          .arg(sqlQuote(identifiant), sqlNumber(kFavouriteStationType));
    }

    Transaction transaction(db);
    if (!transaction.started()) {
        if (error)
            *error = transaction.error();
        return false;
    }
    for (int i = 0; i < statements.size(); ++i) {
        // A satellite table an older database lacks holds nothing to delete.
        if (!transaction.tryExec(statements[i]) && !db.isMissingObjectError(transaction.error())) {
            if (error)
                *error = transaction.error();
            return false;
        }
        if (progress)
            progress(int((i + 1) * 95 / statements.size()));
    }
    const bool committed = transaction.commit();
    if (!committed && error)
        *error = transaction.error();
    if (committed && progress)
        progress(100);
    return committed;
}

} // namespace plx
