#include "charts/normalstitle.h"

#include "db/accesbase.h"
#include "db/sqltext.h"
#include "measures/measurementtable.h"

namespace plx {

std::optional<QString> readNormalsTitle(AccesBase &db, const QString &code)
{
    if (measurementTableName(code).isEmpty())
        return std::nullopt;
    const RecordTable rows = db.ExtraireRecords(
        QStringLiteral("SELECT titre FROM PLUVIOMETRE_NORMALES WHERE CodePluviometre=") +
        sqlNumber(qint64(code.trimmed().toDouble())) + QStringLiteral(" and mois=-1"));
    if (!rows.ok() || rows.rowCount() == 0)
        return std::nullopt;
    return rows.at(0, 0).toString().trimmed();
}

} // namespace plx
