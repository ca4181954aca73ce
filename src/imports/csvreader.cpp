#include "imports/csvreader.h"

#include "imports/linereader.h"
#include "imports/readerfeed.h"
#include "imports/readertext.h"

#include <QRegularExpression>

#include <cmath>

namespace plx {

using namespace readertext;

QString CsvReader::timeConvention() const
{
    return QStringLiteral("Chaque valeur est enregistrée à la date (et à l'heure) écrite dans le fichier, "
                          "sans changement de fuseau ; une ligne sans heure est une valeur journalière.");
}

namespace {

const char *parameterNames[] = {"Pluie", "PluieEfficace", "Etp", "Valeur1", "Valeur2", "Valeur3"};

bool missingMarker(QByteArrayView text)
{
    const QByteArray t = text.toByteArray().toLower();
    return t.isEmpty() || t == "nan" || t == "na" || t == "n/a" || t == "mq" || t == "-" || t == "--";
}

QSet<QString> codes(const QString &list)
{
    QSet<QString> set;
    for (const QString &code : list.split(QLatin1Char(','), Qt::SkipEmptyParts))
        set.insert(code.trimmed().toUpper());
    return set;
}

// The date-time format cut in its date and time parts ("yyyy-MM-dd HH:mm" or
// "yyyyMMddHHmm"), so that each part is read alone: QDate and QTime, never a local
// QDateTime that a zone change could shift.
struct SplitFormat
{
    QString date, time;
    bool bySpace = true;
};

SplitFormat splitFormat(const QString &format)
{
    SplitFormat split;
    const qsizetype space = format.indexOf(QLatin1Char(' '));
    const qsizetype tee = format.indexOf(QLatin1String("'T'"));
    if (space > 0) {
        split.date = format.left(space);
        split.time = format.mid(space + 1).trimmed();
    } else if (tee > 0) {
        split.date = format.left(tee);
        split.time = format.mid(tee + 3);
    } else {
        const qsizetype hour = format.indexOf(QRegularExpression(QStringLiteral("[Hh]")));
        split.date = hour > 0 ? format.left(hour) : format;
        split.time = hour > 0 ? format.mid(hour) : QString();
        split.bySpace = false;
    }
    return split;
}

} // namespace

ReadResult CsvReader::read(QIODevice &device, ImportSink &sink)
{
    LineReader lines(device);
    ReaderFeed feed(sink);
    QByteArrayView line;

    // The first lines are kept for the guess, then read as the rest.
    QList<QByteArray> first;
    while (first.size() < 50 && lines.next(line))
        first.append(line.toByteArray());
    if (first.isEmpty())
        return ReaderFeed::noFirstLine(lines);
    if (lines.utf16())
        return ReaderFeed::failure(1, QStringLiteral("le fichier est en UTF-16, enregistrez-le en UTF-8."), 1);
    const qint64 firstCount = first.size();

    const CsvMapping mapping = m_mapping ? *m_mapping : CsvMapping::guess(first);
    m_used = mapping;
    if (mapping.dateColumn < 0)
        return ReaderFeed::failure(qMin<qint64>(mapping.headerLines + 1, firstCount),
                                   QStringLiteral("aucune colonne de date n'est reconnue : indiquez les "
                                                  "colonnes du fichier."),
                                   lines.lineNumber());
    bool anyValue = false;
    for (int column : mapping.valueColumns)
        anyValue = anyValue || column >= 0;
    if (!anyValue)
        return ReaderFeed::failure(qMin<qint64>(mapping.headerLines + 1, firstCount),
                                   QStringLiteral("aucune colonne de valeur n'est choisie."),
                                   lines.lineNumber());

    const SplitFormat dateFormat = splitFormat(mapping.dateFormat);
    const QSet<QString> validated = codes(mapping.validatedCodes);
    const QSet<QString> doubtful = codes(mapping.doubtfulCodes);
    const char decimal = char(mapping.decimal.toLatin1());
    int needed = std::max({mapping.dateColumn, mapping.timeColumn, mapping.stationColumn,
                           mapping.validityColumn});
    for (int column : mapping.valueColumns)
        needed = std::max(needed, column);
    ++needed;
    QString lastStation;
    bool separatorSeen = false;

    auto handle = [&](const QByteArray &text, qint64 at) -> bool {
        if (at <= mapping.headerLines || text.trimmed().isEmpty())
            return true;
        const QList<QByteArray> fields = csvFields(text, mapping.separator);
        if (fields.size() < needed) {
            // No separator at all on the first data line: the file is not separated that way.
            if (!separatorSeen && fields.size() == 1)
                return false;
            return feed.refuse(at, QStringLiteral("ligne incomplète : %1 champs au lieu d'au moins %2.")
                                       .arg(fields.size()).arg(needed));
        }
        separatorSeen = true;
        ImportedRow row;
        row.line = at;
        const QByteArray dateText = fields[mapping.dateColumn].trimmed();
        const QString dateString = QString::fromLatin1(dateText);
        if (!dateFormat.time.isEmpty()) {
            QString datePart, timePart;
            if (dateFormat.bySpace) {
                static const QRegularExpression dateTimeCut(QStringLiteral("[ T]"));
                const qsizetype cut = dateString.indexOf(dateTimeCut);
                datePart = cut > 0 ? dateString.left(cut) : dateString;
                timePart = cut > 0 ? dateString.mid(cut + 1).trimmed() : QString();
            } else {
                datePart = dateString.left(dateFormat.date.size());
                timePart = dateString.mid(dateFormat.date.size());
            }
            row.date = QDate::fromString(datePart, dateFormat.date);
            row.time = QTime::fromString(timePart, dateFormat.time);
        } else {
            row.date = QDate::fromString(dateString, dateFormat.date);
        }
        if (mapping.timeColumn >= 0) {
            const QByteArray timeText = fields[mapping.timeColumn].trimmed();
            row.time = QTime::fromString(QString::fromLatin1(timeText), mapping.timeFormat);
            if (!row.time.isValid())
                return feed.refuse(at, QStringLiteral("heure %1 illisible (%2 attendu).")
                                           .arg(quoted(timeText), mapping.timeFormat));
        }
        if (!row.date.isValid() || (!dateFormat.time.isEmpty() && !row.time.isValid()))
            return feed.refuse(at, QStringLiteral("date %1 illisible ou inexistante (%2 attendu).")
                                       .arg(quoted(dateText), mapping.dateFormat));
        if (mapping.stationColumn >= 0) {
            const QString number = decodeText(fields[mapping.stationColumn].trimmed());
            if (number != lastStation) {
                lastStation = number;
                if (!number.isEmpty() && !feed.station(ImportedStation{number, {}, {}, {}, {}}))
                    return false;
            }
            row.station = lastStation;
        }
        for (int i = 0; i < int(mapping.valueColumns.size()); ++i) {
            const int column = mapping.valueColumns[size_t(i)];
            if (column < 0)
                continue;
            const QByteArrayView cell = trimmed(fields[column]);
            if (missingMarker(cell))
                continue;
            const std::optional<double> value = parseNumber(cell, decimal);
            if (!value)
                return feed.refuse(at, QStringLiteral("valeur %1 illisible dans la colonne %2 (%3).")
                                           .arg(quoted(cell)).arg(column + 1)
                                           .arg(QLatin1String(parameterNames[i])));
            // Files written by programs carry float noise (5.800000000000001).
            row.setValue(i, std::round(*value * mapping.scale * 1e6) / 1e6);
        }
        if (row.present == 0)
            return feed.refuse(at, QStringLiteral("aucune valeur (cellules vides ou manquantes)."));
        if (mapping.validityColumn >= 0) {
            const QString code = decodeText(trimmed(fields[mapping.validityColumn])).toUpper();
            if (validated.contains(code))
                row.validite = QLatin1Char('V');
            else if (doubtful.contains(code))
                row.doubtful = true;
        }
        return feed.row(row);
    };

    auto wrongSeparator = [&](qint64 at, const QByteArray &text) {
        return ReaderFeed::failure(at, wrongSeparatorMessage(char(mapping.separator.toLatin1()),
                                                             likelySeparator(text)),
                                   lines.lineNumber());
    };
    for (qint64 i = 0; i < firstCount; ++i) {
        if (!handle(first[i], i + 1)) {
            if (feed.stopped())
                return feed.finish(lines);
            return wrongSeparator(i + 1, first[i]);
        }
    }
    while (lines.next(line)) {
        const QByteArray text = line.toByteArray();
        if (!handle(text, lines.lineNumber())) {
            if (feed.stopped())
                break;
            return wrongSeparator(lines.lineNumber(), text);
        }
    }
    return feed.finish(lines);
}

} // namespace plx
