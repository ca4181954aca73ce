#include "imports/ecadreader.h"

#include "imports/linereader.h"
#include "imports/readerfeed.h"
#include "imports/readertext.h"

#include <vector>

namespace plx {

using namespace readertext;

QString EcadReader::timeConvention() const
{
    return QStringLiteral(
        "RR daté du jour J est le cumul journalier que la source attribue au jour J ; "
        "il est enregistré comme valeur journalière du jour J, sans décalage.");
}

namespace {

// "This is the blended series of station NETHERLANDS, DE BILT (STAID: 162)."
bool stationFromHeader(QByteArrayView line, ImportedStation &station)
{
    const QString text = decodeText(line);
    const qsizetype id = text.indexOf(QLatin1String("STAID:"));
    if (id < 0)
        return false;
    QString number;
    for (qsizetype i = id + 6; i < text.size(); ++i) {
        if (text[i].isDigit())
            number += text[i];
        else if (!number.isEmpty() || !text[i].isSpace())
            break;
    }
    if (number.isEmpty())
        return false;
    station.number = QString::number(number.toLongLong());
    const qsizetype of = text.indexOf(QLatin1String("of station "));
    const qsizetype open = text.lastIndexOf(QLatin1Char('('), id);
    if (of >= 0 && open > of) {
        QString name = text.mid(of + 11, open - of - 11).trimmed();
        const qsizetype comma = name.indexOf(QLatin1String(", "));
        if (comma > 0) // "COUNTRY, NAME"
            name = name.mid(comma + 2) + QLatin1String(" (") + name.left(comma) + QLatin1Char(')');
        station.name = name;
    }
    return true;
}

} // namespace

ReadResult EcadReader::read(QIODevice &device, ImportSink &sink)
{
    LineReader lines(device);
    ReaderFeed feed(sink);
    QByteArrayView line;
    std::vector<QByteArrayView> fields;
    ImportedStation station;
    int dateCol = -1, valueCol = -1, qualityCol = -1;
    bool any = false;
    while (lines.next(line)) {
        any = true;
        if (station.number.isEmpty())
            stationFromHeader(line, station);
        const QByteArrayView text = trimmed(line);
        if (text.startsWith("SOUID")) {
            splitFields(text, ',', fields);
            if (fields.size() < 3)
                return ReaderFeed::failure(lines.lineNumber(),
                                           wrongSeparatorMessage(',', likelySeparator(text)),
                                           lines.lineNumber());
            dateCol = columnIndex(fields, "DATE");
            valueCol = columnIndex(fields, "RR");
            qualityCol = columnIndex(fields, "Q_RR");
            if (dateCol < 0 || valueCol < 0)
                return ReaderFeed::failure(
                    lines.lineNumber(),
                    QStringLiteral("les colonnes DATE et RR sont attendues dans "
                                   "l'en-tête ECA&D."),
                    lines.lineNumber());
            break;
        }
        if (!text.isEmpty() && text[0] >= '0' && text[0] <= '9' && text.contains(','))
            return ReaderFeed::failure(
                lines.lineNumber(),
                QStringLiteral("l'en-tête ECA&D (« SOUID, DATE, RR, Q_RR ») est "
                               "introuvable avant les données."),
                lines.lineNumber());
    }
    if (dateCol < 0) {
        if (!any)
            return ReaderFeed::noFirstLine(lines);
        if (lines.failed())
            return feed.finish(lines);
        return ReaderFeed::failure(1,
                                   QStringLiteral("l'en-tête ECA&D (« SOUID, DATE, RR, Q_RR ») est "
                                                  "introuvable."),
                                   lines.lineNumber());
    }
    if (!station.number.isEmpty() && !feed.station(station))
        return feed.finish(lines);
    const size_t needed = size_t(std::max({dateCol, valueCol, qualityCol})) + 1;
    const qint64 headerLine = lines.lineNumber();

    while (lines.next(line)) {
        const qint64 at = lines.lineNumber();
        if (trimmed(line).isEmpty())
            continue;
        splitFields(line, ',', fields, needed);
        if (fields.size() < needed) {
            if (at == headerLine + 1 && fields.size() < 3)
                return ReaderFeed::failure(at, wrongSeparatorMessage(',', likelySeparator(line)),
                                           at);
            if (!feed.refuseShort(at, fields.size(), size_t(needed)))
                break;
            continue;
        }
        ImportedRow row;
        row.line = at;
        row.station = station.number;
        const QByteArrayView dateText = trimmed(fields[size_t(dateCol)]);
        QTime unused;
        if (dateText.size() != 8 || !parseCompactDateTime(dateText, row.date, unused)) {
            const QString why =
                dateText.size() == 8 && dateText.toByteArray().toLongLong() > 0
                    ? QStringLiteral("la date %1 n'existe pas.").arg(quoted(dateText))
                    : QStringLiteral("date %1 illisible (AAAAMMJJ attendu).").arg(quoted(dateText));
            if (!feed.refuse(at, why))
                break;
            continue;
        }
        const QByteArrayView valueText = trimmed(fields[size_t(valueCol)]);
        const QByteArrayView quality =
            qualityCol >= 0 ? trimmed(fields[size_t(qualityCol)]) : QByteArrayView();
        const std::optional<int> tenths = parseInt(valueText);
        if (valueText.isEmpty() || (tenths && *tenths == -9999) || quality == "9") {
            if (!feed.refuse(at, QStringLiteral("RR manquant (-9999).")))
                break;
            continue;
        }
        if (!tenths || *tenths < 0) {
            if (!feed.refuse(
                    at, QStringLiteral("valeur de pluie %1 illisible.").arg(quoted(valueText))))
                break;
            continue;
        }
        row.setValue(0, *tenths / 10.0);
        if (quality == "0")
            row.validite = QLatin1Char('V');
        else if (quality == "1")
            row.doubtful = true;
        if (!feed.row(row))
            break;
    }
    return feed.finish(lines);
}

} // namespace plx
