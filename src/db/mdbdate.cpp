#include "db/mdbdate.h"

#include <QDate>

#include <cmath>

namespace plx {

namespace {

constexpr qint64 secondsPerDay = 86400;

QString formatDateTime(const QDate &date, qint64 secondOfDay)
{
    if (!date.isValid() || date.year() < 1 || date.year() > 9999)
        return {};
    return QString::asprintf("%04d-%02d-%02d %02d:%02d:%02d", date.year(), date.month(), date.day(),
                             int(secondOfDay / 3600), int(secondOfDay / 60 % 60),
                             int(secondOfDay % 60));
}

} // namespace

QString accessDateTimeText(double days)
{
    // 01/01/0100 and 31/12/9999 23:59:59, the limits Access itself accepts.
    if (!std::isfinite(days) || days < -657435.0 || days >= 2958466.0)
        return {};
    const double whole = std::trunc(days);
    qint64 dayNumber = qint64(whole);
    qint64 seconds = std::llround(std::fabs(days - whole) * double(secondsPerDay));
    if (seconds >= secondsPerDay) { // 23:59:59.6 rounds into the next day
        seconds -= secondsPerDay;
        ++dayNumber;
    }
    const QDate date = QDate(1899, 12, 30).addDays(dayNumber);
    if (date.year() < 100)
        return {};
    return formatDateTime(date, seconds);
}

QString accessExtendedDateTimeText(QByteArrayView raw)
{
    // Trailing NULs pad the fixed-width field.
    while (!raw.isEmpty() && raw.back() == '\0')
        raw.chop(1);
    if (raw.size() != 41 || raw[19] != ':' || raw[39] != ':')
        return {};
    const QByteArrayView dayDigits = raw.first(19);
    const QByteArrayView tickDigits = raw.sliced(20, 19);
    auto allDigits = [](QByteArrayView text) {
        for (char c : text) {
            if (c < '0' || c > '9')
                return false;
        }
        return true;
    };
    if (!allDigits(dayDigits) || !allDigits(tickDigits))
        return {};
    bool okDays = false;
    bool okTicks = false;
    const qint64 dayCount = dayDigits.toLongLong(&okDays);
    const qint64 ticks = tickDigits.toLongLong(&okTicks); // 100 ns units
    constexpr qint64 ticksPerSecond = 10'000'000;
    if (!okDays || !okTicks || ticks < 0 || ticks >= secondsPerDay * ticksPerSecond ||
        dayCount > 3'700'000)
        return {};
    qint64 seconds = (ticks + ticksPerSecond / 2) / ticksPerSecond;
    qint64 dayNumber = dayCount;
    if (seconds >= secondsPerDay) {
        seconds -= secondsPerDay;
        ++dayNumber;
    }
    return formatDateTime(QDate(1, 1, 1).addDays(dayNumber), seconds);
}

} // namespace plx
