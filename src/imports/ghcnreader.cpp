#include "imports/ghcnreader.h"

#include "imports/linereader.h"
#include "imports/readerfeed.h"
#include "imports/readertext.h"

namespace plx {

using namespace readertext;

QString GhcnReader::timeConvention() const
{
    return QStringLiteral(
        "PRCP daté du jour J est le cumul de 24 h que la station attribue au jour J "
        "(jusqu'à son heure d'observation) ; il est enregistré comme valeur journalière "
        "du jour J, sans décalage.");
}

namespace {

constexpr qsizetype firstSlot = 21;
constexpr qsizetype slotWidth = 8;

bool wellFormed(QByteArrayView line)
{
    if (line.size() < firstSlot + 5)
        return false;
    for (qsizetype i = 0; i < 11; ++i)
        if (!QChar::isLetterOrNumber(uchar(line[i])))
            return false;
    for (qsizetype i = 11; i < 17; ++i)
        if (line[i] < '0' || line[i] > '9')
            return false;
    return true;
}

} // namespace

ReadResult GhcnReader::read(QIODevice &device, ImportSink &sink)
{
    LineReader lines(device);
    ReaderFeed feed(sink);
    QByteArrayView line;
    QByteArray lastNumber;
    QString station;
    bool any = false;
    while (lines.next(line)) {
        const qint64 at = lines.lineNumber();
        if (trimmed(line).isEmpty())
            continue;
        if (!wellFormed(line)) {
            if (!any)
                return ReaderFeed::failure(at,
                                           QStringLiteral("ce n'est pas une ligne GHCN-Daily "
                                                          "(identifiant, année, mois, élément puis "
                                                          "31 valeurs en colonnes fixes)."),
                                           at);
            if (!feed.refuse(at, QStringLiteral("ligne GHCN-Daily mal formée.")))
                break;
            continue;
        }
        any = true;
        if (line.sliced(17, 4) != "PRCP")
            continue;
        const QByteArrayView number = line.first(11);
        if (number != QByteArrayView(lastNumber)) {
            lastNumber = number.toByteArray();
            station = QString::fromLatin1(lastNumber);
            ImportedStation known;
            known.number = station;
            if (!feed.station(known))
                break;
        }
        const int year = line.sliced(11, 4).toInt();
        const int month = line.sliced(15, 2).toInt();
        if (month < 1 || month > 12) {
            if (!feed.refuse(at,
                             QStringLiteral("mois %1 inexistant.").arg(quoted(line.sliced(15, 2)))))
                break;
            continue;
        }
        for (int day = 1; day <= 31 && !feed.stopped(); ++day) {
            const qsizetype at0 = firstSlot + (day - 1) * slotWidth;
            if (at0 + 5 > line.size())
                break; // a line cut after its last day
            const QByteArrayView valueText = line.sliced(at0, 5);
            auto flag = [&](int k) { return at0 + 5 + k < line.size() ? line[at0 + 5 + k] : ' '; };
            const std::optional<int> tenths = parseInt(valueText);
            const QDate date(year, month, day);
            if (tenths && *tenths == -9999) {
                if (date.isValid())
                    feed.refuse(at, QStringLiteral("le %1 : PRCP manquant (-9999).")
                                        .arg(date.toString(QStringLiteral("dd/MM/yyyy"))));
                continue;
            }
            if (!date.isValid()) {
                feed.refuse(at, QStringLiteral("le jour %1 du mois %2/%3 n'existe pas.")
                                    .arg(day)
                                    .arg(month, 2, 10, QLatin1Char('0'))
                                    .arg(year));
                continue;
            }
            if (!tenths || *tenths < 0) {
                feed.refuse(
                    at, QStringLiteral("le %1 : valeur PRCP %2 illisible.")
                            .arg(date.toString(QStringLiteral("dd/MM/yyyy")), quoted(valueText)));
                continue;
            }
            ImportedRow row;
            row.line = at;
            row.station = station;
            row.date = date;
            row.setValue(0, *tenths / 10.0);
            row.doubtful = flag(1) != ' ';
            feed.row(row);
        }
        if (feed.stopped())
            break;
    }
    if (!any && !lines.failed() && lines.lineNumber() == 0)
        return ReaderFeed::noFirstLine(lines);
    return feed.finish(lines);
}

} // namespace plx
