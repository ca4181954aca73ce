#include "stations/sublistvalues.h"

#include "base/locale.h"
#include "db/dialect.h"
#include "db/sqltext.h"

#include <QDate>
#include <QTime>

#include <cmath>

namespace plx {

namespace {

const QString kNull = QStringLiteral("NULL");

bool isText(const QVariant &value)
{
    return value.typeId() == QMetaType::QString;
}

bool isNumeric(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Float:
        return true;
    default:
        return false;
    }
}

// A stored time keeps its date part out of the way: times live on 30/12/1899.
QString timeLiteral(const QTime &time)
{
    return FormatHeureSQL(formatTime(time));
}

QString dateTimeLiteral(const QDateTime &value)
{
    return FormatDateSQL(formatDateTime(value), true);
}

// A value of a column the description does not know, written back as read.
QString rawLiteral(const QVariant &value)
{
    if (value.typeId() == QMetaType::Bool)
        return value.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    if (isNumeric(value))
        return sqlNumber(value.toDouble());
    if (value.typeId() == QMetaType::QDateTime)
        return dateTimeLiteral(value.toDateTime());
    if (value.typeId() == QMetaType::QDate)
        return FormatDateSQL(formatDate(value.toDate()), false);
    return sqlQuote(value.toString());
}

} // namespace

bool subListCellEmpty(const QVariant &value)
{
    return value.isNull() || (isText(value) && value.toString().trimmed().isEmpty());
}

bool subListCellChecked(const QVariant &value)
{
    if (value.isNull())
        return false;
    if (isNumeric(value) || value.typeId() == QMetaType::Bool)
        return value.toDouble() != 0; // Access's true is -1
    static const QStringList yes{QStringLiteral("O"),    QStringLiteral("OUI"), QStringLiteral("1"),
                                 QStringLiteral("-1"),   QStringLiteral("Y"),   QStringLiteral("T"),
                                 QStringLiteral("TRUE"), QStringLiteral("V")};
    return yes.contains(value.toString().trimmed().toUpper());
}

QVariant subListCheckedValue(const SubListColumn &column, bool checked)
{
    if (column.kind == SubListKind::Flag)
        return checked ? QStringLiteral("O") : QStringLiteral("N");
    return qlonglong(checked ? 1 : 0);
}

std::optional<double> subListNumberValue(const QVariant &value)
{
    if (subListCellEmpty(value))
        return std::nullopt;
    if (isNumeric(value))
        return value.toDouble();
    return parseNumber(value.toString());
}

std::optional<QDateTime> subListDateValue(const SubListColumn &column, const QVariant &value)
{
    if (subListCellEmpty(value))
        return std::nullopt;
    if (value.typeId() == QMetaType::QDateTime)
        return value.toDateTime();
    if (value.typeId() == QMetaType::QDate)
        return QDateTime(value.toDate(), QTime(0, 0), Qt::UTC);
    if (value.typeId() == QMetaType::QTime)
        return QDateTime(QDate(1899, 12, 30), value.toTime(), Qt::UTC);
    const QString text = value.toString();
    if (column.kind == SubListKind::Time) {
        const std::optional<QTime> time = parseTime(text);
        if (!time)
            return std::nullopt;
        return QDateTime(QDate(1899, 12, 30), *time, Qt::UTC);
    }
    const std::optional<QDateTime> typed = parseDateTime(text);
    if (!typed)
        return std::nullopt;
    return QDateTime(typed->date(), typed->time(), Qt::UTC);
}

QString subListCellText(const SubListColumn &column, const QVariant &value)
{
    if (value.isNull())
        return {};
    switch (column.kind) {
    case SubListKind::Date:
        if (value.typeId() == QMetaType::QDateTime) {
            const QDateTime dt = value.toDateTime();
            return dt.time() == QTime(0, 0) ? formatDate(dt.date()) : formatDateTime(dt);
        }
        return value.toString();
    case SubListKind::Time:
        if (value.typeId() == QMetaType::QDateTime)
            return formatTime(value.toDateTime().time());
        return value.toString();
    case SubListKind::Number:
        return isNumeric(value) ? formatNumber(value.toDouble()) : value.toString();
    case SubListKind::Choice:
    case SubListKind::Counter:
        return isNumeric(value) ? sqlNumber(value.toDouble()) : value.toString();
    case SubListKind::YesNo:
    case SubListKind::Flag:
        return subListCellChecked(value) ? QStringLiteral("Oui") : QStringLiteral("Non");
    case SubListKind::Text:
    case SubListKind::Path:
        break;
    }
    return value.toString();
}

namespace {

QString knownLiteral(const SubListColumn *column, const QVariant &value, QString *problem)
{
    if (!column)
        return value.isNull() ? kNull : rawLiteral(value);
    if (subListCellEmpty(value))
        return kNull;
    switch (column->kind) {
    case SubListKind::Text:
    case SubListKind::Path: {
        const QString text = value.toString();
        if (column->maxLength > 0 && text.size() > column->maxLength) {
            *problem = QStringLiteral("dépasse %1 caractères").arg(column->maxLength);
            return {};
        }
        return sqlQuote(text);
    }
    case SubListKind::Flag:
        return sqlQuote(value.toString().left(1));
    case SubListKind::YesNo:
        return subListCellChecked(value) ? QStringLiteral("true") : QStringLiteral("false");
    case SubListKind::Number:
    case SubListKind::Choice:
    case SubListKind::Counter: {
        const std::optional<double> number = subListNumberValue(value);
        if (!number) {
            *problem = QStringLiteral("n'est pas un nombre");
            return {};
        }
        if (column->kind != SubListKind::Number && *number != std::floor(*number)) {
            *problem = QStringLiteral("n'est pas un code entier");
            return {};
        }
        return sqlNumber(*number);
    }
    case SubListKind::Date:
    case SubListKind::Time: {
        const std::optional<QDateTime> date = subListDateValue(*column, value);
        if (!date) {
            *problem = column->kind == SubListKind::Date
                           ? QStringLiteral("n'est pas une date valide (jj/mm/aaaa)")
                           : QStringLiteral("n'est pas une heure valide (hh:mm:ss)");
            return {};
        }
        return column->kind == SubListKind::Time ? timeLiteral(date->time())
                                                 : dateTimeLiteral(*date);
    }
    }
    return kNull;
}

} // namespace

QString subListLiteral(const SubListColumn *column, const QVariant &value, QString *problem)
{
    problem->clear();
    const QString literal = knownLiteral(column, value, problem);
    // The date helpers give "" for a year outside 1800-3000 rather than a guess.
    if (literal.isEmpty() && problem->isEmpty())
        *problem = QStringLiteral("ne peut pas être écrite (année hors de 1800 à 3000 ?)");
    return problem->isEmpty() ? literal : QString();
}

} // namespace plx
