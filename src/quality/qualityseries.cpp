#include "quality/qualityseries.h"

#include "db/accesbase.h"
#include "db/datetimetext.h"
#include "db/preparedstatement.h"
#include "measures/measurementtable.h"

#include <QDateTime>

#include <algorithm>
#include <limits>

namespace plx {

namespace {

QDateTime dateTimeOf(const QVariant &value)
{
    if (value.isNull())
        return {};
    if (value.typeId() == QMetaType::QDateTime)
        return value.toDateTime();
    return parseDatabaseDateTime(value.toString());
}

double numberOf(const QVariant &value)
{
    if (value.isNull())
        return std::numeric_limits<double>::quiet_NaN();
    bool ok = false;
    const double v = value.toDouble(&ok);
    return ok ? v : std::numeric_limits<double>::quiet_NaN();
}

} // namespace

bool readQualitySeries(AccesBase &db, const QString &code, const QDate &from, const QDate &until,
                       QualitySeries *series, QString *error)
{
    *series = QualitySeries();
    const QString table = measurementTableName(code);
    if (table.isEmpty()) {
        if (error)
            *error = QStringLiteral("Code de station invalide : %1").arg(code);
        return false;
    }
    if (!db.tableExists(table))
        return true;
    QString message;
    const std::unique_ptr<PreparedStatement> select = db.prepare(
        QStringLiteral("SELECT DateCreation, Heure, Pluie, PluieEfficace, Etp FROM ") + table +
            QStringLiteral(" WHERE DateCreation >= ? AND DateCreation < ? "
                           "ORDER BY DateCreation, Heure"),
        &message);
    if (!select) {
        if (error)
            *error = message;
        return false;
    }
    const RecordTable rows = select->query({QVariant(from), QVariant(until)});
    if (!rows.ok()) {
        if (error)
            *error = rows.error();
        return false;
    }
    series->records.reserve(size_t(rows.rowCount()));
    for (int r = 0; r < rows.rowCount(); ++r) {
        const QDateTime date = dateTimeOf(rows.at(r, 0));
        if (!date.isValid())
            continue;
        QualityRecord record;
        record.day = date.date().toJulianDay();
        const QDateTime heure = dateTimeOf(rows.at(r, 1));
        // Without Heure, a time carried by DateCreation itself stands.
        const QTime time = heure.isValid() ? heure.time() : date.time();
        if (heure.isValid() || time != QTime(0, 0))
            record.seconds = time.msecsSinceStartOfDay() / 1000;
        for (int p = 0; p < 3; ++p)
            record.values[size_t(p)] = numberOf(rows.at(r, 2 + p));
        series->timed = series->timed || record.seconds > 0;
        series->records.push_back(record);
    }
    // Engines sort a null Heure first or last: put daily records before the day's times.
    const auto before = [](const QualityRecord &a, const QualityRecord &b) {
        return a.day != b.day ? a.day < b.day : a.seconds < b.seconds;
    };
    if (!std::is_sorted(series->records.begin(), series->records.end(), before))
        std::stable_sort(series->records.begin(), series->records.end(), before);
    return true;
}

std::vector<QualityDay> QualitySeries::dailyRainfall() const
{
    std::vector<QualityDay> days;
    for (size_t i = 0; i < records.size();) {
        const qint64 day = records[i].day;
        QualityDay total{day, 0, -1};
        bool timedValue = false;
        double timedSum = 0;
        for (; i < records.size() && records[i].day == day; ++i) {
            const QualityRecord &r = records[i];
            if (!r.has(0))
                continue;
            if (isDaily(r)) {
                if (total.record < 0) {
                    total.record = int(i);
                    total.value = r.values[0];
                }
            } else {
                timedValue = true;
                timedSum += r.values[0];
            }
        }
        if (total.record < 0 && timedValue)
            total.value = timedSum;
        if (total.record >= 0 || timedValue)
            days.push_back(total);
    }
    return days;
}

qint64 QualitySeries::timedStep() const
{
    std::vector<qint64> gaps;
    qint64 previous = -1;
    for (const QualityRecord &r : records) {
        if (isDaily(r))
            continue;
        const qint64 t = r.instant();
        if (previous >= 0 && t > previous)
            gaps.push_back(t - previous);
        previous = t;
    }
    if (gaps.empty())
        return 0;
    auto middle = gaps.begin() + qsizetype(gaps.size() / 2);
    std::nth_element(gaps.begin(), middle, gaps.end());
    return *middle;
}

} // namespace plx
