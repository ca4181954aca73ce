#include "quality/qualityflag.h"

#include "db/accesbase.h"
#include "measures/measurementtable.h"
#include "quality/qualitychecks.h"
#include "quality/qualityneighbours.h"
#include "quality/qualityseries.h"
#include "quality/qualitythresholds.h"

#include <algorithm>

namespace plx {

namespace {

// Days read on each side of the window: runs and gaps that cross its edges.
constexpr int kContextDays = 60;

int ruleOrder(QualityRule rule)
{
    return int(allQualityRules().indexOf(rule));
}

} // namespace

QualityRun runQualityRules(AccesBase &db, const QString &code, const QDate &from, const QDate &to,
                           const QSet<QualityRule> &rules, const QualityProgress &progress)
{
    QualityRun run;
    if (measurementTableName(code).isEmpty()) {
        run.error = QStringLiteral("Code de station invalide : %1").arg(code);
        return run;
    }
    if (!from.isValid() || !to.isValid() || to < from) {
        run.error = QStringLiteral("Période invalide : la fin précède le début.");
        return run;
    }
    const auto wanted = [&](QualityRule rule) { return rules.isEmpty() || rules.contains(rule); };

    const QualityThresholdsRead read = loadQualityThresholds(db, code);
    if (!read.ok) {
        run.error =
            QStringLiteral("Lecture des seuils de la station impossible : %1").arg(read.error);
        return run;
    }
    const QualityThresholds &t = read.thresholds;

    std::vector<QualityNeighbour> neighbours;
    if (wanted(QualityRule::Neighbours) && !findNeighbours(db, code, t, &neighbours, &run.error)) {
        run.error =
            QStringLiteral("Lecture des coordonnées des stations impossible : %1").arg(run.error);
        return run;
    }
    const qint64 total = 2 + qint64(neighbours.size());
    qint64 done = 0;
    const auto step = [&] {
        if (progress && !progress(done, total)) {
            run.cancelled = true;
            return false;
        }
        ++done;
        return true;
    };

    // The distributions want the station's past; the other rules only the window's edges.
    const bool history = wanted(QualityRule::Spike) || wanted(QualityRule::ZeroRun) ||
                         wanted(QualityRule::Accumulation);
    const QDate start = !history               ? from.addDays(-kContextDays)
                        : t.historyYears > 0.5 ? from.addYears(-int(t.historyYears))
                                               : QDate(1000, 1, 1);
    QualitySeries series;
    QString error;
    if (!step())
        return run;
    // Past the end too: a zero or stuck run that starts in the window is judged on its whole
    // length, and a day's hours counted 06 to 06 reach into the next one.
    if (!readQualitySeries(db, code, start, to.addDays(kContextDays), &series, &error)) {
        run.error =
            QStringLiteral("Lecture des mesures de la station %1 impossible : %2").arg(code, error);
        return run;
    }
    const qint64 fromDay = from.toJulianDay(), toDay = to.toJulianDay();
    SeriesChecks checks(series, t, fromDay, toDay, run.flags);
    if (wanted(QualityRule::Range))
        checks.range();
    if (wanted(QualityRule::Spike))
        checks.spike();
    if (wanted(QualityRule::Stuck))
        checks.stuck();
    if (wanted(QualityRule::ZeroRun))
        checks.zeroRuns();
    if (wanted(QualityRule::Accumulation))
        checks.accumulation();
    if (wanted(QualityRule::DailyVsTimed))
        checks.dailyVsTimed();

    if (!neighbours.empty()) {
        std::vector<QHash<qint64, double>> neighbourDays;
        for (const QualityNeighbour &n : neighbours) {
            if (!step())
                return run;
            QualitySeries other;
            if (!readQualitySeries(db, n.code, from, to.addDays(1), &other, &error)) {
                run.error = QStringLiteral("Lecture des mesures de la station %1 impossible : %2")
                                .arg(n.code, error);
                return run;
            }
            QHash<qint64, double> days;
            for (const QualityDay &d : other.dailyRainfall())
                days.insert(d.day, d.value);
            neighbourDays.push_back(std::move(days));
        }
        neighbourChecks(checks, t, neighbours, neighbourDays, run.flags);
    }
    if (progress && !progress(total, total)) {
        run.cancelled = true;
        return run;
    }

    std::stable_sort(run.flags.begin(), run.flags.end(),
                     [](const QualityFlag &a, const QualityFlag &b) {
                         if (a.date != b.date)
                             return a.date < b.date;
                         const int ta = a.time.isValid() ? a.time.msecsSinceStartOfDay() : -1;
                         const int tb = b.time.isValid() ? b.time.msecsSinceStartOfDay() : -1;
                         if (ta != tb)
                             return ta < tb;
                         if (a.parameter != b.parameter)
                             return a.parameter < b.parameter;
                         return ruleOrder(a.rule) < ruleOrder(b.rule);
                     });
    run.ok = true;
    return run;
}

} // namespace plx
