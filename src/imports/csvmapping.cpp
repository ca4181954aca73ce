#include "imports/csvmapping.h"

#include "config/settings.h"
#include "imports/readertext.h"

#include <QCollator>
#include <QDate>
#include <QHash>
#include <QLocale>
#include <QRegularExpression>
#include <QTime>
#include <QUrl>
#include <QUrlQuery>

#include <algorithm>

namespace plx {

using namespace readertext;

QStringList csvDateFormats()
{
    return {QStringLiteral("dd/MM/yyyy"), QStringLiteral("yyyy-MM-dd"),
            QStringLiteral("dd.MM.yyyy"), QStringLiteral("dd-MM-yyyy"),
            QStringLiteral("yyyy/MM/dd"), QStringLiteral("yyyyMMdd"),
            QStringLiteral("MM/dd/yyyy"), QStringLiteral("d/M/yyyy")};
}

QStringList csvTimeFormats()
{
    return {QStringLiteral("HH:mm"), QStringLiteral("HH:mm:ss"), QStringLiteral("H:mm"),
            QStringLiteral("HHmm")};
}

QList<QByteArray> csvFields(const QByteArray &line, QChar separator)
{
    QList<QByteArray> fields;
    if (separator == QLatin1Char(' ')) {
        for (const QByteArray &part : line.simplified().split(' '))
            fields.append(part);
        return fields;
    }
    const char sep = char(separator.toLatin1());
    QByteArray field;
    bool quoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (c == '"') {
            if (quoted && i + 1 < line.size() && line[i + 1] == '"') {
                field += '"';
                ++i;
            } else {
                quoted = !quoted;
            }
        } else if (c == sep && !quoted) {
            fields.append(field);
            field.clear();
        } else {
            field += c;
        }
    }
    fields.append(field);
    return fields;
}

namespace {

bool parsesAs(const QByteArray &text, const QString &format, bool withTime)
{
    const QString value = QString::fromLatin1(text.trimmed());
    if (!withTime)
        return QDate::fromString(value, format).isValid();
    // "date time" or "dateTtime": each part with its own format, never a local QDateTime.
    static const QRegularExpression dateTimeCut(QStringLiteral("[ T]"));
    const qsizetype cut = value.indexOf(dateTimeCut);
    if (cut <= 0)
        return false;
    const QString date = value.left(cut), time = value.mid(cut + 1);
    const qsizetype formatCut = format.indexOf(QLatin1Char(' '));
    return QDate::fromString(date, format.left(formatCut)).isValid() &&
           QTime::fromString(time, format.mid(formatCut + 1)).isValid();
}

// The date-time formats the guess tries: each date format with each time format.
QStringList dateTimeFormats()
{
    QStringList formats;
    for (const QString &date : csvDateFormats())
        for (const QString &time : csvTimeFormats())
            if (time != QLatin1String("HHmm"))
                formats.append(date + QLatin1Char(' ') + time);
    return formats;
}

bool isNumber(const QByteArray &text, char decimal)
{
    return parseNumber(text, decimal).has_value();
}

bool isMissingMarker(const QByteArray &text)
{
    const QByteArray t = text.trimmed().toLower();
    return t.isEmpty() || t == "nan" || t == "na" || t == "n/a" || t == "mq" || t == "-" ||
           t == "--";
}

} // namespace

CsvMapping CsvMapping::guess(const QList<QByteArray> &firstLines)
{
    CsvMapping mapping;
    QList<QByteArray> lines;
    for (QByteArray line : firstLines) {
        if (lines.isEmpty() && line.startsWith("\xEF\xBB\xBF"))
            line = line.mid(3);
        if (line.endsWith('\r'))
            line.chop(1);
        lines.append(line);
    }

    // The separator: the candidate found the same number of times on most lines.
    int bestScore = 0;
    for (char candidate : {';', '\t', ',', '|'}) {
        QHash<qsizetype, int> counts;
        for (const QByteArray &line : lines)
            if (!line.trimmed().isEmpty())
                ++counts[line.count(candidate)];
        int score = 0;
        for (auto it = counts.cbegin(); it != counts.cend(); ++it)
            if (it.key() > 0)
                score = std::max(score, it.value());
        if (score > bestScore) {
            bestScore = score;
            mapping.separator = QLatin1Char(candidate);
        }
    }
    if (bestScore == 0)
        mapping.separator = QLatin1Char(' ');

    // The decimal mark: a comma inside numbers when the separator is not the comma.
    mapping.decimal = QLatin1Char('.');
    const char separator = char(mapping.separator.toLatin1());
    if (separator != ',') {
        for (const QByteArray &line : lines)
            for (const QByteArray &field : csvFields(line, mapping.separator))
                if (field.contains(',') && isNumber(field, ','))
                    mapping.decimal = QLatin1Char(',');
    }
    const char decimal = char(mapping.decimal.toLatin1());

    // The first line holding a date and a number starts the data.
    const QStringList dates = csvDateFormats(), dateTimes = dateTimeFormats();
    auto dateFormatOf = [&](const QByteArray &field, bool &withTime) -> QString {
        for (const QString &format : dateTimes)
            if (parsesAs(field, format, true)) {
                withTime = true;
                return format;
            }
        for (const QString &format : dates)
            if (parsesAs(field, format, false)) {
                withTime = false;
                return format;
            }
        return {};
    };
    int firstData = -1;
    for (int i = 0; i < lines.size() && firstData < 0; ++i) {
        const QList<QByteArray> fields = csvFields(lines[i], mapping.separator);
        bool dated = false, numbered = false;
        for (int c = 0; c < fields.size(); ++c) {
            bool withTime = false;
            if (!dated && !dateFormatOf(fields[c], withTime).isEmpty()) {
                dated = true;
                continue;
            }
            numbered = numbered || isNumber(fields[c], decimal);
        }
        if (dated && numbered)
            firstData = i;
    }
    if (firstData < 0) {
        mapping.headerLines = lines.isEmpty() ? 0 : 1;
        return mapping;
    }
    mapping.headerLines = firstData;

    // The date column and its format: one that reads every sample data line, day first
    // unless a "month" above 12 shows the file is month first.
    QList<QList<QByteArray>> rows;
    for (int i = firstData; i < lines.size(); ++i)
        if (!lines[i].trimmed().isEmpty())
            rows.append(csvFields(lines[i], mapping.separator));
    const int columns = int(rows.first().size());
    // The sample's last line may be cut (the first kilobytes of a file): it need not read.
    const qsizetype mustRead = rows.size() > 2 ? rows.size() - 1 : rows.size();
    auto readsAll = [&](int column, const QString &format, bool withTime) {
        for (qsizetype i = 0; i < mustRead; ++i)
            if (column >= rows[i].size() || !parsesAs(rows[i][column], format, withTime))
                return false;
        return true;
    };
    for (int c = 0; c < columns && mapping.dateColumn < 0; ++c) {
        for (const QString &format : dateTimes)
            if (readsAll(c, format, true)) {
                mapping.dateColumn = c;
                mapping.dateFormat = format;
                break;
            }
        if (mapping.dateColumn >= 0)
            break;
        for (const QString &format : dates)
            if (readsAll(c, format, false)) {
                mapping.dateColumn = c;
                mapping.dateFormat = format;
                break;
            }
    }
    if (mapping.dateColumn < 0)
        return mapping;

    // A separate time column right after a date without time.
    if (!mapping.dateFormat.contains(QLatin1Char('H')) && mapping.dateColumn + 1 < columns) {
        const int c = mapping.dateColumn + 1;
        for (const QString &format : csvTimeFormats()) {
            const bool all = std::all_of(
                rows.cbegin(), rows.cbegin() + mustRead, [&](const QList<QByteArray> &row) {
                    return c < row.size() &&
                           QTime::fromString(QString::fromLatin1(row[c].trimmed()), format)
                               .isValid();
                });
            if (all) {
                mapping.timeColumn = c;
                mapping.timeFormat = format;
                break;
            }
        }
    }

    // Pluie: the first other column whose cells are numbers (or missing markers).
    for (int c = 0; c < columns; ++c) {
        if (c == mapping.dateColumn || c == mapping.timeColumn)
            continue;
        bool numeric = true, anyNumber = false;
        for (const QList<QByteArray> &row : rows) {
            if (c >= row.size())
                continue;
            if (isNumber(row[c], decimal))
                anyNumber = true;
            else if (!isMissingMarker(row[c]))
                numeric = false;
        }
        if (numeric && anyNumber) {
            mapping.valueColumns[0] = c;
            break;
        }
    }

    // A station column named as such in the header.
    if (firstData > 0) {
        const QList<QByteArray> header = csvFields(lines[firstData - 1], mapping.separator);
        for (int c = 0; c < header.size(); ++c) {
            const QByteArray name = header[c].trimmed().toUpper();
            if (c != mapping.dateColumn && c != mapping.valueColumns[0] &&
                (name == "STATION" || name == "NUM_POSTE" || name == "POSTE" || name == "STN" ||
                 name == "CODE_STATION" || name == "NUMERO")) {
                mapping.stationColumn = c;
                break;
            }
        }
    }
    return mapping;
}

QString CsvMapping::toText() const
{
    QUrlQuery query;
    auto add = [&](const char *key, const QString &value) {
        query.addQueryItem(QLatin1String(key), QString::fromLatin1(QUrl::toPercentEncoding(value)));
    };
    QStringList values;
    for (int column : valueColumns)
        values.append(QString::number(column));
    add("sep", QString(separator));
    add("dec", QString(decimal));
    add("hdr", QString::number(headerLines));
    add("date", QString::number(dateColumn));
    add("dfmt", dateFormat);
    add("time", QString::number(timeColumn));
    add("tfmt", timeFormat);
    add("stn", QString::number(stationColumn));
    add("val", values.join(QLatin1Char(',')));
    add("vld", QString::number(validityColumn));
    add("vcod", validatedCodes);
    add("dcod", doubtfulCodes);
    add("scale", QString::number(scale, 'g', 10));
    return query.toString(QUrl::FullyEncoded);
}

bool CsvMapping::fromText(const QString &text, CsvMapping &mapping)
{
    const QUrlQuery query(text);
    auto value = [&](const char *key) {
        return QUrl::fromPercentEncoding(
            query.queryItemValue(QLatin1String(key), QUrl::FullyEncoded).toLatin1());
    };
    auto number = [&](const char *key, int &into) {
        bool ok = false;
        const int n = value(key).toInt(&ok);
        if (ok)
            into = n;
        return ok;
    };
    if (!query.hasQueryItem(QStringLiteral("date")) || !query.hasQueryItem(QStringLiteral("sep")))
        return false;
    CsvMapping read;
    read.name = mapping.name;
    const QString sep = value("sep"), dec = value("dec");
    if (sep.size() != 1 || dec.size() != 1)
        return false;
    read.separator = sep.at(0);
    read.decimal = dec.at(0);
    if (!number("hdr", read.headerLines) || !number("date", read.dateColumn))
        return false;
    number("time", read.timeColumn);
    number("stn", read.stationColumn);
    number("vld", read.validityColumn);
    read.dateFormat = value("dfmt");
    read.timeFormat = value("tfmt");
    read.validatedCodes = value("vcod");
    read.doubtfulCodes = value("dcod");
    const QStringList values = value("val").split(QLatin1Char(','));
    for (int i = 0; i < int(read.valueColumns.size()) && i < values.size(); ++i)
        read.valueColumns[size_t(i)] = values[i].toInt();
    bool ok = false;
    const double scale = value("scale").toDouble(&ok);
    if (ok && scale > 0)
        read.scale = scale;
    mapping = read;
    return true;
}

namespace {
const QString listKey = QStringLiteral("ImportCsvMappings");
QString mappingKey(const QString &name)
{
    return QStringLiteral("ImportCsv:") + name;
}
} // namespace

QStringList savedCsvMappings()
{
    QStringList names =
        LireParametre(listKey, {}, true).split(QLatin1Char('\t'), Qt::SkipEmptyParts);
    QCollator collator{QLocale(QLocale::French, QLocale::France)};
    std::sort(names.begin(), names.end(), collator);
    return names;
}

bool loadCsvMapping(const QString &name, CsvMapping &mapping)
{
    const QString text = LireParametre(mappingKey(name.trimmed()), {}, true);
    CsvMapping read;
    read.name = name.trimmed();
    if (text.isEmpty() || !CsvMapping::fromText(text, read))
        return false;
    mapping = read;
    return true;
}

bool saveCsvMapping(const CsvMapping &mapping)
{
    const QString name = mapping.name.trimmed();
    if (name.isEmpty() || name.contains(QLatin1Char('\t')))
        return false;
    if (!EcrireParametre(mappingKey(name), mapping.toText()))
        return false;
    QStringList names =
        LireParametre(listKey, {}, true).split(QLatin1Char('\t'), Qt::SkipEmptyParts);
    const bool known = std::any_of(names.cbegin(), names.cend(), [&](const QString &n) {
        return n.compare(name, Qt::CaseInsensitive) == 0;
    });
    if (known)
        return true;
    names.append(name);
    return EcrireParametre(listKey, names.join(QLatin1Char('\t')));
}

} // namespace plx
