#include "charts/chartengine.h"

#include "db/accesbase.h"
#include "db/sqltext.h"
#include "measures/measurementtable.h"

#include <cmath>
#include <limits>

namespace plx {

namespace {

double numberOrNaN(const QVariant &value)
{
    if (value.isNull())
        return std::numeric_limits<double>::quiet_NaN();
    bool ok = false;
    const double v = value.toString().trimmed().replace(QLatin1Char(','), QLatin1Char('.')).toDouble(&ok);
    return ok ? v : std::numeric_limits<double>::quiet_NaN();
}

} // namespace

StationNormals loadStationNormals(AccesBase &db, const QString &code)
{
    StationNormals normals;
    normals.pluie.fill(std::numeric_limits<double>::quiet_NaN());
    normals.pluieEfficace = normals.pluie;
    normals.etp = normals.pluie;
    // A code that names no measurement table is not a station number.
    if (measurementTableName(code).isEmpty())
        return normals;
    const qint64 number = qint64(code.trimmed().toDouble());
    const RecordTable rows = db.ExtraireRecords(
        QStringLiteral("SELECT Mois, Valeur, pluieEfficace, etp, Titre FROM PLUVIOMETRE_NORMALES "
                       "WHERE CodePluviometre=") +
        sqlNumber(number));
    if (!rows.ok())
        return normals;
    for (int r = 0; r < rows.rowCount(); ++r) {
        const double month = numberOrNaN(rows.at(r, 0));
        if (month == -1) {
            normals.title = rows.at(r, 4).toString().trimmed();
            continue;
        }
        if (!(month >= 1 && month <= 12) || month != std::floor(month))
            continue;
        const size_t i = size_t(month) - 1;
        normals.pluie[i] = numberOrNaN(rows.at(r, 1));
        normals.pluieEfficace[i] = numberOrNaN(rows.at(r, 2));
        normals.etp[i] = numberOrNaN(rows.at(r, 3));
        normals.hasMonths = true;
    }
    return normals;
}

} // namespace plx
