#include "quality/qualitychecks.h"

#include "base/locale.h"
#include "quality/qualitystats.h"

#include <algorithm>
#include <cmath>

namespace plx {

namespace {

constexpr double kWetDay = 1.0;       // mm: a wet day, as climatologists count them
constexpr size_t kMinimumValues = 20; // fewer values make no distribution
constexpr size_t kMinimumRuns = 10;
constexpr qint64 kMinimumMonthDays = 60; // two months of a calendar month seen

int monthOf(qint64 day)
{
    return QDate::fromJulianDay(day).month() - 1;
}

QString dayText(qint64 day)
{
    return formatDate(QDate::fromJulianDay(day));
}

QString instantText(const QualityRecord &r)
{
    QString text = dayText(r.day);
    if (r.seconds >= 0)
        text += QLatin1Char(' ') +
                QTime::fromMSecsSinceStartOfDay(r.seconds * 1000).toString(QStringLiteral("HH:mm"));
    return text;
}

QString percentText(double share)
{
    return formatNumber(std::round(share * 1000) / 10) + QStringLiteral(" %");
}

} // namespace

SeriesChecks::SeriesChecks(const QualitySeries &series, const QualityThresholds &thresholds,
                           qint64 fromDay, qint64 toDay, QList<QualityFlag> &flags)
    : m_series(series), m_t(thresholds), m_fromDay(fromDay), m_toDay(toDay), m_flags(flags),
      m_days(series.dailyRainfall())
{
}

QualityFlag SeriesChecks::flagOn(const QualityRecord &record, int parameter, QualityRule rule,
                                 QualitySeverity severity, const QString &explanation)
{
    QualityFlag flag;
    flag.date = QDate::fromJulianDay(record.day);
    if (record.seconds >= 0)
        flag.time = QTime::fromMSecsSinceStartOfDay(record.seconds * 1000);
    flag.parameter = parameter;
    if (record.has(parameter))
        flag.value = record.values[size_t(parameter)];
    flag.rule = rule;
    flag.severity = severity;
    flag.explanation = explanation;
    return flag;
}

QualityFlag SeriesChecks::flagOnDay(const QualityDay &day, QualityRule rule,
                                    QualitySeverity severity, const QString &explanation) const
{
    if (day.record >= 0)
        return flagOn(m_series.records[size_t(day.record)], 0, rule, severity, explanation);
    QualityFlag flag;
    flag.date = QDate::fromJulianDay(day.day);
    flag.value = day.value;
    flag.rule = rule;
    flag.severity = severity;
    flag.explanation = explanation;
    return flag;
}

void SeriesChecks::range()
{
    // A value timed every n hours holds n hours of rain; a daily step or more is a day's.
    const double stepHours = double(m_series.timedStep()) / 3600;
    const double timedLimit = stepHours <= 1    ? m_t.maxHourly
                              : stepHours >= 24 ? m_t.maxDaily
                                                : std::min(m_t.maxDaily, m_t.maxHourly * stepHours);
    const QString timedName =
        stepHours <= 1 ? QStringLiteral("horaire")
                       : QStringLiteral("pour un pas de %1 h").arg(formatNumber(stepHours, 0));
    for (const QualityRecord &r : m_series.records) {
        if (!inWindow(r.day))
            continue;
        const bool daily = m_series.isDaily(r);
        for (int p = 0; p < 3; ++p) {
            if (!r.has(p))
                continue;
            const double v = r.values[size_t(p)];
            if (v < 0) {
                m_flags << flagOn(r, p, QualityRule::Range,
                                  p == 2 ? QualitySeverity::Warning : QualitySeverity::Severe,
                                  QStringLiteral("Valeur négative : %1").arg(mmText(v)));
                continue;
            }
            if (p == 2) {
                if (daily && v > m_t.maxEtpDaily)
                    m_flags << flagOn(r, p, QualityRule::Range, QualitySeverity::Severe,
                                      QStringLiteral("%1 au-dessus du maximum journalier de "
                                                     "l'ETP (%2)")
                                          .arg(mmText(v), mmText(m_t.maxEtpDaily)));
                continue;
            }
            const double limit = daily ? m_t.maxDaily : timedLimit;
            if (v > limit) {
                m_flags << flagOn(r, p, QualityRule::Range, QualitySeverity::Severe,
                                  QStringLiteral("%1 au-dessus du maximum %2 de la station (%3)")
                                      .arg(mmText(v),
                                           daily ? QStringLiteral("journalier") : timedName,
                                           mmText(limit)));
            } else if (p == 1 && r.has(0) && v > r.values[0] + kZeroRain) {
                m_flags << flagOn(r, p, QualityRule::Range, QualitySeverity::Warning,
                                  QStringLiteral("Pluie efficace %1 supérieure à la pluie %2")
                                      .arg(mmText(v), mmText(r.values[0])));
            }
        }
    }
}

void SeriesChecks::spike()
{
    MonthlySample dailyWet, timedWet;
    for (const QualityRecord &r : m_series.records) {
        if (!r.has(0))
            continue;
        const double v = r.values[0];
        if (m_series.isDaily(r)) {
            if (v >= kWetDay)
                dailyWet.add(monthOf(r.day), v);
        } else if (v >= kZeroRain) {
            timedWet.add(monthOf(r.day), v);
        }
    }
    dailyWet.sort();
    timedWet.sort();
    for (const QualityRecord &r : m_series.records) {
        if (!inWindow(r.day) || !r.has(0))
            continue;
        const bool daily = m_series.isDaily(r);
        const double v = r.values[0];
        if (v < (daily ? m_t.spikeFloorDaily : m_t.spikeFloorTimed))
            continue;
        const int month = monthOf(r.day);
        const std::vector<double> *sample =
            (daily ? dailyWet : timedWet).sampleFor(month, kMinimumValues);
        if (!sample)
            continue;
        const double q = quantileExcluding(*sample, m_t.spikeQuantile, v);
        const double threshold = m_t.spikeFactor * q;
        if (std::isnan(q) || v <= threshold)
            continue;
        m_flags << flagOn(r, 0, QualityRule::Spike,
                          v > 2 * threshold ? QualitySeverity::Severe : QualitySeverity::Warning,
                          QStringLiteral("%1 : plus de %2 fois %3, quantile à %4 des %5 de %6")
                              .arg(mmText(v), formatNumber(m_t.spikeFactor), mmText(q),
                                   percentText(m_t.spikeQuantile),
                                   daily ? QStringLiteral("jours pluvieux")
                                         : QStringLiteral("valeurs pluvieuses horodatées"),
                                   frenchMonth(month)));
    }
}

void SeriesChecks::stuck()
{
    stuckIn(true, 86400);
    if (m_series.timed)
        stuckIn(false, m_series.timedStep());
}

void SeriesChecks::stuckIn(bool daily, qint64 step)
{
    std::vector<size_t> run;
    const auto close = [&] {
        if (run.size() >= size_t(std::max(2.0, m_t.stuckRun))) {
            const auto first = std::find_if(run.begin(), run.end(), [&](size_t i) {
                return inWindow(m_series.records[i].day);
            });
            if (first != run.end()) {
                const QualityRecord &start = m_series.records[run.front()];
                const QualityRecord &end = m_series.records[run.back()];
                m_flags << flagOn(m_series.records[*first], 0, QualityRule::Stuck,
                                  QualitySeverity::Warning,
                                  QStringLiteral("%1 %2 fois de suite (du %3 au %4) : capteur "
                                                 "bloqué ?")
                                      .arg(mmText(start.values[0]), QString::number(run.size()),
                                           instantText(start), instantText(end)));
            }
        }
        run.clear();
    };
    for (size_t i = 0; i < m_series.records.size(); ++i) {
        const QualityRecord &r = m_series.records[i];
        if (m_series.isDaily(r) != daily || !r.has(0))
            continue;
        const double v = r.values[0];
        if (!run.empty()) {
            const QualityRecord &last = m_series.records[run.back()];
            const qint64 gap = r.instant() - last.instant();
            const bool follows = daily ? r.day == last.day + 1 : gap > 0 && gap * 2 <= step * 3;
            if (!follows || std::abs(v - last.values[0]) > 1e-6)
                close();
        }
        if (v >= m_t.stuckMinimum && v >= kZeroRain)
            run.push_back(i);
        else
            close();
    }
    close();
}

void SeriesChecks::zeroRuns()
{
    qint64 seen[12] = {}, wet[12] = {};
    for (const QualityDay &d : m_days) {
        const int month = monthOf(d.day);
        ++seen[month];
        wet[month] += d.value >= kWetDay ? 1 : 0;
    }
    struct Run
    {
        size_t first, last;
    };
    std::vector<Run> runs;
    for (size_t i = 0; i < m_days.size(); ++i) {
        if (std::abs(m_days[i].value) >= kZeroRain) // a negative value is a fault, not a zero
            continue;
        if (!runs.empty() && runs.back().last + 1 == i && m_days[i - 1].day + 1 == m_days[i].day)
            runs.back().last = i;
        else
            runs.push_back({i, i});
    }
    const auto touchesWindow = [&](const Run &run) {
        return m_days[run.last].day >= m_fromDay && m_days[run.first].day <= m_toDay;
    };
    MonthlySample usual;
    for (const Run &run : runs) {
        if (!touchesWindow(run))
            usual.add(monthOf(m_days[run.first].day), double(run.last - run.first + 1));
    }
    usual.sort();
    for (const Run &run : runs) {
        if (!touchesWindow(run))
            continue;
        const int month = monthOf(m_days[run.first].day);
        if (seen[month] < kMinimumMonthDays ||
            double(wet[month]) < m_t.wetMonthShare * double(seen[month]))
            continue;
        const std::vector<double> *sample = usual.sampleFor(month, kMinimumRuns);
        if (!sample)
            continue;
        const double q = quantileExcluding(*sample, 0.95, -1);
        const double length = double(run.last - run.first + 1);
        if (std::isnan(q) || length < m_t.zeroRunMinDays || length <= m_t.zeroRunFactor * q)
            continue;
        size_t first = run.first;
        while (m_days[first].day < m_fromDay)
            ++first;
        m_flags << flagOnDay(m_days[first], QualityRule::ZeroRun, QualitySeverity::Warning,
                             QStringLiteral("%1 jours de suite à 0 mm (du %2 au %3) alors qu'en "
                                            "%4 la station reste rarement plus de %5 jours "
                                            "sans pluie")
                                 .arg(formatNumber(length), dayText(m_days[run.first].day),
                                      dayText(m_days[run.last].day), frenchMonth(month),
                                      formatNumber(std::round(q))));
    }
}

void SeriesChecks::accumulation()
{
    MonthlySample wetDays;
    for (const QualityDay &d : m_days) {
        if (d.value >= kWetDay)
            wetDays.add(monthOf(d.day), d.value);
    }
    wetDays.sort();
    for (size_t i = 1; i < m_days.size(); ++i) {
        const QualityDay &d = m_days[i];
        const qint64 gap = d.day - m_days[i - 1].day - 1;
        if (!inWindow(d.day) || d.value < m_t.accumulationFloor ||
            double(gap) < m_t.accumulationGapDays)
            continue;
        const int month = monthOf(d.day);
        const std::vector<double> *sample = wetDays.sampleFor(month, kMinimumValues);
        if (!sample)
            continue;
        const double q = quantileExcluding(*sample, 0.9, d.value);
        if (std::isnan(q) || d.value <= m_t.accumulationFactor * q)
            continue;
        m_flags << flagOnDay(d, QualityRule::Accumulation, QualitySeverity::Warning,
                             QStringLiteral("%1 après %2 jours sans mesure, plus de %3 fois %4 "
                                            "(quantile à 90 % des jours pluvieux de %5) : cumul "
                                            "de plusieurs jours ?")
                                 .arg(mmText(d.value), QString::number(gap),
                                      formatNumber(m_t.accumulationFactor), mmText(q),
                                      frenchMonth(month)));
    }
}

void SeriesChecks::dailyVsTimed()
{
    if (!m_series.timed)
        return;
    std::vector<qint64> instants;
    std::vector<double> sums{0};
    for (const QualityRecord &r : m_series.records) {
        if (!m_series.isDaily(r) && r.has(0)) {
            instants.push_back(r.instant());
            sums.push_back(sums.back() + r.values[0]);
        }
    }
    // Sum and count of the timed values in [a, b) or, shifted, (a, b].
    const auto between = [&](qint64 a, qint64 b, bool endIncluded) {
        const auto lower = endIncluded ? std::upper_bound(instants.begin(), instants.end(), a)
                                       : std::lower_bound(instants.begin(), instants.end(), a);
        const auto upper = endIncluded ? std::upper_bound(instants.begin(), instants.end(), b)
                                       : std::lower_bound(instants.begin(), instants.end(), b);
        const size_t i = size_t(lower - instants.begin()), j = size_t(upper - instants.begin());
        return std::pair<double, size_t>(sums[j] - sums[i], j - i);
    };
    for (const QualityRecord &r : m_series.records) {
        if (r.seconds >= 0 || !r.has(0) || !inWindow(r.day))
            continue;
        const double daily = r.values[0];
        const qint64 midnight = r.day * 86400;
        // The day as calendar hours, as hours ending 01:00 to 24:00, or from 06 to 06 UTC:
        // whichever convention the timed values follow, one of them matches a sound day.
        const std::pair<double, size_t> windows[] = {
            between(midnight, midnight + 86400, false),
            between(midnight, midnight + 86400, true),
            between(midnight + 6 * 3600, midnight + 30 * 3600, false),
        };
        // Only a day that holds timed values of its own: the hours of its neighbours that a
        // shifted window reaches do not make a day to compare.
        if (windows[0].second == 0)
            continue;
        const double tolerance = std::max(m_t.dailyTolerance, m_t.dailyToleranceShare * daily);
        if (std::any_of(std::begin(windows), std::end(windows), [&](const auto &w) {
                return w.second > 0 && std::abs(w.first - daily) <= tolerance;
            }))
            continue;
        m_flags << flagOn(
            r, 0, QualityRule::DailyVsTimed, QualitySeverity::Warning,
            QStringLiteral("Total journalier %1, somme des %2 valeurs horodatées "
                           "du jour %3")
                .arg(mmText(daily), QString::number(windows[0].second), mmText(windows[0].first)));
    }
}

} // namespace plx
