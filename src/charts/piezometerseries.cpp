#include "charts/piezometerseries.h"

#include "db/accesbase.h"
#include "db/datetimetext.h"
#include "schema/groundwatertables.h"

#include <QDateTime>

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>

namespace plx {

namespace {

constexpr qint64 kJulianDayOf1970 = 2440588;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Seconds of a wall-clock value since 1970-01-01 00:00 read as UTC; false when not a date.
bool wallClockSeconds(const QVariant &value, qint64 *seconds)
{
    QDateTime dt;
    switch (value.typeId()) {
    case QMetaType::QDateTime:
        dt = value.toDateTime();
        break;
    case QMetaType::QDate:
        dt = QDateTime(value.toDate(), QTime(0, 0), Qt::UTC);
        break;
    case QMetaType::QString:
        dt = parseDatabaseDateTime(*static_cast<const QString *>(value.constData()));
        break;
    default:
        return false;
    }
    if (!dt.isValid())
        return false;
    *seconds = (dt.date().toJulianDay() - kJulianDayOf1970) * 86400 +
               dt.time().msecsSinceStartOfDay() / 1000;
    return true;
}

double numberOf(const QVariant &value)
{
    if (value.isNull() || !value.isValid())
        return kNaN;
    if (value.typeId() == QMetaType::QString) {
        QString text = value.toString().trimmed();
        text.replace(QLatin1Char(','), QLatin1Char('.'));
        bool ok = false;
        const double v = text.toDouble(&ok);
        return ok ? v : kNaN;
    }
    bool ok = false;
    const double v = value.toDouble(&ok);
    return ok ? v : kNaN;
}

} // namespace

std::shared_ptr<const PiezometerSeries> loadPiezometerSeries(AccesBase &db, const QString &code,
                                                             bool withUnvalidated, QString *error)
{
    const QString table = pzTableName(code);
    if (table.isEmpty()) {
        if (error)
            *error = QStringLiteral("Code de piézomètre invalide : %1").arg(code);
        return nullptr;
    }
    auto series = std::make_shared<PiezometerSeries>();
    series->code = code.trimmed();
    if (!db.tableExists(table))
        return series;

    bool shaped = true;
    const auto read = [&](const QVariant *values, int columns) {
        if (columns != 5) {
            shaped = false;
            return false;
        }
        qint64 day = 0;
        if (!wallClockSeconds(values[0], &day))
            return true;
        day -= ((day % 86400) + 86400) % 86400;
        // The time of day lives on 30/12/1899, as in the rain tables.
        qint64 heure = 0;
        if (wallClockSeconds(values[1], &heure))
            day += ((heure % 86400) + 86400) % 86400;
        if (!withUnvalidated) {
            const QString validite = values[4].toString().trimmed().toUpper();
            if (validite != QLatin1String("V") && validite != QLatin1String("C"))
                return true;
        }
        const double level = numberOf(values[2]);
        const double depth = numberOf(values[3]);
        if (std::isnan(level) && std::isnan(depth))
            return true;
        series->t.push_back(day);
        series->level.push_back(level);
        series->depth.push_back(depth);
        series->hasLevels = series->hasLevels || !std::isnan(level);
        series->hasDepths = series->hasDepths || !std::isnan(depth);
        return true;
    };
    QString readError;
    if (!db.readRecords(QStringLiteral("SELECT DateCreation, Heure, NiveauNGF, Profondeur, "
                                       "Validite FROM ") +
                            table + QStringLiteral(" ORDER BY DateCreation, Heure"),
                        read, &readError) ||
        !shaped) {
        if (error)
            *error = QStringLiteral("Impossible de lire les niveaux du piézomètre %1 : %2")
                         .arg(code, readError.isEmpty() ? QStringLiteral("colonnes inattendues")
                                                        : readError);
        return nullptr;
    }
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
        permute(series->level);
        permute(series->depth);
    }
    return series;
}

} // namespace plx
