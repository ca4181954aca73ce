#include "base/locale.h"

#include <QLocale>
#include <QRegularExpression>

#include <cmath>

namespace plx {

namespace {

bool yearAllowed(int year)
{
    return year >= kFirstYear && year <= kLastYear;
}

// Hours 0-23, minutes and seconds 0-59, taken from regex captures (seconds may be absent).
std::optional<QTime> timeFrom(const QString &hours, const QString &minutes,
                              const QString &seconds)
{
    const QTime time(hours.toInt(), minutes.toInt(), seconds.isEmpty() ? 0 : seconds.toInt());
    if (!time.isValid())
        return std::nullopt;
    return time;
}

const QRegularExpression &dateTimePattern()
{
    static const QRegularExpression pattern(QStringLiteral(
        R"(^(\d{1,2})/(\d{1,2})/(\d{4})(?:\s+(\d{1,2}):(\d{2})(?::(\d{2}))?)?$)"));
    return pattern;
}

bool isGroupSeparator(QChar c)
{
    return c == QLatin1Char(' ') || c == QChar(0x00A0) || c == QChar(0x202F);
}

} // namespace

void installProgramLocale()
{
    QLocale french(QLocale::French, QLocale::France);
    // Numbers shown by Qt widgets keep the decimal comma but no group separators: a
    // grouped number copied to another program does not read back.
    french.setNumberOptions(QLocale::OmitGroupSeparator);
    QLocale::setDefault(french);
}

QString formatDate(const QDate &date)
{
    return date.isValid() ? date.toString(QString(kDateFormat)) : QString();
}

QString formatTime(const QTime &time)
{
    return time.isValid() ? time.toString(QString(kTimeFormat)) : QString();
}

QString formatDateTime(const QDateTime &dateTime)
{
    return dateTime.isValid() ? dateTime.toString(QString(kDateTimeFormat)) : QString();
}

std::optional<QDateTime> parseDateTime(const QString &text)
{
    const QRegularExpressionMatch match = dateTimePattern().match(text.trimmed());
    if (!match.hasMatch())
        return std::nullopt;
    const int year = match.captured(3).toInt();
    const QDate date(year, match.captured(2).toInt(), match.captured(1).toInt());
    if (!date.isValid() || !yearAllowed(year))
        return std::nullopt;
    QTime time(0, 0);
    if (match.hasCaptured(4)) {
        const std::optional<QTime> typed =
            timeFrom(match.captured(4), match.captured(5), match.captured(6));
        if (!typed)
            return std::nullopt;
        time = *typed;
    }
    // A wall-clock value: no zone may move it (a time on a spring-forward night exists).
    return QDateTime(date, time, Qt::UTC);
}

std::optional<QDate> parseDate(const QString &text)
{
    const std::optional<QDateTime> value = parseDateTime(text);
    if (!value)
        return std::nullopt;
    return value->date();
}

std::optional<QTime> parseTime(const QString &text)
{
    static const QRegularExpression pattern(QStringLiteral(R"(^(\d{1,2}):(\d{2})(?::(\d{2}))?$)"));
    const QRegularExpressionMatch match = pattern.match(text.trimmed());
    if (!match.hasMatch())
        return std::nullopt;
    return timeFrom(match.captured(1), match.captured(2), match.captured(3));
}

std::optional<double> parseNumber(const QString &text)
{
    const QString trimmed = text.trimmed();
    QString plain;
    plain.reserve(trimmed.size());
    int digitsInGroup = 0;   // digits since the last separator (or the start)
    bool grouped = false;    // a group separator was seen in the integer part
    bool decimalSeen = false;
    int digits = 0;
    for (qsizetype i = 0; i < trimmed.size(); ++i) {
        const QChar c = trimmed.at(i);
        if (c.isDigit() && c.unicode() < 128) {
            plain += c;
            ++digitsInGroup;
            ++digits;
        } else if ((c == QLatin1Char('+') || c == QLatin1Char('-')) && i == 0) {
            plain += c;
        } else if (c == QLatin1Char(',') || c == QLatin1Char('.')) {
            if (decimalSeen || (grouped && digitsInGroup != 3))
                return std::nullopt;
            decimalSeen = true;
            plain += QLatin1Char('.');
            digitsInGroup = 0;
        } else if (isGroupSeparator(c)) {
            // Between digits of the integer part only: "1 234", never "12 5" or "1, 5".
            if (decimalSeen || digitsInGroup == 0 || (grouped && digitsInGroup != 3)
                || digitsInGroup > 3)
                return std::nullopt;
            grouped = true;
            digitsInGroup = 0;
        } else {
            return std::nullopt;
        }
    }
    if (digits == 0 || (grouped && !decimalSeen && digitsInGroup != 3))
        return std::nullopt;
    bool ok = false;
    const double value = plain.toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

QString formatNumber(double value, int decimals)
{
    QString text = decimals >= 0 ? QString::number(value, 'f', decimals)
                                 : QString::number(value, 'g', QLocale::FloatingPointShortest);
    if (text.contains(QLatin1Char('e'))) // shortest form chose an exponent: show it plainly
        text = QString::number(value, 'f', 10).remove(QRegularExpression(QStringLiteral("\\.?0+$")));
    return text.replace(QLatin1Char('.'), QLatin1Char(','));
}

} // namespace plx
