#include "db/sqldates.h"

#include <QRegularExpression>

namespace plx {

namespace {

const QDate zeroDay(1899, 12, 30);

std::optional<QTime> parseTime(const QRegularExpressionMatch &m, int first)
{
    if (!m.hasCaptured(first))
        return QTime(0, 0);
    int hour = m.captured(first).toInt();
    const int minute = m.captured(first + 1).toInt();
    const int second = m.hasCaptured(first + 2) ? m.captured(first + 2).toInt() : 0;
    const QString half = m.captured(first + 3).toUpper();
    if (!half.isEmpty()) {
        if (hour < 1 || hour > 12)
            return std::nullopt;
        hour = hour % 12 + (half == QLatin1String("PM") ? 12 : 0);
    }
    const QTime time(hour, minute, second);
    if (!time.isValid())
        return std::nullopt;
    return time;
}

std::optional<QDateTime> combine(const QDate &date, const std::optional<QTime> &time)
{
    if (!date.isValid() || !time)
        return std::nullopt;
    return QDateTime(date, *time, Qt::UTC);
}

} // namespace

std::optional<QDateTime> parseSqlDate(QStringView text, DateOrder order)
{
    static const QString timePart =
        QStringLiteral(R"((\d{1,2}):(\d{2})(?::(\d{2}))?(?:\.\d+)?\s*(?:([AaPp][Mm]))?)");
    static const QRegularExpression slashed(
        QStringLiteral(R"(^\s*(\d{1,2})/(\d{1,2})/(\d{4})(?:\s+)") + timePart +
        QStringLiteral(R"()?\s*$)"));
    static const QRegularExpression iso(
        QStringLiteral(R"(^\s*(\d{4})-(\d{1,2})-(\d{1,2})(?:[\sT]+)") + timePart +
        QStringLiteral(R"()?\s*$)"));
    static const QRegularExpression timeOnly(QStringLiteral(R"(^\s*)") + timePart +
                                             QStringLiteral(R"(\s*$)"));

    QRegularExpressionMatch m = slashed.match(text);
    if (m.hasMatch()) {
        int month = m.captured(1).toInt();
        int day = m.captured(2).toInt();
        if (order == DateOrder::DayFirst)
            std::swap(month, day);
        return combine(QDate(m.captured(3).toInt(), month, day), parseTime(m, 4));
    }
    m = iso.match(text);
    if (m.hasMatch())
        return combine(QDate(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt()),
                       parseTime(m, 4));
    m = timeOnly.match(text);
    if (m.hasMatch())
        return combine(zeroDay, parseTime(m, 1));
    return std::nullopt;
}

std::optional<QDateTime> parseOracleDate(QStringView text, QStringView format)
{
    // Read element by element (QDateTime::fromString would apply the local time zone,
    // which loses the hour skipped on a spring-forward night).
    static const std::pair<const char *, int> elements[] = {
        {"YYYY", 0}, {"HH24", 3}, {"HH", 3}, {"MI", 4}, {"SS", 5}, {"DD", 2}, {"MM", 1},
    };
    int parts[6] = {zeroDay.year(), zeroDay.month(), zeroDay.day(), 0, 0, 0};
    const QString upper = format.toString().toUpper();
    const QStringView value = text.trimmed();
    qsizetype t = 0;
    for (qsizetype f = 0; f < upper.size();) {
        int part = -1;
        for (const auto &[element, index] : elements) {
            if (QStringView(upper).mid(f).startsWith(QLatin1String(element))) {
                part = index;
                f += qsizetype(qstrlen(element));
                break;
            }
        }
        if (part < 0) {
            // A separator: blanks match any run of blanks, anything else itself.
            if (upper[f].isSpace()) {
                while (t < value.size() && value[t].isSpace())
                    ++t;
            } else if (t < value.size() && value[t] == upper[f]) {
                ++t;
            } else {
                return std::nullopt;
            }
            ++f;
            continue;
        }
        const int width = part == 0 ? 4 : 2;
        qsizetype digits = 0;
        int number = 0;
        while (t < value.size() && digits < width && value[t].isDigit()) {
            number = number * 10 + value[t].digitValue();
            ++t;
            ++digits;
        }
        if (digits == 0)
            return std::nullopt;
        parts[part] = number;
    }
    if (t != value.size())
        return std::nullopt;
    const QTime time(parts[3], parts[4], parts[5]);
    if (!time.isValid())
        return std::nullopt;
    return combine(QDate(parts[0], parts[1], parts[2]), time);
}

QString canonicalDateTime(const QDateTime &value)
{
    return value.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

QString dateTimeLiteral(SqlDialect dialect, const QDateTime &value, bool typed)
{
    QString text = QLatin1Char('\'') + canonicalDateTime(value) + QLatin1Char('\'');
    switch (dialect) {
    case SqlDialect::Oracle:
        return QStringLiteral("TIMESTAMP ") + text;
    case SqlDialect::PostgreSQL:
        return typed ? QStringLiteral("TIMESTAMP ") + text : text;
    case SqlDialect::Access:
        return QLatin1Char('#') + value.toString(QStringLiteral("MM/dd/yyyy HH:mm:ss")) +
               QLatin1Char('#');
    case SqlDialect::SQLite:
        break;
    }
    return text;
}

} // namespace plx
