#include "stations/maplinks.h"

#include "config/settings.h"
#include "db/accesbase.h"
#include "db/sqltext.h"

#include <QSet>
#include <QUrlQuery>

namespace plx {

namespace {

const char kDefaultMapService[] = "https://carto.velmora.fr";
const char kDefaultWebMap[] = "https://www.google.com";

// The option's value without a trailing slash, or the default when it is not set.
QString hostSetting(const char *key, const char *fallback)
{
    QString host = LireParametre(QString::fromLatin1(key), {}, true).trimmed();
    if (host.isEmpty())
        host = QString::fromLatin1(fallback);
    while (host.endsWith(QLatin1Char('/')))
        host.chop(1);
    return host;
}

// A coordinate with a point for the decimal separator, whatever the locale.
QString coordinate(double value)
{
    return QString::number(value, 'f', 6);
}

std::optional<StationCoordinates> firstRow(const RecordTable &rows, const QString &code)
{
    if (!rows.ok() || rows.rowCount() == 0)
        return std::nullopt;
    const QVariant x = rows.at(0, 1);
    const QVariant y = rows.at(0, 2);
    if (x.isNull() || y.isNull())
        return std::nullopt;
    return StationCoordinates{code, rows.text(0, 0), y.toDouble(), x.toDouble()};
}

} // namespace

std::optional<StationCoordinates> findStationCoordinates(const QString &code)
{
    bool isNumber = false;
    const qint64 number = code.trimmed().toLongLong(&isNumber);
    if (!isNumber)
        return std::nullopt;
    const QString key = sqlNumber(number);
    AccesBase &db = AccesBase::instance();
    const RecordTable located = db.ExtraireRecords(
        QStringLiteral("SELECT PLUVIOMETRES.Identifiant, PLUVIOMETRE_LOCALISATIONS.X, "
                       "PLUVIOMETRE_LOCALISATIONS.Y FROM PLUVIOMETRE_LOCALISATIONS INNER JOIN "
                       "PLUVIOMETRES ON PLUVIOMETRES.CodePluviometre = "
                       "PLUVIOMETRE_LOCALISATIONS.CodePluviometre WHERE "
                       "PLUVIOMETRE_LOCALISATIONS.codePluviometre=") +
        key +
        QStringLiteral(" AND PLUVIOMETRE_LOCALISATIONS.codeProjection in (16,31,40) "
                       "ORDER BY PLUVIOMETRE_LOCALISATIONS.codeProjection"));
    if (auto found = firstRow(located, key))
        return found;
    const RecordTable own = db.ExtraireRecords(
        QStringLiteral("SELECT identifiant, X, Y from PLUVIOMETRES WHERE codePluviometre=") + key +
        QStringLiteral(" AND typeProjection in (16,31,40)"));
    return firstRow(own, key);
}

bool allStationCoordinates(AccesBase &db, std::vector<StationCoordinates> *stations,
                           QString *error)
{
    stations->clear();
    // The localisation rows first, projection 16 before 31 before 40; then the stations'
    // own coordinates for those without one.
    const RecordTable located = db.ExtraireRecords(QStringLiteral(
        "SELECT PLUVIOMETRE_LOCALISATIONS.CodePluviometre, PLUVIOMETRES.Identifiant, "
        "PLUVIOMETRE_LOCALISATIONS.X, PLUVIOMETRE_LOCALISATIONS.Y FROM PLUVIOMETRE_LOCALISATIONS "
        "INNER JOIN PLUVIOMETRES ON PLUVIOMETRES.CodePluviometre = "
        "PLUVIOMETRE_LOCALISATIONS.CodePluviometre WHERE "
        "PLUVIOMETRE_LOCALISATIONS.codeProjection in (16,31,40) ORDER BY "
        "PLUVIOMETRE_LOCALISATIONS.CodePluviometre, PLUVIOMETRE_LOCALISATIONS.codeProjection"));
    const RecordTable own = db.ExtraireRecords(
        QStringLiteral("SELECT codePluviometre, identifiant, X, Y from PLUVIOMETRES WHERE "
                       "typeProjection in (16,31,40)"));
    for (const RecordTable *rows : {&located, &own}) {
        if (!rows->ok()) {
            if (error)
                *error = rows->error();
            return false;
        }
    }
    QSet<qint64> placed;
    for (const RecordTable *rows : {&located, &own}) {
        for (int r = 0; r < rows->rowCount(); ++r) {
            const qint64 code = qint64(rows->at(r, 0).toDouble());
            if (rows->at(r, 0).isNull() || rows->at(r, 2).isNull() || rows->at(r, 3).isNull() ||
                placed.contains(code))
                continue;
            placed.insert(code);
            stations->push_back({QString::number(code), rows->text(r, 1),
                                 rows->at(r, 3).toDouble(), rows->at(r, 2).toDouble()});
        }
    }
    return true;
}

QUrl stationsMapUrl(const std::vector<StationCoordinates> &stations)
{
    QUrl url(hostSetting("UrlServiceCarto", kDefaultMapService) + QStringLiteral("/v1/map.html"));
    QUrlQuery query;
    for (const StationCoordinates &station : stations)
        query.addQueryItem(QStringLiteral("q"),
                           station.identifiant + QLatin1Char('@') + coordinate(station.latitude) +
                               QLatin1Char(',') + coordinate(station.longitude));
    url.setQuery(query);
    return url;
}

QUrl stationMapUrl(const StationCoordinates &station)
{
    // Google's "@lat,lon,<n>m" form: the view spans about n metres.
    return QUrl(hostSetting("UrlCarteWeb", kDefaultWebMap) + QStringLiteral("/maps/@") +
                coordinate(station.latitude) + QLatin1Char(',') + coordinate(station.longitude) +
                QStringLiteral(",1000m"));
}

} // namespace plx
