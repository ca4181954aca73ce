#include "imports/radomereader.h"

#include "imports/linereader.h"
#include "imports/readerfeed.h"
#include "imports/readertext.h"

#include <QRegularExpression>

#include <vector>

namespace plx {

using namespace readertext;

QString RadomeReader::timeConvention() const
{
    return QStringLiteral("rr1 daté hh:00 couvre l'heure qui se termine à hh:00 (UTC) ; "
                          "il est enregistré à cet instant, sans changement de fuseau.");
}

ReadResult RadomeReader::read(QIODevice &device, ImportSink &sink)
{
    LineReader lines(device);
    ReaderFeed feed(sink);
    QByteArrayView line;
    if (!lines.next(line))
        return ReaderFeed::noFirstLine(lines);
    std::vector<QByteArrayView> fields;
    splitFields(line, ',', fields);
    if (fields.size() < 2)
        return ReaderFeed::failure(1, wrongSeparatorMessage(',', likelySeparator(line)), 1);
    const int numberCol = columnIndex(fields, "numer_sta");
    const int dateCol = columnIndex(fields, "date");
    const int valueCol = columnIndex(fields, "rr1");
    if (numberCol < 0 || dateCol < 0 || valueCol < 0)
        return ReaderFeed::failure(1,
                                   QStringLiteral("l'en-tête RADOME est introuvable : les colonnes "
                                                  "numer_sta, date et rr1 sont attendues."),
                                   1);
    const size_t needed = size_t(std::max({numberCol, dateCol, valueCol})) + 1;

    QByteArray lastNumber;
    QString station;
    bool ended = false;
    while (lines.next(line)) {
        const qint64 at = lines.lineNumber();
        const QByteArrayView text = trimmed(line);
        if (text.isEmpty())
            continue;
        if (ended) {
            if (!feed.refuse(at, QStringLiteral("ligne après la marque de fin EOF.")))
                break;
            continue;
        }
        if (text == "EOF") {
            ended = true;
            continue;
        }
        splitFields(line, ',', fields, needed);
        if (fields.size() < needed) {
            if (!feed.refuseShort(at, fields.size(), size_t(needed)))
                break;
            continue;
        }
        const QByteArrayView number = trimmed(fields[size_t(numberCol)]);
        if (number.isEmpty()) {
            if (!feed.refuse(at, QStringLiteral("numéro de station (numer_sta) absent.")))
                break;
            continue;
        }
        if (number != QByteArrayView(lastNumber)) {
            lastNumber = number.toByteArray();
            station = QString::fromLatin1(lastNumber);
            ImportedStation known = m_stations.value(station);
            known.number = station;
            if (!feed.station(known))
                break;
        }
        ImportedRow row;
        row.line = at;
        row.station = station;
        const QByteArrayView dateText = trimmed(fields[size_t(dateCol)]);
        if (dateText.size() != 14 || !parseCompactDateTime(dateText, row.date, row.time)) {
            const QString why =
                dateText.size() == 14 && dateText.toByteArray().toLongLong() > 0
                    ? QStringLiteral("la date %1 n'existe pas.").arg(quoted(dateText))
                    : QStringLiteral("date %1 illisible (AAAAMMJJhhmmss attendu).")
                          .arg(quoted(dateText));
            if (!feed.refuse(at, why))
                break;
            continue;
        }
        const QByteArrayView valueText = trimmed(fields[size_t(valueCol)]);
        if (valueText == "mq" || valueText.isEmpty()) {
            if (!feed.refuse(at, QStringLiteral("rr1 manquant (mq).")))
                break;
            continue;
        }
        const std::optional<double> value = parseNumber(valueText);
        if (!value) {
            if (!feed.refuse(
                    at, QStringLiteral("valeur de pluie %1 illisible.").arg(quoted(valueText))))
                break;
            continue;
        }
        row.setValue(0, *value);
        if (!feed.row(row))
            break;
    }
    return feed.finish(lines);
}

std::optional<double> parseDmsCoordinate(const QString &text)
{
    static const QRegularExpression dms(
        QStringLiteral("^\\s*(\\d{1,3})\\s*°\\s*(\\d{1,2})\\s*'\\s*(\\d{1,2}(?:[.,]\\d+)?)\\s*(?:"
                       "\"|'')?\\s*([NSEWO])\\s*$"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = dms.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    const double minutes = match.captured(2).toDouble();
    const double seconds = match.captured(3).replace(QLatin1Char(','), QLatin1Char('.')).toDouble();
    if (minutes >= 60 || seconds >= 60)
        return std::nullopt;
    double degrees = match.captured(1).toDouble() + minutes / 60 + seconds / 3600;
    const QChar hemisphere = match.captured(4).at(0).toUpper();
    if (hemisphere == QLatin1Char('S') || hemisphere == QLatin1Char('W') ||
        hemisphere == QLatin1Char('O'))
        degrees = -degrees;
    return degrees;
}

QHash<QString, ImportedStation> readRadomeStationList(QIODevice &device)
{
    QHash<QString, ImportedStation> stations;
    LineReader lines(device);
    QByteArrayView line;
    std::vector<QByteArrayView> fields;
    while (lines.next(line)) {
        splitFields(line, ',', fields);
        if (fields.size() < 4)
            continue;
        const QByteArrayView number = trimmed(fields[0]);
        if (number.isEmpty() || !parseInt(number))
            continue; // the header line
        ImportedStation station;
        station.number = QString::fromLatin1(number);
        station.name = decodeText(trimmed(fields[1]));
        station.latitude = parseDmsCoordinate(decodeText(fields[2]));
        station.longitude = parseDmsCoordinate(decodeText(fields[3]));
        if (fields.size() >= 7)
            station.altitude = parseNumber(fields[6]);
        stations.insert(station.number, station);
    }
    return stations;
}

} // namespace plx
