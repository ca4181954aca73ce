#include "charts/piezometerseries.h"

#include "charts/seriescells.h"
#include "db/accesbase.h"
#include "schema/groundwatertables.h"


#include <algorithm>
#include <cmath>
#include <numeric>

namespace plx {

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
        qint64 ms = 0;
        if (!rowInstantMs(values[0], values[1], &ms))
            return true;
        const qint64 day = secondsOfMs(ms);
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
