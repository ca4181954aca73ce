#include "schema/measurehistorytable.h"

#include "db/accesbase.h"
#include "schema/schemasteps.h"

namespace plx {

TableSpec measureHistoryValuesTableSpec()
{
    using namespace schema;
    return {QStringLiteral("HISTORIQUE_VALEURS"),
            {counter("Numero"), text("Lot", 40), dateTime("DateMesure"), text("Parametre", 20),
             real("AncienneValeur"), real("NouvelleValeur"), text("AncienneValidite", 1),
             text("NouvelleValidite", 1), text("TypeLigne", 1)}};
}

TableSpec measureHistoryBatchesTableSpec()
{
    using namespace schema;
    return {QStringLiteral("HISTORIQUE_LOTS"),
            {text("Lot", 40), longInt("CodePluviometre"), text("Nature", 20), text("Login", 50),
             dateTime("DateModif"), longInt("NumeroDebut"), longInt("NumeroFin"),
             dateTime("PremiereMesure"), dateTime("DerniereMesure"), text("TypeLigne", 1),
             dateTime("DateMesureDebut"), dateTime("DateMesureFin"), text("Commentaire", 255)}};
}

namespace schema {

void measureHistory(SchemaWriter &writer)
{
    writer.ensureTable(measureHistoryValuesTableSpec());
    writer.ensureTable(measureHistoryBatchesTableSpec());
    // A station's batches (its history, a cell's) and a batch by its identifier (the
    // revert). The values are reached through their batch's range of Numero.
    writer.ensureIndex(QStringLiteral("ind_historique_lots"), QStringLiteral("HISTORIQUE_LOTS"),
                       QStringLiteral("Lot"), true);
    writer.ensureIndex(QStringLiteral("ind_historique_stations"),
                       QStringLiteral("HISTORIQUE_LOTS"), QStringLiteral("CodePluviometre"));
}

} // namespace schema

bool hasMeasureHistory(AccesBase &db)
{
    return db.tableExists(QStringLiteral("HISTORIQUE_LOTS")) &&
           db.tableExists(QStringLiteral("HISTORIQUE_VALEURS"));
}

bool ensureMeasureHistoryTable(AccesBase &db, QString *error)
{
    if (hasMeasureHistory(db))
        return true;
    const ScopedConnectionKind kind(db);
    SchemaWriter writer(db);
    schema::measureHistory(writer);
    if (writer.failures().isEmpty())
        return true;
    if (error)
        *error = writer.failures().join(QLatin1Char('\n'));
    return false;
}

} // namespace plx
