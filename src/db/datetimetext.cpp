#include "db/datetimetext.h"

namespace plx {

namespace {

template <typename Char>
bool digits(const Char *s, int n, int &value)
{
    value = 0;
    for (int i = 0; i < n; ++i) {
        const int d = int(s[i]) - '0';
        if (d < 0 || d > 9)
            return false;
        value = value * 10 + d;
    }
    return true;
}

// Hand-written because this runs for every date cell of every result (millions of rows).
template <typename Char>
std::pair<QDate, QTime> parseParts(const Char *s, int length)
{
    int year, month, day;
    if (length < 10 || s[4] != '-' || s[7] != '-' || !digits(s, 4, year) || !digits(s + 5, 2, month)
        || !digits(s + 8, 2, day))
        return {};
    const QDate date(year, month, day);
    if (!date.isValid())
        return {};
    int hour = 0, minute = 0, second = 0;
    if (length >= 19 && (s[10] == ' ' || s[10] == 'T')) {
        if (s[13] != ':' || s[16] != ':' || !digits(s + 11, 2, hour) || !digits(s + 14, 2, minute)
            || !digits(s + 17, 2, second))
            return {};
    }
    const QTime time(hour, minute, second);
    if (!time.isValid())
        return {};
    return {date, time};
}

template <typename Char>
QDateTime parse(const Char *s, int length)
{
    const auto [date, time] = parseParts(s, length);
    return date.isValid() ? QDateTime(date, time, Qt::UTC) : QDateTime();
}

} // namespace

QDateTime parseDatabaseDateTime(QStringView text)
{
    return parse(text.utf16(), int(text.size()));
}

QDateTime parseDatabaseDateTime(const char *text, int length)
{
    return parse(text, length);
}

std::pair<QDate, QTime> parseDatabaseDayAndTime(const char *text, int length)
{
    return parseParts(text, length);
}

} // namespace plx
