#include "measures/networksituation.h"

#include "base/locale.h"
#include "db/accesbase.h"
#include "db/dialect.h"
#include "measures/measurementtable.h"
#include "schema/schemacatalog.h"
#include "stations/stationlist.h"

#include <map>

namespace plx {

namespace {

// Rows dated on the search day count whatever their time: compare below the next day.
QString dayAfterLiteral(const QDate &searchDate)
{
    return FormatDateSQL(formatDate(searchDate.addDays(1)), false);
}

// The date of a row and the time of day of its Heure as one instant.
QDateTime instantOf(const QVariant &day, const QVariant &time)
{
    if (day.isNull())
        return {};
    const QDate date = day.toDateTime().date();
    const QTime clock = time.isNull() ? QTime(0, 0) : time.toDateTime().time();
    return QDateTime(date, clock, Qt::UTC);
}

// The first row of a statement that reads at most one; an empty table when it failed
// because the table is missing (a station never measured).
RecordTable firstRow(AccesBase &db, const QString &sql, QString &error)
{
    RecordTable rows = db.ExtraireRecords(sql);
    if (!rows.ok() && !db.isMissingObjectError(rows.error()) && error.isEmpty())
        error = rows.error();
    return rows;
}

} // namespace

QString situationNotFoundText()
{
    return QStringLiteral(
        "Information non trouvée ou de plus de 90 jours par rapport à la date de recherche.");
}

namespace {

// The latest row before the search date among those matching condition, in one statement:
// the day through max(), which every engine answers by walking the date index backwards
// until a row matches, then the latest time on that day alone. A plain ORDER BY ... DESC
// would not do on PostgreSQL, where NULLS LAST makes it sort every row before the date.
QString latestRowQuery(const QString &columns, const QString &code, const QString &condition,
                       const QDate &searchDate)
{
    const QString table = measurementTableName(code);
    return QStringLiteral("SELECT TOP 1 %1 FROM %2 WHERE %3 AND DateCreation = (SELECT "
                          "Max(DateCreation) FROM %2 WHERE %3 AND DateCreation < %4) "
                          "ORDER BY Heure DESC")
        .arg(columns, table, condition, dayAfterLiteral(searchDate));
}

} // namespace

QString lastValueQuery(const QString &code, const QDate &searchDate)
{
    return latestRowQuery(QStringLiteral("DateCreation, Heure, Pluie"), code,
                          QStringLiteral("Pluie is not null"), searchDate);
}

QString lastValidatedQuery(const QString &code, const QDate &searchDate)
{
    return latestRowQuery(QStringLiteral("DateCreation, Heure"), code,
                          QStringLiteral("Validite='V'"), searchDate);
}

QString lastInterventionQuery(const QString &code, const QDate &searchDate)
{
    // The code is the table name's number, so it is a whole number written by code.
    const QString number = measurementTableName(code).mid(QStringLiteral("PLUVIO_").size());
    return QStringLiteral("SELECT TOP 1 DateEvenement, heureEvenement, type, Commentaires"
                          " FROM EVENEMENTS_PLUVIO WHERE CodePluviometre=%1 AND DateEvenement < %2"
                          " ORDER BY DateEvenement DESC, heureEvenement DESC, Numero DESC")
        .arg(number, dayAfterLiteral(searchDate));
}

SituationStationsResult situationStations(const QStringList &codes)
{
    SituationStationsResult result;
    const StationListResult list = loadStationList();
    if (!list.ok) {
        result.error = list.error;
        return result;
    }
    result.ok = true;
    std::map<qint64, QString> visible; // a station with two managers is listed twice
    for (const StationListRow &row : list.rows)
        visible.emplace(row.code, row.nom);
    if (codes.isEmpty()) {
        for (const auto &[code, nom] : visible)
            result.stations.push_back({QString::number(code), nom});
        return result;
    }
    for (const QString &given : codes) {
        bool number = false;
        const qint64 code = given.trimmed().toLongLong(&number);
        const auto found = number ? visible.find(code) : visible.end();
        if (found == visible.end())
            result.unknown << given.trimmed();
        else
            result.stations.push_back({QString::number(code), found->second});
    }
    return result;
}

std::vector<StationSituation> computeSituation(AccesBase &db,
                                               const std::vector<SituationStation> &stations,
                                               const QDate &searchDate)
{
    // Date literals follow the connection, also where no run profile names it (the CLI).
    const ScopedConnectionKind kind(db);
    std::vector<StationSituation> result;
    result.reserve(stations.size());
    const QDateTime recentFrom(searchDate.addDays(-kSituationRecentDays), QTime(0, 0), Qt::UTC);
    for (const SituationStation &station : stations) {
        StationSituation s;
        s.code = station.code;
        s.nom = station.nom;
        if (measurementTableName(station.code).isEmpty() || !searchDate.isValid()) {
            result.push_back(std::move(s));
            continue;
        }
        const RecordTable value = firstRow(db, lastValueQuery(station.code, searchDate), s.error);
        if (value.ok() && value.rowCount() > 0) {
            s.lastInstant = instantOf(value.at(0, 0), value.at(0, 1));
            s.lastValue = value.at(0, 2).isNull() ? QVariant() : QVariant(value.at(0, 2).toDouble());
        }
        const RecordTable validated =
            firstRow(db, lastValidatedQuery(station.code, searchDate), s.error);
        if (validated.ok() && validated.rowCount() > 0)
            s.lastValidated = instantOf(validated.at(0, 0), validated.at(0, 1));
        const RecordTable intervention =
            firstRow(db, lastInterventionQuery(station.code, searchDate), s.error);
        if (intervention.ok() && intervention.rowCount() > 0) {
            s.lastIntervention = instantOf(intervention.at(0, 0), intervention.at(0, 1));
            s.interventionType = intervention.text(0, 2).trimmed();
            s.interventionComment = intervention.text(0, 3).simplified();
        }
        const auto recent = [&](const QDateTime &instant) {
            return instant.isValid() && instant >= recentFrom;
        };
        s.stale = !recent(s.lastInstant) && !recent(s.lastValidated) &&
                  !recent(s.lastIntervention);
        result.push_back(std::move(s));
    }
    return result;
}

} // namespace plx
