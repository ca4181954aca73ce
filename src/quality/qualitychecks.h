#pragma once

#include "quality/qualityflag.h"
#include "quality/qualityseries.h"
#include "quality/qualitythresholds.h"

#include <vector>

namespace plx {

// The rules that need nothing but the station's own series. Each adds the flags of the
// records (or days) inside [fromDay, toDay]; the records outside give the context: the
// monthly distributions, the runs that started before the window, the next day's hours.
class SeriesChecks
{
public:
    SeriesChecks(const QualitySeries &series, const QualityThresholds &thresholds, qint64 fromDay,
                 qint64 toDay, QList<QualityFlag> &flags);

    void range();
    void spike();
    void stuck();
    void zeroRuns();
    void accumulation();
    void dailyVsTimed();

    const std::vector<QualityDay> &days() const { return m_days; }
    bool inWindow(qint64 day) const { return day >= m_fromDay && day <= m_toDay; }

    // A flag on a record, or on a day (its daily record, or no time when the day's total
    // comes from timed values).
    static QualityFlag flagOn(const QualityRecord &record, int parameter, QualityRule rule,
                              QualitySeverity severity, const QString &explanation);
    QualityFlag flagOnDay(const QualityDay &day, QualityRule rule, QualitySeverity severity,
                          const QString &explanation) const;

private:
    void stuckIn(bool daily, qint64 step);

    const QualitySeries &m_series;
    const QualityThresholds &m_t;
    qint64 m_fromDay, m_toDay;
    QList<QualityFlag> &m_flags;
    std::vector<QualityDay> m_days;
};

// Below this a rainfall value counts as zero: half the smallest tenth of a millimetre.
inline constexpr double kZeroRain = 0.05;

} // namespace plx
