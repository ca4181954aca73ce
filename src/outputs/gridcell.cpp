#include "outputs/gridcell.h"

#include <QRegularExpression>

namespace plx {

namespace {

const QDate kFirstSerialDay(1900, 3, 1);

} // namespace

QVariant typedFrenchText(const QString &text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return QVariant();
    static const QRegularExpression number(QStringLiteral("^-?(0|[1-9][0-9]*)(,[0-9]+)?$"));
    if (number.match(trimmed).hasMatch() && trimmed.size() < 16)
        return QString(trimmed).replace(QLatin1Char(','), QLatin1Char('.')).toDouble();
    static const QRegularExpression date(
        QStringLiteral("^[0-9]{2}/[0-9]{2}/[0-9]{4}( [0-9]{2}:[0-9]{2}(:[0-9]{2})?)?$"));
    if (date.match(trimmed).hasMatch()) {
        const QDate day = QDate::fromString(trimmed.left(10), QStringLiteral("dd/MM/yyyy"));
        if (trimmed.size() == 10 && day.isValid())
            return day;
        const QTime time = QTime::fromString(trimmed.mid(11), trimmed.size() == 16
                                                                  ? QStringLiteral("HH:mm")
                                                                  : QStringLiteral("HH:mm:ss"));
        if (day.isValid() && time.isValid())
            return QDateTime(day, time);
    }
    return text;
}

double spreadsheetSerial(const QDateTime &value)
{
    const qint64 days = QDate(1899, 12, 30).daysTo(value.date());
    return double(days) + value.time().msecsSinceStartOfDay() / 86400000.0;
}

QString xmlSafeText(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (QChar c : text) {
        if (c.unicode() >= 0x20 || c == QLatin1Char('\t') || c == QLatin1Char('\n') ||
            c == QLatin1Char('\r'))
            out += c;
    }
    return out;
}

QString spreadsheetColumnName(int column)
{
    QString name;
    for (int n = column + 1; n > 0; n = (n - 1) / 26)
        name.prepend(QChar(QLatin1Char(char('A' + (n - 1) % 26))));
    return name;
}

GridCell gridCellOf(const QVariant &value)
{
    GridCell cell;
    if (value.isNull() || !value.isValid())
        return cell;
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Double:
    case QMetaType::Float:
        cell.kind = GridCell::Number;
        cell.number = value.toDouble();
        return cell;
    case QMetaType::Bool:
        cell.kind = GridCell::Number;
        cell.number = value.toBool() ? 1 : 0;
        return cell;
    case QMetaType::QTime: {
        const QTime time = value.toTime();
        if (!time.isValid())
            return cell;
        cell.kind = GridCell::Time;
        cell.instant = QDateTime(QDate(1899, 12, 30), time);
        cell.number = time.msecsSinceStartOfDay() / 86400000.0;
        return cell;
    }
    case QMetaType::QDate:
    case QMetaType::QDateTime: {
        const QDateTime instant = value.typeId() == QMetaType::QDate
                                      ? QDateTime(value.toDate(), QTime(0, 0))
                                      : value.toDateTime();
        if (!instant.isValid())
            return cell;
        const bool midnight = instant.time() == QTime(0, 0);
        if (instant.date() < kFirstSerialDay) {
            cell.kind = GridCell::Text;
            cell.text = instant.toString(midnight ? QStringLiteral("dd/MM/yyyy")
                                                  : QStringLiteral("dd/MM/yyyy HH:mm:ss"));
            return cell;
        }
        cell.kind = midnight ? GridCell::Date : GridCell::DateTime;
        cell.instant = instant;
        cell.number = spreadsheetSerial(instant);
        return cell;
    }
    default:
        cell.kind = GridCell::Text;
        cell.text = xmlSafeText(value.toString());
        return cell;
    }
}

QString frenchCellText(const GridCell &cell)
{
    switch (cell.kind) {
    case GridCell::Empty:
        return QString();
    case GridCell::Number: {
        QString text = QString::number(cell.number, 'g', 15);
        text.replace(QLatin1Char('.'), QLatin1Char(','));
        return text;
    }
    case GridCell::Date:
        return cell.instant.toString(QStringLiteral("dd/MM/yyyy"));
    case GridCell::DateTime:
        return cell.instant.toString(QStringLiteral("dd/MM/yyyy HH:mm:ss"));
    case GridCell::Time:
        return cell.instant.toString(QStringLiteral("HH:mm:ss"));
    case GridCell::Text:
        return cell.text;
    }
    return QString();
}

} // namespace plx
