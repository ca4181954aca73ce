#include "charts/chartengine.h"

#include "db/accesbase.h"
#include "db/datetimetext.h"
#include "measures/measurementtable.h"

#include <QDateTime>

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>

namespace plx {

namespace {

constexpr qint64 kMsPerDay = 86400000;
constexpr qint64 kJulianDayOf1970 = 2440588;

qint64 floorDiv(qint64 a, qint64 b)
{
    const qint64 q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

// Milliseconds of a wall-clock value since 1970-01-01 00:00, the value read as UTC.
// Engines hand date-times over as QDateTime labelled UTC (no zone arithmetic then);
// other forms are read for their date and time fields. False when it is not a date.
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

// The first letter of a one-character code, upper-cased; 0 for null or empty.
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

} // namespace

std::shared_ptr<const StationSeries> loadStationSeries(AccesBase &db, const QString &code,
                                                       QString *error)
{
    const QString table = measurementTableName(code);
    if (table.isEmpty()) {
        if (error)
            *error = QStringLiteral("Code de station invalide : %1").arg(code);
        return nullptr;
    }
    auto series = std::make_shared<StationSeries>();
    series->code = code;
    // A station without measurement table has an empty series.
    if (!db.tableExists(table))
        return series;

    // The row count first, so that the columns are allocated once.
    const RecordTable count = db.ExtraireRecords(QStringLiteral("SELECT count(*) FROM ") + table);
    if (count.ok() && count.rowCount() == 1) {
        const size_t rows = size_t(qMax<qlonglong>(0, count.at(0, 0).toLongLong()));
        series->t.reserve(rows);
        for (std::vector<double> &column : series->values)
            column.reserve(rows);
        series->validite.reserve(rows);
        series->obtention.reserve(rows);
    }

    bool shaped = true, timed = false;
    const auto read = [&](const QVariant *values, int columns) {
        if (columns != 10) {
            shaped = false;
            return false;
        }
        qint64 day = 0;
        if (!wallClockMs(values[0], &day))
            return true; // a row without a day has no place on a chart
        qint64 timeOfDay = 0;
        if (qint64 heure = 0; wallClockMs(values[1], &heure)) {
            day = floorDiv(day, kMsPerDay) * kMsPerDay;
            timeOfDay = heure - floorDiv(heure, kMsPerDay) * kMsPerDay;
        }
        // Without Heure, a time carried by DateCreation stands.
        const qint64 ms = day + timeOfDay;
        timed = timed || ms % kMsPerDay != 0;
        series->t.push_back(floorDiv(ms, 1000));
        for (size_t p = 0; p < 6; ++p)
            series->values[p].push_back(numberOf(values[2 + p]));
        series->validite.push_back(codeOf(values[8]));
        series->obtention.push_back(codeOf(values[9]));
        return true;
    };
    QString readError;
    if (!db.readRecords(QStringLiteral("SELECT DateCreation, Heure, Pluie, PluieEfficace, Etp, "
                                       "Valeur1, Valeur2, Valeur3, Validite, ModeObtention FROM ") +
                            table + QStringLiteral(" ORDER BY DateCreation, Heure"),
                        read, &readError) ||
        !shaped) {
        if (error)
            *error = QStringLiteral("Impossible de lire les mesures de la station %1 : %2")
                         .arg(code, readError.isEmpty() ? QStringLiteral("colonnes inattendues")
                                                        : readError);
        return nullptr;
    }
    series->timed = timed;

    // DateCreation carrying a time of its own beside Heure can leave the engine's order
    // out of step with the instants: put the rows in instant order then.
    if (!std::is_sorted(series->t.begin(), series->t.end())) {
        std::vector<size_t> order(series->t.size());
        std::iota(order.begin(), order.end(), size_t(0));
        std::stable_sort(order.begin(), order.end(),
                         [&](size_t a, size_t b) { return series->t[a] < series->t[b]; });
        const auto permute = [&](auto &column) {
            auto copy = column;
            for (size_t i = 0; i < order.size(); ++i)
                column[i] = copy[order[i]];
        };
        permute(series->t);
        for (std::vector<double> &column : series->values)
            permute(column);
        permute(series->validite);
        permute(series->obtention);
    }
    return series;
}

} // namespace plx
