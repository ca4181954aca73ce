#include "charts/followup.h"

#include "charts/chartsteps.h"

#include <algorithm>
#include <cmath>

namespace plx {

bool followUpStepOf(const QString &text, FollowUpStep *step)
{
    const QString t = text.trimmed().toLower();
    if (t == QLatin1String("jour"))
        *step = FollowUpStep::Day;
    else if (t == QLatin1String("mois"))
        *step = FollowUpStep::Month;
    else if (t == QLatin1String("annee") || t == QStringLiteral("année"))
        *step = FollowUpStep::Year;
    else
        return false;
    return true;
}

namespace {

int64_t floorDiv(int64_t a, int64_t b)
{
    const int64_t q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

int64_t daysOf(const QDate &date)
{
    return daysFromCivil(date.year(), date.month(), date.day());
}

QDate dateOf(int64_t day)
{
    const CivilDate c = civilFromDays(day);
    return QDate(c.year, c.month, c.day);
}

// Per day of the window: the sum and count of the selected values.
struct DailyColumn
{
    std::vector<double> sum;
    std::vector<int> count;
};

DailyColumn dailyColumn(const StationSeries &series, const FollowUpOptions &options,
                        int64_t fromDay, int64_t toDay)
{
    const size_t days = size_t(toDay - fromDay + 1);
    DailyColumn column{std::vector<double>(days, 0.0), std::vector<int>(days, 0)};
    const std::vector<double> &values = series.values[size_t(options.parameter - 1)];
    const size_t n = std::min(series.t.size(), values.size());
    const int64_t shift = series.timed ? int64_t(options.dayStartHour) * 3600 : 0;
    // The shift is never negative, so no row before the window's first midnight can land
    // in it.
    const auto begin = std::lower_bound(series.t.begin(), series.t.begin() + qsizetype(n),
                                        fromDay * 86400);
    for (size_t i = size_t(begin - series.t.begin()); i < n; ++i) {
        const int64_t day = floorDiv(series.t[i] - shift, 86400);
        if (day > toDay)
            break;
        const double v = values[i];
        if (day < fromDay || std::isnan(v))
            continue;
        if (!rowSelected(i < series.validite.size() ? series.validite[i] : 0,
                         i < series.obtention.size() ? series.obtention[i] : 0,
                         options.selection))
            continue;
        column.sum[size_t(day - fromDay)] += v;
        ++column.count[size_t(day - fromDay)];
    }
    return column;
}

// Accumulates values and their count, then gives the sum or the mean.
struct Accumulator
{
    double sum = 0;
    int values = 0;
    int daysWithValue = 0;
    void add(double daySum, int dayCount)
    {
        if (dayCount == 0)
            return;
        sum += daySum;
        values += dayCount;
        ++daysWithValue;
    }
    double result(bool mean) const
    {
        if (values == 0)
            return std::numeric_limits<double>::quiet_NaN();
        return mean ? sum / values : sum;
    }
};

} // namespace

FollowUpTable followUpTable(const QStringList &stations,
                            const std::vector<const StationSeries *> &series,
                            const FollowUpOptions &options)
{
    FollowUpTable table;
    table.stations = stations;
    table.mean = parameterIsMean(options.parameter);
    const size_t columns = std::min(size_t(stations.size()), series.size());
    table.cumul.resize(columns);
    table.total.resize(columns);
    if (!options.from.isValid() || !options.to.isValid() || options.to < options.from ||
        options.parameter < 1 || options.parameter > 6)
        return table;
    const int64_t fromDay = daysOf(options.from), toDay = daysOf(options.to);

    // The periods of the window, each as a range of window day indexes.
    struct Range
    {
        size_t first = 0, last = 0;
    };
    std::vector<Range> ranges;
    for (int64_t day = fromDay; day <= toDay;) {
        const CivilDate c = civilFromDays(day);
        int64_t periodFirst = day, periodLast = day;
        FollowUpPeriod period;
        switch (options.step) {
        case FollowUpStep::Day:
            period.label = dateOf(day).toString(QStringLiteral("dd/MM/yyyy"));
            break;
        case FollowUpStep::Month:
            periodFirst = daysFromCivil(c.year, c.month, 1);
            periodLast = periodFirst + daysInMonth(c.year, c.month) - 1;
            period.label = QStringLiteral("%1/%2").arg(c.month, 2, 10, QLatin1Char('0')).arg(c.year);
            break;
        case FollowUpStep::Year:
            periodFirst = daysFromCivil(c.year, 1, 1);
            periodLast = daysFromCivil(c.year + 1, 1, 1) - 1;
            period.label = QString::number(c.year);
            break;
        }
        const int64_t last = std::min(periodLast, toDay);
        period.first = dateOf(day);
        period.last = dateOf(last);
        period.partial = periodFirst < fromDay || periodLast > toDay;
        table.periods.push_back(period);
        ranges.push_back({size_t(day - fromDay), size_t(last - fromDay)});
        day = last + 1;
    }

    table.cells.assign(table.periods.size(), std::vector<FollowUpCell>(columns));
    for (size_t s = 0; s < columns; ++s) {
        if (!series[s])
            continue;
        const DailyColumn daily = dailyColumn(*series[s], options, fromDay, toDay);
        Accumulator total, cumul;
        int leftOut = 0;
        bool allComplete = true;
        for (size_t p = 0; p < ranges.size(); ++p) {
            Accumulator period;
            for (size_t d = ranges[p].first; d <= ranges[p].last; ++d)
                period.add(daily.sum[d], daily.count[d]);
            const int days = int(ranges[p].last - ranges[p].first + 1);
            FollowUpCell &cell = table.cells[p][s];
            cell.value = period.result(table.mean);
            cell.missingDays = days - period.daysWithValue;
            cell.complete = cell.missingDays == 0 && !table.periods[p].partial;
            total.sum += period.sum;
            total.values += period.values;
            total.daysWithValue += period.daysWithValue;
            table.total[s].missingDays += cell.missingDays;
            if (cell.complete) {
                cumul.sum += period.sum;
                cumul.values += period.values;
            } else {
                leftOut += days;
                allComplete = false;
            }
        }
        table.total[s].value = total.result(table.mean);
        table.total[s].complete = table.total[s].missingDays == 0;
        table.cumul[s].value = cumul.result(table.mean);
        table.cumul[s].missingDays = leftOut;
        table.cumul[s].complete = allComplete;
    }
    return table;
}

} // namespace plx
