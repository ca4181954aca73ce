#include "measures/parameterlabels.h"

#include "db/accesbase.h"
#include "db/sqltext.h"

namespace plx {

std::optional<QString> storedParameterLabel(AccesBase &db, int id)
{
    const RecordTable rows = db.ExtraireRecords(
        QStringLiteral("SELECT libelle FROM PARAMETRAGE_DATA WHERE projet='PLX' AND id=") +
        sqlNumber(id));
    if (!rows.ok() || rows.rowCount() == 0)
        return std::nullopt;
    // A label of blanks hides the parameter as an empty one does (Oracle keeps '' as NULL,
    // and the administration screen trims what it stores).
    return rows.text(0, 0).trimmed();
}

QString parameterLabel(AccesBase &db, int id)
{
    return storedParameterLabel(db, id).value_or(QStringLiteral("Param") + QString::number(id));
}

std::vector<DataKind> dataKinds(AccesBase &db)
{
    std::vector<DataKind> kinds{
        {QStringLiteral("pluie"), QStringLiteral("Pluie"), 1},
        {QStringLiteral("pluieefficace"), QStringLiteral("Pluie efficace"), 2},
        {QStringLiteral("etp"), QStringLiteral("ETP"), 3}};
    for (int id = 1; id <= 3; ++id)
        kinds.push_back(
            {QStringLiteral("valeur") + QString::number(id), parameterLabel(db, id), 3 + id});
    return kinds;
}

} // namespace plx
