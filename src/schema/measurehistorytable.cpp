#include "schema/measurehistorytable.h"

#include "db/accesbase.h"
#include "schema/schemasteps.h"

namespace plx {

TableSpec measureHistoryTableSpec()
{
    using namespace schema;
    return {QStringLiteral("HISTORIQUE_MESURES"),
            {longInt("CodePluviometre"), dateTime("DateMesure"), dateTime("DateMesureDebut"),
             text("Parametre", 20), real("AncienneValeur"), real("NouvelleValeur"),
             text("AncienneValidite", 1), text("NouvelleValidite", 1), text("Nature", 20),
             text("TypeLigne", 1), text("Login", 50), dateTime("DateModif"), text("Lot", 40),
             text("Commentaire", 255)}};
}

namespace schema {

void measureHistory(SchemaWriter &writer)
{
    writer.ensureTable(measureHistoryTableSpec());
    // A station's history by instant (a cell's history, the screen's period) and a batch
    // by its identifier (the revert).
    writer.ensureIndex(QStringLiteral("ind_historique_mesures"),
                       QStringLiteral("HISTORIQUE_MESURES"),
                       QStringLiteral("CodePluviometre, DateMesure"));
    writer.ensureIndex(QStringLiteral("ind_historique_lots"), QStringLiteral("HISTORIQUE_MESURES"),
                       QStringLiteral("Lot"));
}

} // namespace schema

bool ensureMeasureHistoryTable(AccesBase &db, QString *error)
{
    if (db.tableExists(QStringLiteral("HISTORIQUE_MESURES")))
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
