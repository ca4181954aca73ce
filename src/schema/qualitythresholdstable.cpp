#include "schema/qualitythresholdstable.h"

#include "db/accesbase.h"
#include "schema/schemasteps.h"

namespace plx {

TableSpec qualityThresholdsTableSpec()
{
    using namespace schema;
    return {QStringLiteral("SEUILS_CONTROLES"),
            {longInt("CodePluviometre"), text("Cle", 40), real("Valeur")}};
}

namespace schema {

void qualityThresholds(SchemaWriter &writer)
{
    writer.ensureTable(qualityThresholdsTableSpec());
    writer.ensureIndex(QStringLiteral("ind_seuils_controles"), QStringLiteral("SEUILS_CONTROLES"),
                       QStringLiteral("CodePluviometre, Cle"), true);
}

} // namespace schema

bool ensureQualityThresholdsTable(AccesBase &db, QString *error)
{
    if (db.tableExists(QStringLiteral("SEUILS_CONTROLES")))
        return true;
    const ScopedConnectionKind kind(db);
    SchemaWriter writer(db);
    schema::qualityThresholds(writer);
    if (writer.failures().isEmpty())
        return true;
    if (error)
        *error = writer.failures().join(QLatin1Char('\n'));
    return false;
}

} // namespace plx
