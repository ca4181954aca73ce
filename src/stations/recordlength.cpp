#include "stations/recordlength.h"

#include "base/locale.h"
#include "db/accesbase.h"
#include "db/sqltext.h"
#include "measures/measurementtable.h"

#include <QDateTime>

#include <cmath>

namespace plx {

QString formatRecordLength(const RecordLength &length)
{
    if (length.isEmpty())
        return QString();
    const double years = double(length.first.daysTo(length.last) + 1) / 365.25;
    const qint64 whole = qint64(std::floor(years + 0.02)); // a calendar year of 365 days counts
    return formatDate(length.first) + QStringLiteral(" – ") + formatDate(length.last) +
           QStringLiteral(" (") + QString::number(whole) +
           (whole > 1 ? QStringLiteral(" ans)") : QStringLiteral(" an)"));
}

RecordLengthRun computeRecordLengths(const std::vector<qint64> &codes,
                                     const RecordLengthProgress &progress)
{
    RecordLengthRun run;
    AccesBase &db = AccesBase::instance();
    const int total = int(codes.size());
    for (int i = 0; i < total; ++i) {
        const QString table = measurementTableName(sqlNumber(codes[size_t(i)]));
        if (db.tableExists(table)) {
            const RecordTable span = db.ExtraireRecords(
                QStringLiteral("SELECT min(DateCreation), max(DateCreation) FROM ") + table);
            if (span.ok() && span.rowCount() == 1 && !span.at(0, 0).isNull()) {
                run.lengths[codes[size_t(i)]] = {span.at(0, 0).toDateTime().date(),
                                                 span.at(0, 1).toDateTime().date()};
            }
        }
        if (progress && !progress(i + 1, total)) {
            run.cancelled = i + 1 < total;
            break;
        }
    }
    return run;
}

} // namespace plx
