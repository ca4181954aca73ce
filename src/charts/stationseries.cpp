#include "charts/chartengine.h"

#include "charts/seriescells.h"
#include "db/accesbase.h"
#include "measures/measurementtable.h"

#include <QDateTime>

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>

namespace plx {

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
        qint64 ms = 0;
        if (!rowInstantMs(values[0], values[1], &ms))
            return true; // a row without a day has no place on a chart
        timed = timed || ms % 86400000 != 0;
        series->t.push_back(secondsOfMs(ms));
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
