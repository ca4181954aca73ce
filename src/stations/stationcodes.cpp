#include "stations/stationcodes.h"

#include "db/accesbase.h"
#include "db/sqltext.h"
#include "measures/measurementtable.h"
#include "session/session.h"

namespace plx {

namespace {

constexpr qint64 kHighestCode = 99999;

} // namespace

QString codeFormatViolation(const QString &typed)
{
    if (typed.isEmpty())
        return QString();
    bool ok = false;
    const qint64 value = typed.toLongLong(&ok);
    // " 12", "007" and "+5" convert but do not read back: refused like any other noise.
    if (!ok || QString::number(value) != typed)
        return QStringLiteral("Le code saisi n'est pas un entier correct. Merci de reessayer.");
    if (typed.contains(QLatin1Char('-')) || value == 0)
        return QStringLiteral("Le code saisi doit être positif. Merci de reessayer.");
    if (typed.size() > 5 || value > kHighestCode)
        return QStringLiteral(
            "Le code saisi ne doit pas faire plus de 5 caractères. Merci de reessayer.");
    return QString();
}

QString codeRuleViolation(AccesBase &db, const QString &typed)
{
    const QString format = codeFormatViolation(typed);
    if (!format.isEmpty() || typed.isEmpty())
        return format;
    const RecordTable existing =
        db.ExtraireRecords(QStringLiteral("SELECT nom from pluviometres where codepluviometre=") +
                           sqlNumber(typed.toLongLong()));
    if (!existing.ok() || existing.rowCount() > 0 || db.tableExists(measurementTableName(typed)))
        return QStringLiteral(
            "Le code saisi existe déjà. Merci de reessayer en saisissant un nouveau numéro.");
    return QString();
}

QString nextFreeStationCode(AccesBase &db)
{
    const RecordTable max =
        db.ExtraireRecords(QStringLiteral("SELECT Max(CodePluviometre) FROM Pluviometres"));
    if (!max.ok() || max.rowCount() != 1)
        return QString();
    return QString::number(qint64(max.at(0, 0).toDouble()) + 1);
}

QString normalisedStationCode(const QString &code)
{
    const QString table = measurementTableName(code);
    return table.isEmpty() ? QString() : table.mid(int(qstrlen("PLUVIO_")));
}

QString adjacentStationCode(AccesBase &db, const QString &code, int step)
{
    const RecordTable codes = db.ExtraireRecords(
        QStringLiteral("SELECT PLUVIOMETRES.CodePluviometre FROM PLUVIOMETRES") +
        session().stationScopeClause() + QStringLiteral(" ORDER BY PLUVIOMETRES.CodePluviometre"));
    const int count = codes.ok() ? codes.rowCount() : 0;
    if (count == 0)
        return QString();
    const double current = code.toDouble();
    int index = -1;
    for (int r = 0; r < count && index < 0; ++r) {
        if (codes.at(r, 0).toDouble() >= current)
            index = r;
    }
    const bool found = index >= 0 && codes.at(index, 0).toDouble() == current;
    if (index < 0)
        index = count; // after the last one
    // A code no longer listed sits between its neighbours: stepping forward lands on the
    // next one, not one further.
    const int target = found || step < 0 ? index + step : index;
    const QString next = normalisedStationCode(codes.text((target % count + count) % count, 0));
    return next == code ? QString() : next;
}

QString stationDisplayName(AccesBase &db, const QString &code)
{
    const QString normalised = normalisedStationCode(code);
    if (normalised.isEmpty())
        return QString();
    const RecordTable identity = db.ExtraireRecords(
        QStringLiteral("SELECT Identifiant, Nom FROM PLUVIOMETRES WHERE CodePluviometre = ") +
        sqlNumber(normalised.toLongLong()));
    if (!identity.ok() || identity.rowCount() == 0)
        return QString();
    const QString identifiant = identity.text(0, 0).trimmed();
    const QString nom = identity.text(0, 1).trimmed();
    if (nom.isEmpty() || identifiant.isEmpty())
        return nom + identifiant;
    return nom + QStringLiteral(" (") + identifiant + QLatin1Char(')');
}

} // namespace plx
