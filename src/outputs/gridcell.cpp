#include "outputs/gridcell.h"

#include <QLocale>
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

double spreadsheetSerial(const QDate &date, const QTime &time)
{
    const qint64 days = QDate(1899, 12, 30).daysTo(date);
    return double(days) + (time.isValid() ? time.msecsSinceStartOfDay() / 86400000.0 : 0.0);
}

namespace {

void putDigits(QChar *at, int value, int width)
{
    for (int i = width - 1; i >= 0; --i, value /= 10)
        at[i] = QLatin1Char(char('0' + value % 10));
}

} // namespace

QString spreadsheetNumber(double value)
{
    // The shortest exact form is cheap and usually short; the 15-digit rounding, far
    // slower, only when it would show more digits than that.
    QString text = QString::number(value, 'g', QLocale::FloatingPointShortest);
    int digits = 0;
    for (QChar c : text) {
        if (c == QLatin1Char('e'))
            break;
        digits += c.isDigit() ? 1 : 0;
    }
    return digits > 15 ? QString::number(value, 'g', 15) : text;
}

QString frenchDate(const QDate &date)
{
    int year = 0, month = 0, day = 0;
    date.getDate(&year, &month, &day);
    if (year < 0 || year > 9999)
        return date.toString(QStringLiteral("dd/MM/yyyy"));
    QString text(10, QLatin1Char('/'));
    putDigits(text.data(), day, 2);
    putDigits(text.data() + 3, month, 2);
    putDigits(text.data() + 6, year, 4);
    return text;
}

QString clockTime(const QTime &time)
{
    QString text(8, QLatin1Char(':'));
    putDigits(text.data(), time.hour(), 2);
    putDigits(text.data() + 3, time.minute(), 2);
    putDigits(text.data() + 6, time.second(), 2);
    return text;
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
        cell.time = time;
        cell.number = time.msecsSinceStartOfDay() / 86400000.0;
        return cell;
    }
    case QMetaType::QDate:
    case QMetaType::QDateTime: {
        QDate date;
        QTime time(0, 0);
        if (value.typeId() == QMetaType::QDate) {
            date = value.toDate();
        } else {
            const QDateTime instant = value.toDateTime();
            date = instant.date();
            time = instant.time();
        }
        if (!date.isValid() || !time.isValid())
            return cell;
        const bool midnight = time == QTime(0, 0);
        if (date < kFirstSerialDay) {
            cell.kind = GridCell::Text;
            cell.text = midnight ? frenchDate(date)
                                 : frenchDate(date) + QLatin1Char(' ') + clockTime(time);
            return cell;
        }
        cell.kind = midnight ? GridCell::Date : GridCell::DateTime;
        cell.date = date;
        cell.time = time;
        cell.number = spreadsheetSerial(date, time);
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
        QString text = spreadsheetNumber(cell.number);
        text.replace(QLatin1Char('.'), QLatin1Char(','));
        return text;
    }
    case GridCell::Date:
        return frenchDate(cell.date);
    case GridCell::DateTime:
        return frenchDate(cell.date) + QLatin1Char(' ') + clockTime(cell.time);
    case GridCell::Time:
        return clockTime(cell.time);
    case GridCell::Text:
        return cell.text;
    }
    return QString();
}

void appendXmlEscaped(QString &out, const QString &text)
{
    for (QChar c : text) {
        switch (c.unicode()) {
        case '&':
            out += QLatin1String("&amp;");
            break;
        case '<':
            out += QLatin1String("&lt;");
            break;
        case '>':
            out += QLatin1String("&gt;");
            break;
        case '"':
            out += QLatin1String("&quot;");
            break;
        case '\r':
            out += QLatin1String("&#13;");
            break;
        default:
            out += c;
        }
    }
}

} // namespace plx
