#include "charts/seriescells.h"

#include "db/datetimetext.h"

#include <QDateTime>

#include <limits>

namespace plx {

namespace {

constexpr qint64 kMsPerDay = 86400000;
constexpr qint64 kJulianDayOf1970 = 2440588;

qint64 floorDiv(qint64 a, qint64 b)
{
    const qint64 q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

} // namespace

bool wallClockMs(const QVariant &value, qint64 *ms)
{
    switch (value.typeId()) {
    case QMetaType::QDateTime: {
        const QDateTime &dt = *static_cast<const QDateTime *>(value.constData());
        if (!dt.isValid())
            return false;
        if (dt.timeSpec() == Qt::UTC) {
            *ms = dt.toMSecsSinceEpoch();
            return true;
        }
        *ms = (dt.date().toJulianDay() - kJulianDayOf1970) * kMsPerDay +
              dt.time().msecsSinceStartOfDay();
        return true;
    }
    case QMetaType::QDate: {
        const QDate d = value.toDate();
        *ms = (d.toJulianDay() - kJulianDayOf1970) * kMsPerDay;
        return d.isValid();
    }
    case QMetaType::QTime: {
        const QTime t = value.toTime();
        *ms = t.msecsSinceStartOfDay();
        return t.isValid();
    }
    case QMetaType::QString: {
        const QString &text = *static_cast<const QString *>(value.constData());
        const QDateTime dt = parseDatabaseDateTime(text);
        if (dt.isValid()) {
            *ms = dt.toMSecsSinceEpoch();
            return true;
        }
        const QTime t = QTime::fromString(text.trimmed().left(8), QStringLiteral("HH:mm:ss"));
        *ms = t.msecsSinceStartOfDay();
        return t.isValid();
    }
    default:
        return false;
    }
}

double numberOf(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::Double:
        return *static_cast<const double *>(value.constData());
    case QMetaType::LongLong:
        return double(*static_cast<const qlonglong *>(value.constData()));
    case QMetaType::UnknownType:
        return std::numeric_limits<double>::quiet_NaN();
    case QMetaType::QString: {
        // Drivers handing reals over as text; a decimal comma is read too.
        QString text = static_cast<const QString *>(value.constData())->trimmed();
        text.replace(QLatin1Char(','), QLatin1Char('.'));
        bool ok = false;
        const double v = text.toDouble(&ok);
        return ok ? v : std::numeric_limits<double>::quiet_NaN();
    }
    default: {
        bool ok = false;
        const double v = value.toDouble(&ok);
        return ok ? v : std::numeric_limits<double>::quiet_NaN();
    }
    }
}

char codeOf(const QVariant &value)
{
    if (value.typeId() != QMetaType::QString)
        return 0;
    const QString &text = *static_cast<const QString *>(value.constData());
    for (const QChar ch : text) {
        if (ch.isSpace())
            continue;
        return ch.unicode() < 0x80 ? char(ch.toUpper().unicode()) : 0;
    }
    return 0;
}


bool rowInstantMs(const QVariant &dateCreation, const QVariant &heure, qint64 *ms)
{
    qint64 day = 0;
    if (!wallClockMs(dateCreation, &day))
        return false;
    // The time of day lives on 30/12/1899 in Heure; without Heure, a time carried by
    // DateCreation stands.
    if (qint64 time = 0; wallClockMs(heure, &time))
        day = floorDiv(day, kMsPerDay) * kMsPerDay + (time - floorDiv(time, kMsPerDay) * kMsPerDay);
    *ms = day;
    return true;
}

qint64 secondsOfMs(qint64 ms)
{
    return floorDiv(ms, 1000);
}

} // namespace plx
