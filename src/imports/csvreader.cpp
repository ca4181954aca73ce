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
    return QStringLiteral(
        "Chaque valeur est enregistrée à la date (et à l'heure) écrite dans le fichier, "
        "sans changement de fuseau ; une ligne sans heure est une valeur journalière.");
}

namespace {

const char *parameterNames[] = {"Pluie", "PluieEfficace", "Etp", "Valeur1", "Valeur2", "Valeur3"};

bool missingMarker(QByteArrayView text)
{
    const auto digit = [](char c) { return c >= '0' && c <= '9'; };
    if (!text.isEmpty() && (digit(text[0]) || (text.size() > 1 && digit(text[1]))))
        return false; // a number, the usual case, without building a lower-case copy
    const QByteArray t = text.toByteArray().toLower();
    return t.isEmpty() || t == "nan" || t == "na" || t == "n/a" || t == "mq" || t == "-" ||
           t == "--";
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
    static const QRegularExpression hourToken(QStringLiteral("[Hh]"));
    const qsizetype hour = format.indexOf(hourToken);
    if (hour < 0) {
        split.date = format; // "dd MMM yyyy": blanks inside a date
        return split;
    }
    const qsizetype space = format.lastIndexOf(QLatin1Char(' '), hour);
    const qsizetype tee = format.lastIndexOf(QLatin1String("'T'"), hour);
    if (space > 0) {
        split.date = format.left(space);
        split.time = format.mid(space + 1).trimmed();
    } else if (tee > 0) {
        split.date = format.left(tee);
        split.time = format.mid(tee + 3);
    } else {
        split.date = format.left(hour);
        split.time = format.mid(hour);
        split.bySpace = false;
    }
    return split;
}

// A date or time format compiled once, read straight from the bytes: Qt's fromString
// costs microseconds a row, which a file of a million lines feels. Formats with other
// tokens (month names, two-digit years...) are left to Qt.
class Pattern
{
public:
    explicit Pattern(const QString &format)
    {
        for (qsizetype i = 0; i < format.size();) {
            const QChar c = format[i];
            if (c == QLatin1Char('\'')) {
                const qsizetype end = format.indexOf(QLatin1Char('\''), i + 1);
                if (end < 0) {
                    fail();
                    return;
                }
                for (qsizetype k = i + 1; k < end; ++k)
                    m_tokens.push_back({Literal, char(format[k].toLatin1()), 0});
                i = end + 1;
                continue;
            }
            qsizetype run = 1;
            while (i + run < format.size() && format[i + run] == c)
                ++run;
            const char letter = char(c.toLatin1());
            Field field = Literal;
            switch (letter) {
            case 'y':
                field = run == 4 ? Year : Invalid;
                break;
            case 'M':
                field = run <= 2 ? Month : Invalid;
                break;
            case 'd':
                field = run <= 2 ? Day : Invalid;
                break;
            case 'H':
            case 'h':
                field = run <= 2 ? Hour : Invalid;
                break;
            case 'm':
                field = run <= 2 ? Minute : Invalid;
                break;
            case 's':
                field = run <= 2 ? Second : Invalid;
                break;
            default:
                if (c.isLetter())
                    field = Invalid;
            }
            if (field == Invalid) {
                fail();
                return;
            }
            if (field == Literal) {
                for (qsizetype k = 0; k < run; ++k)
                    m_tokens.push_back({Literal, letter, 0});
            } else {
                m_tokens.push_back({field, 0, int(run)});
                m_hasTime = m_hasTime || field == Hour;
            }
            i += run;
        }
        m_ok = !m_tokens.empty();
    }

    bool ok() const { return m_ok; }
    bool hasTime() const { return m_hasTime; }

    // The date and time the text holds (time left invalid without hours); false when the
    // text does not follow the format or names a day or hour that does not exist.
    bool parse(QByteArrayView text, QDate &date, QTime &time) const
    {
        int values[6];
        if (!scan(text, values))
            return false;
        date = QDate(values[Year], values[Month], values[Day]);
        time = m_hasTime ? QTime(values[Hour], values[Minute], values[Second]) : QTime();
        return date.isValid() && (!m_hasTime || time.isValid());
    }

    // A time of day alone ("HH:mm").
    bool parseTime(QByteArrayView text, QTime &time) const
    {
        int values[6];
        if (!m_hasTime || !scan(text, values))
            return false;
        time = QTime(values[Hour], values[Minute], values[Second]);
        return time.isValid();
    }

private:
    enum Field {
        Year = 0,
        Month = 1,
        Day = 2,
        Hour = 3,
        Minute = 4,
        Second = 5,
        Literal = 6,
        Invalid = 7
    };
    struct Token
    {
        Field field;
        char literal;
        int width;
    };
    bool scan(QByteArrayView text, int (&values)[6]) const
    {
        values[Year] = 0;
        values[Month] = values[Day] = 1;
        values[Hour] = values[Minute] = values[Second] = 0;
        qsizetype p = 0;
        for (const Token &token : m_tokens) {
            if (token.field == Literal) {
                // A blank between date and time also matches ISO's "T".
                const bool match = p < text.size() && (text[p] == token.literal ||
                                                       (token.literal == ' ' && text[p] == 'T'));
                if (!match)
                    return false;
                ++p;
                continue;
            }
            const int most = token.field == Year ? 4 : 2;
            const int least = token.field == Year || token.width == 2 ? most : 1;
            int value = 0, digits = 0;
            while (digits < most && p < text.size() && text[p] >= '0' && text[p] <= '9') {
                value = value * 10 + (text[p] - '0');
                ++p;
                ++digits;
            }
            if (digits < least)
                return false;
            values[token.field] = value;
        }
        return p == text.size();
    }

    void fail()
    {
        m_ok = false;
        m_tokens.clear();
    }

    std::vector<Token> m_tokens;
    bool m_ok = false;
    bool m_hasTime = false;
};

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
        return ReaderFeed::failure(
            1, QStringLiteral("le fichier est en UTF-16, enregistrez-le en UTF-8."), 1);
    const qint64 firstCount = first.size();

    const CsvMapping mapping = m_mapping ? *m_mapping : CsvMapping::guess(first);
    m_used = mapping;
    if (mapping.dateColumn < 0)
        return ReaderFeed::failure(
            qMin<qint64>(mapping.headerLines + 1, firstCount),
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
    const Pattern datePattern(mapping.dateFormat);
    const Pattern timePattern(mapping.timeFormat);
    const QSet<QString> validated = codes(mapping.validatedCodes);
    const QSet<QString> doubtful = codes(mapping.doubtfulCodes);
    const char decimal = char(mapping.decimal.toLatin1());
    const char separator = char(mapping.separator.toLatin1());
    int needed = std::max(
        {mapping.dateColumn, mapping.timeColumn, mapping.stationColumn, mapping.validityColumn});
    for (int column : mapping.valueColumns)
        needed = std::max(needed, column);
    ++needed;
    QString lastStation;
    bool separatorSeen = false;
    std::vector<QByteArrayView> fields;
    QList<QByteArray> unquoted; // holds the fields of a line with quotes

    auto split = [&](QByteArrayView text) {
        fields.clear();
        if (mapping.blankSeparated() || text.contains('"')) {
            unquoted = csvFields(text.toByteArray(), mapping.separator);
            for (const QByteArray &field : std::as_const(unquoted))
                fields.emplace_back(field);
        } else {
            splitFields(text, separator, fields, size_t(needed));
        }
    };

    // Qt's parsing, for the formats the compiled pattern does not take.
    auto slowDate = [&](QByteArrayView dateText, ImportedRow &row) {
        const QString dateString = QString::fromLatin1(dateText);
        if (dateFormat.time.isEmpty()) {
            row.date = QDate::fromString(dateString, dateFormat.date);
            return;
        }
        QString datePart, timePart;
        if (dateFormat.bySpace) {
            // The time follows the last blank (or ISO's "T" when there is none).
            qsizetype cut = dateString.lastIndexOf(QLatin1Char(' '));
            if (cut < 0)
                cut = dateString.indexOf(QLatin1Char('T'));
            datePart = cut > 0 ? dateString.left(cut) : dateString;
            timePart = cut > 0 ? dateString.mid(cut + 1).trimmed() : QString();
        } else {
            datePart = dateString.left(dateFormat.date.size());
            timePart = dateString.mid(dateFormat.date.size());
        }
        row.date = QDate::fromString(datePart, dateFormat.date);
        row.time = QTime::fromString(timePart, dateFormat.time);
    };

    auto handle = [&](QByteArrayView text, qint64 at) -> bool {
        if (at <= mapping.headerLines || trimmed(text).isEmpty())
            return true;
        split(text);
        if (fields.size() < size_t(needed)) {
            // No separator at all on the first data line: the file is not separated that way.
            if (!separatorSeen && fields.size() == 1)
                return false;
            return feed.refuseShort(at, fields.size(), size_t(needed));
        }
        separatorSeen = true;
        ImportedRow row;
        row.line = at;
        const QByteArrayView dateText = trimmed(fields[size_t(mapping.dateColumn)]);
        bool dated = false;
        if (datePattern.ok())
            dated = datePattern.parse(dateText, row.date, row.time);
        else
            slowDate(dateText, row);
        if (mapping.timeColumn >= 0) {
            const QByteArrayView timeText = trimmed(fields[size_t(mapping.timeColumn)]);
            if (timePattern.ok())
                timePattern.parseTime(timeText, row.time);
            else
                row.time = QTime::fromString(QString::fromLatin1(timeText), mapping.timeFormat);
            if (!row.time.isValid())
                return feed.refuse(at, QStringLiteral("heure %1 illisible (%2 attendu).")
                                           .arg(quoted(timeText), mapping.timeFormat));
        }
        if (!datePattern.ok())
            dated = row.date.isValid() && (dateFormat.time.isEmpty() || row.time.isValid());
        if (!dated)
            return feed.refuse(at, QStringLiteral("date %1 illisible ou inexistante (%2 attendu).")
                                       .arg(quoted(dateText), mapping.dateFormat));
        if (mapping.stationColumn >= 0) {
            const QString number = decodeText(trimmed(fields[size_t(mapping.stationColumn)]));
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
            const QByteArrayView cell = trimmed(fields[size_t(column)]);
            if (missingMarker(cell))
                continue;
            const std::optional<double> value = parseNumber(cell, decimal);
            if (!value)
                return feed.refuse(at,
                                   QStringLiteral("valeur %1 illisible dans la colonne %2 (%3).")
                                       .arg(quoted(cell))
                                       .arg(column + 1)
                                       .arg(QLatin1String(parameterNames[i])));
            // Files written by programs carry float noise (5.800000000000001).
            row.setValue(i, std::round(*value * mapping.scale * 1e6) / 1e6);
        }
        if (row.present == 0)
            return feed.refuse(at, QStringLiteral("aucune valeur (cellules vides ou manquantes)."));
        if (mapping.validityColumn >= 0) {
            const QString code =
                decodeText(trimmed(fields[size_t(mapping.validityColumn)])).toUpper();
            if (validated.contains(code))
                row.validite = QLatin1Char('V');
            else if (doubtful.contains(code))
                row.doubtful = true;
        }
        return feed.row(row);
    };

    auto wrongSeparator = [&](qint64 at, QByteArrayView text) {
        return ReaderFeed::failure(
            at, wrongSeparatorMessage(char(mapping.separator.toLatin1()), likelySeparator(text)),
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
        if (!handle(line, lines.lineNumber())) {
            if (feed.stopped())
                break;
            return wrongSeparator(lines.lineNumber(), line);
        }
    }
    return feed.finish(lines);
}

} // namespace plx
