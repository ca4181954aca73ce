#include "schema/qualityflagtable.h"

#include "db/accesbase.h"
#include "schema/schemasteps.h"

namespace plx {

TableSpec qualityFlagTableSpec()
{
    using namespace schema;
    return {QStringLiteral("CONTROLES_QUALITE"),
            {longInt("CodePluviometre"), dateTime("DateMesure"), text("Parametre", 20),
             text("Regle", 20), shortInt("Severite"), real("Valeur"), text("Explication", 255),
             text("Statut", 10), shortInt("Actif"), text("LoginDecision", 50),
             dateTime("DateDecision"), dateTime("DateControle")}};
}

namespace schema {

void qualityFlags(SchemaWriter &writer)
{
    writer.ensureTable(qualityFlagTableSpec());
    // The panel reads a station's window; the merge finds a flag by its key.
    writer.ensureIndex(QStringLiteral("ind_controles_qualite"), QStringLiteral("CONTROLES_QUALITE"),
                       QStringLiteral("CodePluviometre, DateMesure"));
}

} // namespace schema

bool ensureQualityFlagTable(AccesBase &db, QString *error)
{
    if (db.tableExists(QStringLiteral("CONTROLES_QUALITE")))
        return true;
    const ScopedConnectionKind kind(db);
    SchemaWriter writer(db);
    schema::qualityFlags(writer);
    if (writer.failures().isEmpty())
        return true;
    if (error)
        *error = writer.failures().join(QLatin1Char('\n'));
    return false;
}

} // namespace plx
