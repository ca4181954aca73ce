#include "imports/knmireader.h"

#include "imports/linereader.h"
#include "imports/readerfeed.h"
#include "imports/readertext.h"

#include <QHash>

#include <vector>

namespace plx {

using namespace readertext;

QString KnmiReader::timeConvention() const
{
    const QString trace = QStringLiteral(" RH = −1 (moins de 0,05 mm) est importé comme 0 mm.");
    switch (m_layout) {
    case Layout::Daily:
        return QStringLiteral(
                   "RH daté du jour J couvre de 00 h à 24 h UT le jour J ; il est enregistré "
                   "comme valeur journalière du jour J.") +
               trace;
    case Layout::Hourly:
        return QStringLiteral(
                   "HH est l'heure qui se termine (UT) : HH 1 couvre 00 h–01 h et est enregistré "
                   "à 01:00 ; HH 24 couvre 23 h–24 h et est enregistré à 00:00 le lendemain.") +
               trace;
    case Layout::Precipitation:
        return QStringLiteral(
            "RD daté du jour J couvre de 08 h UTC le jour J−1 à 08 h UTC le jour J ; il "
            "est enregistré comme valeur journalière du jour J.");
    case Layout::Unknown:
        break;
    }
    return QStringLiteral(
               "Journalier : RH daté J couvre 00 h–24 h UT le jour J (RD des stations "
               "pluviométriques : 08 h UTC J−1 → 08 h UTC J), enregistré au jour J. Horaire : "
               "HH est l'heure qui se termine (HH 1 couvre 00 h–01 h UT, enregistré à 01:00 ; "
               "HH 24 enregistré à 00:00 le lendemain).") +
           trace;
}

namespace {

// "# 260:         5.180       52.100      1.90  De Bilt": the station list of recent exports.
bool stationListLine(QByteArrayView line, ImportedStation &station)
{
    QByteArrayView text = trimmed(line);
    if (!text.startsWith('#'))
        return false;
    text = trimmed(text.sliced(1));
    const qsizetype colon = text.indexOf(':');
    if (colon <= 0 || !parseInt(text.first(colon)))
        return false;
    const QList<QByteArray> parts = text.sliced(colon + 1).toByteArray().simplified().split(' ');
    if (parts.size() < 3)
        return false;
    const auto lon = parseNumber(parts[0]), lat = parseNumber(parts[1]),
               alt = parseNumber(parts[2]);
    if (!lon || !lat || !alt)
        return false;
    station.number = QString::number(*parseInt(text.first(colon)));
    station.longitude = lon;
    station.latitude = lat;
    station.altitude = alt;
    station.name = decodeText(parts.mid(3).join(' ')).trimmed();
    return true;
}

bool looksLikeData(QByteArrayView line)
{
    const QByteArrayView text = trimmed(line);
    return !text.isEmpty() && text[0] >= '0' && text[0] <= '9' && text.contains(',');
}

} // namespace

ReadResult KnmiReader::read(QIODevice &device, ImportSink &sink)
{
    m_layout = Layout::Unknown;
    LineReader lines(device);
    ReaderFeed feed(sink);
    QByteArrayView line;
    QHash<QString, ImportedStation> described;
    std::vector<QByteArrayView> fields;
    int stationCol = -1, dateCol = -1, hourCol = -1, valueCol = -1;
    const char *valueName = "RH";

    bool any = false;
    while (lines.next(line)) {
        any = true;
        ImportedStation station;
        if (stationListLine(line, station)) {
            described.insert(station.number, station);
            continue;
        }
        QByteArrayView bare = trimmed(line);
        if (bare.startsWith('#'))
            bare = trimmed(bare.sliced(1));
        if (bare.startsWith("STN") && bare.indexOf("YYYYMMDD") > 0) {
            splitFields(bare, ',', fields);
            if (fields.size() < 3)
                return ReaderFeed::failure(lines.lineNumber(),
                                           wrongSeparatorMessage(',', likelySeparator(bare)),
                                           lines.lineNumber());
            stationCol = columnIndex(fields, "STN");
            dateCol = columnIndex(fields, "YYYYMMDD");
            hourCol = columnIndex(fields, "HH");
            valueCol = columnIndex(fields, "RH");
            if (valueCol < 0) {
                valueCol = columnIndex(fields, "RD");
                valueName = "RD";
            }
            if (valueCol < 0)
                return ReaderFeed::failure(
                    lines.lineNumber(),
                    QStringLiteral("la colonne des précipitations (RH ou RD) "
                                   "est absente de l'en-tête KNMI."),
                    lines.lineNumber());
            m_layout = hourCol >= 0          ? Layout::Hourly
                       : valueName[1] == 'D' ? Layout::Precipitation
                                             : Layout::Daily;
            break;
        }
        if (looksLikeData(line))
            return ReaderFeed::failure(lines.lineNumber(),
                                       QStringLiteral("l'en-tête KNMI (« # STN,YYYYMMDD,… ») est "
                                                      "introuvable avant les données."),
                                       lines.lineNumber());
    }
    if (m_layout == Layout::Unknown) {
        if (!any)
            return ReaderFeed::noFirstLine(lines);
        if (lines.failed())
            return feed.finish(lines);
        return ReaderFeed::failure(1,
                                   QStringLiteral("l'en-tête KNMI (« # STN,YYYYMMDD,… ») est "
                                                  "introuvable."),
                                   lines.lineNumber());
    }
    const size_t needed = size_t(std::max({stationCol, dateCol, hourCol, valueCol})) + 1;
    const qint64 headerLine = lines.lineNumber();

    QByteArray lastNumber;
    QString station;
    while (lines.next(line)) {
        const qint64 at = lines.lineNumber();
        if (trimmed(line).isEmpty())
            continue;
        splitFields(line, ',', fields, needed);
        if (fields.size() < needed) {
            // Right after the header, a wrong separator is the file's fault, not the line's.
            if (at <= headerLine + 2 && fields.size() < 3)
                return ReaderFeed::failure(at, wrongSeparatorMessage(',', likelySeparator(line)),
                                           at);
            if (!feed.refuseShort(at, fields.size(), size_t(needed)))
                break;
            continue;
        }
        ImportedRow row;
        row.line = at;
        if (stationCol >= 0) {
            const QByteArrayView number = trimmed(fields[size_t(stationCol)]);
            if (number != QByteArrayView(lastNumber)) {
                lastNumber = number.toByteArray();
                station = QString::fromLatin1(lastNumber);
                ImportedStation known = described.value(station);
                known.number = station;
                if (!station.isEmpty() && !feed.station(known))
                    break;
            }
            row.station = station;
        }
        const QByteArrayView dateText = trimmed(fields[size_t(dateCol)]);
        QTime unused;
        if (dateText.size() != 8 || !parseCompactDateTime(dateText, row.date, unused)) {
            const QString why =
                dateText.size() == 8 && dateText.toByteArray().toLongLong() > 0
                    ? QStringLiteral("la date %1 n'existe pas.").arg(quoted(dateText))
                    : QStringLiteral("date %1 illisible (YYYYMMDD attendu).").arg(quoted(dateText));
            if (!feed.refuse(at, why))
                break;
            continue;
        }
        if (hourCol >= 0) {
            const std::optional<int> hour = parseInt(fields[size_t(hourCol)]);
            if (!hour || *hour < 1 || *hour > 24) {
                if (!feed.refuse(at, QStringLiteral("heure HH %1 hors de 1 à 24.")
                                         .arg(quoted(trimmed(fields[size_t(hourCol)])))))
                    break;
                continue;
            }
            // The hour ending: HH 24 closes the day at midnight, the next day's 00:00.
            if (*hour == 24) {
                row.date = row.date.addDays(1);
                row.time = QTime(0, 0);
            } else {
                row.time = QTime(*hour, 0);
            }
        }
        const QByteArrayView valueText = trimmed(fields[size_t(valueCol)]);
        if (valueText.isEmpty()) {
            if (!feed.refuse(
                    at, QStringLiteral("%1 manquant (champ vide).").arg(QLatin1String(valueName))))
                break;
            continue;
        }
        const std::optional<int> tenths = parseInt(valueText);
        if (!tenths || *tenths < -1) {
            if (!feed.refuse(
                    at, QStringLiteral("valeur de pluie %1 illisible.").arg(quoted(valueText))))
                break;
            continue;
        }
        row.setValue(0, *tenths == -1 ? 0.0 : *tenths / 10.0);
        if (!feed.row(row))
            break;
    }
    return feed.finish(lines);
}

} // namespace plx
