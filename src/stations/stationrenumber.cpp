#include "stations/stationrenumber.h"

#include "db/accesbase.h"
#include "db/sqltext.h"
#include "db/transaction.h"
#include "measures/measurementtable.h"
#include "schema/schemacatalog.h"
#include "stations/stationcodes.h"

namespace plx {

namespace {

constexpr int kListedStatements = 21;

struct Step
{
    QString sql;
    bool counted = true; // one of the listed statements the progress bar counts
};

std::vector<Step> updateSteps(const QString &from, const QString &to)
{
    std::vector<Step> steps;
    const auto byCode = [&](const char *table, const char *column = "codePluviometre") {
        steps.push_back({QStringLiteral("UPDATE %1 SET %2=%3 WHERE %2=%4")
                             .arg(QLatin1String(table), QLatin1String(column), to, from)});
    };
    for (const char *table :
         {"bulletins_pluvio_selection", "courbes_references_pluvio", "evenements_pluvio",
          "intervenants_liste_pluvio", "lien_pluvio_intervenants", "lien_pluvio_reseaux"})
        byCode(table);
    for (const char *kind : {"batteries", "capteurs", "centrales", "divers", "modems"}) {
        steps.push_back({QStringLiteral("UPDATE mat_%1_situations SET codesite=%2 WHERE "
                                        "codesite=%3 and typesite=2")
                             .arg(QLatin1String(kind), to, from)});
    }
    for (const char *table : {"modes_mesures_pluvio", "ouvrages_pluvio", "pluviometre_bulletins",
                              "pluviometre_documents", "pluviometre_localisations",
                              "pluviometre_normales", "pluviometre_photo", "pluviometres"})
        byCode(table);
    steps.push_back({QStringLiteral("UPDATE pluviometres_echelles set codePluvio=%1 WHERE "
                                    "codePluvio=%2")
                         .arg(sqlQuote(to), sqlQuote(from))});
    byCode("pluviometres_info_geo");
    // Tables naming the station that a code change must carry too, or the old code's
    // next owner would inherit their rows.
    steps.push_back({QStringLiteral("UPDATE evt_pluvio_actions SET codePluvio=%1 WHERE "
                                    "codePluvio=%2")
                         .arg(to, from),
                     false});
    steps.push_back({QStringLiteral("UPDATE utilisateurs_stations SET identifiant=%1 WHERE "
                                    "ucase(typestation)='PLUVIO' AND identifiant=%2")
                         .arg(sqlQuote(to), sqlQuote(from)),
                     false});
    for (const char *table : {"lien_pluvio_accessibilites", "lien_pluvio_amenagements"}) {
        byCode(table);
        steps.back().counted = false;
    }
    return steps;
}

// The tables named after the code that exist: measurement, raw, reference curve.
std::vector<std::pair<QString, QString>> tableRenames(AccesBase &db, const QString &from,
                                                      const QString &to)
{
    const QString oldMeasures = measurementTableName(from);
    const QString newMeasures = measurementTableName(to);
    const std::pair<QString, QString> candidates[] = {
        {oldMeasures, newMeasures},
        {oldMeasures + QStringLiteral("_BRUTE"), newMeasures + QStringLiteral("_BRUTE")},
        {measurementTableName(from, true), measurementTableName(to, true)},
    };
    std::vector<std::pair<QString, QString>> renames;
    for (const auto &candidate : candidates) {
        if (db.tableExists(candidate.first))
            renames.push_back(candidate);
    }
    return renames;
}

// Index names do not follow a renamed table: PK_<old table> becomes PK_<new table>.
bool moveKeyIndex(AccesBase &db, Transaction &transaction, const QString &from, const QString &to)
{
    const auto indexes = catalog::indexesOf(db, to);
    if (!indexes)
        return true; // no catalog to ask: the index keeps its old name
    const QString oldName = QStringLiteral("PK_") + from;
    for (const catalog::IndexInfo &index : *indexes) {
        if (index.name.compare(oldName, Qt::CaseInsensitive) != 0)
            continue;
        const QString columns = index.columns.join(QStringLiteral(", "));
        return transaction.exec(QStringLiteral("DROP INDEX ") + index.name) &&
               transaction.exec(
                   QStringLiteral("CREATE %1INDEX PK_%2 ON %2 (%3)")
                       .arg(index.unique ? QStringLiteral("UNIQUE ") : QString(), to, columns));
    }
    return true;
}

bool fail(QString *error, const QString &text)
{
    if (error)
        *error = text;
    return false;
}

} // namespace

bool renumberStation(AccesBase &db, const QString &givenOld, const QString &newCode,
                     const StationProgress &progress, QString *error)
{
    const QString from = normalisedStationCode(givenOld);
    if (from.isEmpty())
        return fail(error, QStringLiteral("Code de pluviomètre incorrect : %1").arg(givenOld));
    if (newCode.isEmpty())
        return fail(error, codeFormatViolation(QStringLiteral("x")));
    const QString refused = codeRuleViolation(db, newCode);
    if (!refused.isEmpty())
        return fail(error, refused);
    const QString to = sqlNumber(newCode.toLongLong());

    // Catalog questions first: inside an open PostgreSQL transaction they are harmless,
    // but asking them up front keeps the transaction to the changes themselves.
    const auto renames = tableRenames(db, from, to);
    std::vector<Step> steps = updateSteps(from, to);
    // The station's quality-control thresholds go with it (the table comes with an upgrade).
    if (db.tableExists(QStringLiteral("SEUILS_CONTROLES")))
        steps.push_back({QStringLiteral("UPDATE SEUILS_CONTROLES SET CodePluviometre=%1 WHERE "
                                        "CodePluviometre=%2")
                             .arg(to, from),
                         false});
    Transaction transaction(db);
    if (!transaction.started())
        return fail(error, transaction.error());
    int done = 0;
    for (const Step &step : steps) {
        if (!transaction.exec(step.sql))
            return fail(error, transaction.error());
        if (step.counted && progress)
            progress(++done * 90 / kListedStatements);
    }
    for (const auto &[oldTable, newTable] : renames) {
        QString message;
        if (!db.RenommerTable(oldTable, newTable, &message))
            return fail(error, message);
        if (!moveKeyIndex(db, transaction, oldTable, newTable))
            return fail(error, transaction.error());
    }
    if (progress)
        progress(95);
    if (!transaction.commit())
        return fail(error, transaction.error());
    if (progress)
        progress(100);
    return true;
}

} // namespace plx
