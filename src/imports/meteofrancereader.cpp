#include "imports/meteofrancereader.h"

#include "imports/linereader.h"
#include "imports/readerfeed.h"
#include "imports/readertext.h"

#include <vector>

namespace plx {

using namespace readertext;

ImportFormat MeteoFranceReader::format() const
{
    return m_hourly ? ImportFormat::MeteoFranceH : ImportFormat::MeteoFranceQ;
}

QString MeteoFranceReader::timeConvention() const
{
    if (m_hourly)
        return QStringLiteral("RR1 daté AAAAMMJJHH couvre l'heure qui se termine à HH (UTC) ; "
                              "il est enregistré à cet instant, sans changement de fuseau.");
    return QStringLiteral("RR daté du jour J couvre de 06 h UTC le jour J à 06 h UTC le jour J+1 ; "
                          "il est enregistré comme valeur journalière du jour J.");
}

ReadResult MeteoFranceReader::read(QIODevice &device, ImportSink &sink)
{
    LineReader lines(device);
    ReaderFeed feed(sink);
    QByteArrayView line;
    if (!lines.next(line))
        return ReaderFeed::noFirstLine(lines);
    if (lines.utf16())
        return ReaderFeed::failure(1,
                                   QStringLiteral("le fichier est en UTF-16, "
                                                  "enregistrez-le en UTF-8."),
                                   1);

    std::vector<QByteArrayView> fields;
    splitFields(line, ';', fields);
    if (fields.size() < 2)
        return ReaderFeed::failure(1, wrongSeparatorMessage(';', likelySeparator(line)), 1);
    const char *dateName = m_hourly ? "AAAAMMJJHH" : "AAAAMMJJ";
    const char *valueName = m_hourly ? "RR1" : "RR";
    const int numberCol = columnIndex(fields, "NUM_POSTE");
    const int nameCol = columnIndex(fields, "NOM_USUEL");
    const int latCol = columnIndex(fields, "LAT");
    const int lonCol = columnIndex(fields, "LON");
    const int altCol = columnIndex(fields, "ALTI");
    const int dateCol = columnIndex(fields, dateName);
    const int valueCol = columnIndex(fields, valueName);
    const int qualityCol = columnIndex(fields, m_hourly ? "QRR1" : "QRR");
    if (numberCol < 0 || dateCol < 0 || valueCol < 0) {
        if (!m_hourly && columnIndex(fields, "AAAAMMJJHH") >= 0)
            return ReaderFeed::failure(1,
                                       QStringLiteral("c'est un fichier horaire (AAAAMMJJHH) : "
                                                      "choisissez le format Météo-France horaire."),
                                       1);
        if (m_hourly && columnIndex(fields, "AAAAMMJJ") >= 0)
            return ReaderFeed::failure(
                1,
                QStringLiteral("c'est un fichier quotidien (AAAAMMJJ) : "
                               "choisissez le format Météo-France quotidien."),
                1);
        return ReaderFeed::failure(
            1,
            QStringLiteral(
                "l'en-tête Météo-France est introuvable : les colonnes NUM_POSTE, %1 et %2 "
                "sont attendues.")
                .arg(QLatin1String(dateName), QLatin1String(valueName)),
            1);
    }
    const size_t needed = size_t(std::max({numberCol, dateCol, valueCol, qualityCol})) + 1;
    const qsizetype dateLength = m_hourly ? 10 : 8;

    QByteArray lastNumber;
    QString station;
    while (lines.next(line)) {
        const qint64 at = lines.lineNumber();
        if (trimmed(line).isEmpty())
            continue;
        splitFields(line, ';', fields, needed);
        if (fields.size() < needed) {
            if (!feed.refuseShort(at, fields.size(), size_t(needed)))
                break;
            continue;
        }
        const QByteArrayView number = trimmed(fields[size_t(numberCol)]);
        if (number.isEmpty()) {
            if (!feed.refuse(at, QStringLiteral("numéro de station (NUM_POSTE) absent.")))
                break;
            continue;
        }
        if (number != QByteArrayView(lastNumber)) {
            lastNumber = number.toByteArray();
            station = QString::fromLatin1(lastNumber);
            if (!feed.knowsStation(station)) {
                ImportedStation known;
                known.number = station;
                auto field = [&](int col) {
                    return col >= 0 && size_t(col) < fields.size() ? fields[size_t(col)]
                                                                   : QByteArrayView();
                };
                known.name = decodeText(trimmed(field(nameCol)));
                known.latitude = parseNumber(field(latCol));
                known.longitude = parseNumber(field(lonCol));
                known.altitude = parseNumber(field(altCol));
                if (!feed.station(known))
                    break;
            }
        }
        ImportedRow row;
        row.line = at;
        row.station = station;
        const QByteArrayView dateText = trimmed(fields[size_t(dateCol)]);
        if (!parseCompactDateTime(dateText, row.date, row.time) || dateText.size() != dateLength) {
            const bool exists = dateText.size() == dateLength && !row.date.isValid() &&
                                dateText.toByteArray().toLongLong() > 0;
            const QString why =
                exists ? QStringLiteral("la date %1 n'existe pas.").arg(quoted(dateText))
                       : QStringLiteral("date %1 illisible (%2 attendu).")
                             .arg(quoted(dateText), QLatin1String(dateName));
            if (!feed.refuse(at, why))
                break;
            continue;
        }
        const QByteArrayView valueText = trimmed(fields[size_t(valueCol)]);
        if (valueText.isEmpty()) {
            if (!feed.refuse(at, QStringLiteral("pas de valeur de pluie (%1 vide).")
                                     .arg(QLatin1String(valueName))))
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
        if (qualityCol >= 0) {
            const QByteArrayView code = trimmed(fields[size_t(qualityCol)]);
            if (code == "0" || code == "1")
                row.validite = QLatin1Char('V');
            else if (code == "2")
                row.doubtful = true;
        }
        if (!feed.row(row))
            break;
    }
    return feed.finish(lines);
}

} // namespace plx
