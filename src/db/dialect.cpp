#include "db/dialect.h"

#include "config/connectionprofile.h"

#include <QDate>
#include <QRegularExpression>
#include <QTime>

#include <optional>

namespace plx {

namespace {

enum class Kind { Access, PostgreSQL, Oracle, Unknown };

Kind kindOf(const QString &kind)
{
    if (kind == QLatin1String("ACCESS"))
        return Kind::Access;
    if (kind == QLatin1String("POSTGRESQL"))
        return Kind::PostgreSQL;
    if (kind == QLatin1String("ORACLE"))
        return Kind::Oracle;
    return Kind::Unknown;
}

Kind currentKind()
{
    return kindOf(runProfile().kind);
}

const QString kTimePattern = QStringLiteral(R"((\d{1,2}):(\d{2})(?::(\d{2}))?)");

std::optional<QTime> toTime(const QString &hours, const QString &minutes, const QString &seconds)
{
    const QTime time(hours.toInt(), minutes.toInt(), seconds.isEmpty() ? 0 : seconds.toInt());
    return time.isValid() ? std::optional<QTime>(time) : std::nullopt;
}

struct DayFirst
{
    QDate date;
    QTime time; // midnight when the text has none
};

// d/M/yyyy[ H:mm[:ss]] only; anything else, or a year outside 1800-3000, is refused.
std::optional<DayFirst> parseDayFirst(const QString &text)
{
    static const QRegularExpression pattern(
        QStringLiteral(R"(^\s*(\d{1,2})/(\d{1,2})/(\d{4})(?:\s+%1)?\s*$)").arg(kTimePattern));
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    const int year = match.captured(3).toInt();
    const QDate date(year, match.captured(2).toInt(), match.captured(1).toInt());
    if (!date.isValid() || year < 1800 || year > 3000)
        return std::nullopt;
    DayFirst result{date, QTime(0, 0)};
    if (match.hasCaptured(4)) {
        const std::optional<QTime> time =
            toTime(match.captured(4), match.captured(5), match.captured(6));
        if (!time)
            return std::nullopt;
        result.time = *time;
    }
    return result;
}

std::optional<QTime> parseTime(const QString &text)
{
    static const QRegularExpression pattern(QStringLiteral(R"(^\s*%1\s*$)").arg(kTimePattern));
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    return toTime(match.captured(1), match.captured(2), match.captured(3));
}

const QString kTimeFormat = QStringLiteral("HH:mm:ss");

} // namespace

QString FormatDateSQL(const QString &dateText, bool withTime)
{
    const Kind kind = currentKind();
    if (kind == Kind::Unknown)
        return QString();
    const std::optional<DayFirst> value = parseDayFirst(dateText);
    if (!value)
        return QString();

    if (kind == Kind::Oracle) {
        // Oracle reads the day-first text itself; the mask must match the text exactly.
        QString text = value->date.toString(QStringLiteral("dd/MM/yyyy"));
        if (withTime)
            text += QLatin1Char(' ') + value->time.toString(kTimeFormat);
        return QStringLiteral(" to_date('%1', '%2') ")
            .arg(text, withTime ? QStringLiteral("DD/MM/YYYY HH24:MI:SS")
                                : QStringLiteral("DD/MM/YYYY"));
    }
    QString text = value->date.toString(QStringLiteral("MM/dd/yyyy"));
    if (withTime)
        text += QLatin1Char(' ') + value->time.toString(kTimeFormat);
    const QChar quote = kind == Kind::Access ? QLatin1Char('#') : QLatin1Char('\'');
    return quote + text + quote;
}

QString FormatHeureSQL(const QString &timeText)
{
    const Kind kind = currentKind();
    if (kind == Kind::Unknown)
        return QString();
    const std::optional<QTime> time = parseTime(timeText);
    if (!time)
        return QString();
    const QString text = time->toString(kTimeFormat);
    switch (kind) {
    case Kind::Access:
        return QLatin1Char('#') + text + QLatin1Char('#');
    case Kind::PostgreSQL:
        return QStringLiteral("'12/30/1899 ") + text + QLatin1Char('\'');
    case Kind::Oracle:
        return QLatin1Char('\'') + text + QLatin1Char('\'');
    case Kind::Unknown:
        break;
    }
    return QString();
}

QString ColumnTypes::textOfLength(int length) const
{
    if (text.isEmpty())
        return QString();
    if (length > 0)
        return text + QStringLiteral("(%1)").arg(length);
    return text == QLatin1String("varchar2") ? QStringLiteral("varchar2(255)") : text;
}

ColumnTypes columnTypes(const QString &kind)
{
    switch (kindOf(kind)) {
    case Kind::Access:
        return {QStringLiteral("TEXT"), QStringLiteral("SHORT"), QStringLiteral("Long"),
                QStringLiteral("Double"), QStringLiteral("DateTime"), QStringLiteral("Memo"),
                QStringLiteral("format"), QStringLiteral("now()"),
                QStringLiteral("AUTOINCREMENT"), QStringLiteral("YESNO")};
    case Kind::PostgreSQL:
        return {QStringLiteral("character varying"), QStringLiteral("integer"),
                QStringLiteral("bigint"), QStringLiteral("real"),
                QStringLiteral("timestamp with time zone"), QStringLiteral("text"),
                QStringLiteral("to_char"), QStringLiteral("clock_timestamp()"),
                QStringLiteral("serial"), QStringLiteral("boolean")};
    case Kind::Oracle:
        // "serial" and "boolean" do not exist before Oracle 23.
        return {QStringLiteral("varchar2"), QStringLiteral("Number"), QStringLiteral("Number"),
                QStringLiteral("Number"), QStringLiteral("timestamp"),
                QStringLiteral("varchar2(4000)"), QStringLiteral("to_char"),
                QStringLiteral("SYSDATE"),
                QStringLiteral("NUMBER GENERATED BY DEFAULT AS IDENTITY"),
                QStringLiteral("NUMBER(1)")};
    case Kind::Unknown:
        break;
    }
    return {};
}

UserTableTypes userTableTypes(const QString &kind)
{
    switch (kindOf(kind)) {
    case Kind::Access:
        return {QStringLiteral("TEXT"), QStringLiteral("Double")};
    case Kind::PostgreSQL:
        return {QStringLiteral("varchar"), QStringLiteral("real")};
    case Kind::Oracle:
        return {QStringLiteral("varchar2"), QStringLiteral("Number")};
    case Kind::Unknown:
        break;
    }
    return {};
}

ColumnTypes columnTypes()
{
    return columnTypes(runProfile().kind);
}

UserTableTypes userTableTypes()
{
    return userTableTypes(runProfile().kind);
}

} // namespace plx
