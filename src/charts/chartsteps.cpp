#include "charts/chartsteps.h"

#include <cmath>

namespace plx {

bool stepOfHorizon(const QString &horizon, int hydroStartMonth, Step *step, int *startMonth)
{
    *startMonth = 1;
    const QString h = horizon.trimmed().toUpper();
    if (h == QLatin1String("S"))
        *step = Step::Raw;
    else if (h == QLatin1String("D"))
        *step = Step::Decade;
    else if (h == QLatin1String("M"))
        *step = Step::Month;
    else if (h == QLatin1String("T"))
        *step = Step::Quarter;
    else if (h == QLatin1String("A"))
        *step = Step::Year;
    else if (h == QLatin1String("H")) {
        *step = Step::Year;
        *startMonth = hydroStartMonth >= 1 && hydroStartMonth <= 12 ? hydroStartMonth : 9;
    } else
        return false;
    return true;
}

// Howard Hinnant's algorithms (days from and to civil), exact over the whole int range
// the records use.
CivilDate civilFromDays(int64_t days)
{
    days += 719468;
    const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const int64_t doe = days - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    const int d = int(doy - (153 * mp + 2) / 5 + 1);
    const int m = int(mp < 10 ? mp + 3 : mp - 9);
    const int y = int(yoe + era * 400 + (m <= 2 ? 1 : 0));
    return {y, m, d};
}

int64_t daysFromCivil(int year, int month, int day)
{
    const int64_t y = int64_t(year) - (month <= 2 ? 1 : 0);
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

int daysInMonth(int year, int month)
{
    static const int lengths[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month == 2) {
        const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
        return leap ? 29 : 28;
    }
    return lengths[(month - 1) % 12];
}

QString yearLabel(int year, int startMonth)
{
    if (startMonth == 1)
        return QString::number(year);
    return QStringLiteral("%1-%2").arg(year).arg(year + 1);
}

QString monthLabel(int month)
{
    static const char *const labels[12] = {"janv.", "févr.", "mars", "avr.", "mai",  "juin",
                                           "juil.", "août",  "sept.", "oct.", "nov.", "déc."};
    if (month < 1 || month > 12)
        return QString();
    return QString::fromUtf8(labels[month - 1]);
}

QString parameterName(int parameter, const std::array<QString, 3> &freeLabels)
{
    if (parameter >= 4 && parameter <= 6 && !freeLabels[size_t(parameter - 4)].isEmpty())
        return freeLabels[size_t(parameter - 4)];
    switch (parameter) {
    case 1:
        return QStringLiteral("Pluie");
    case 2:
        return QStringLiteral("Pluie efficace");
    case 3:
        return QStringLiteral("Etp");
    case 4:
    case 5:
    case 6:
        return QStringLiteral("Paramètre %1").arg(parameter - 3);
    default:
        return QString();
    }
}

QString parameterUnit(int parameter)
{
    return parameter >= 1 && parameter <= 3 ? QStringLiteral("mm") : QString();
}

bool rowSelected(char validite, char obtention, const DataSelection &selection)
{
    if (!selection.unvalidated && validite != 'V' && validite != 'C')
        return false;
    if (!selection.interpreted && (obtention == 'I' || obtention == 'E'))
        return false;
    if (!selection.incorrect && (obtention == 'X' || obtention == 'F'))
        return false;
    return true;
}

double nominalStepSeconds(Step step)
{
    constexpr double day = 86400.0;
    switch (step) {
    case Step::Raw:
        return day;
    case Step::Decade:
        return 10 * day;
    case Step::Month:
        return 365.25 / 12 * day;
    case Step::Quarter:
        return 365.25 / 4 * day;
    case Step::Year:
        return 365.25 * day;
    }
    return day;
}

namespace {

int64_t floorDiv(int64_t a, int64_t b)
{
    const int64_t q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

// The period holding a date, with its key (increasing with time).
struct PeriodSlot
{
    int64_t key = 0;
    int64_t firstDay = 0;
    int lengthDays = 0;
    int year = 0, month = 0;
};

PeriodSlot slotOf(const CivilDate &d, Step step, int startMonth)
{
    PeriodSlot s;
    switch (step) {
    case Step::Raw: // never grouped: groupSeries keeps each value apart before asking
    case Step::Month:
        s.key = int64_t(d.year) * 12 + d.month - 1;
        s.year = d.year;
        s.month = d.month;
        s.firstDay = daysFromCivil(d.year, d.month, 1);
        s.lengthDays = daysInMonth(d.year, d.month);
        break;
    case Step::Decade: {
        const int index = d.day <= 10 ? 0 : d.day <= 20 ? 1 : 2;
        s.key = (int64_t(d.year) * 12 + d.month - 1) * 3 + index;
        s.year = d.year;
        s.month = d.month;
        s.firstDay = daysFromCivil(d.year, d.month, 1 + 10 * index);
        s.lengthDays = index < 2 ? 10 : daysInMonth(d.year, d.month) - 20;
        break;
    }
    case Step::Quarter: {
        const int first = (d.month - 1) / 3 * 3 + 1;
        s.key = int64_t(d.year) * 4 + (d.month - 1) / 3;
        s.year = d.year;
        s.month = first;
        s.firstDay = daysFromCivil(d.year, first, 1);
        s.lengthDays = int(daysFromCivil(first == 10 ? d.year + 1 : d.year,
                                         first == 10 ? 1 : first + 3, 1) -
                           s.firstDay);
        break;
    }
    case Step::Year: {
        const int y = yearOfMonth(d.year, d.month, startMonth);
        s.key = y;
        s.year = y;
        s.month = startMonth;
        s.firstDay = daysFromCivil(y, startMonth, 1);
        s.lengthDays = int(daysFromCivil(y + 1, startMonth, 1) - s.firstDay);
        break;
    }
    }
    return s;
}

} // namespace

std::vector<Period> groupSeries(const StationSeries &series, const GroupOptions &options)
{
    std::vector<Period> periods;
    if (options.parameter < 1 || options.parameter > 6)
        return periods;
    const std::vector<double> &values = series.values[size_t(options.parameter - 1)];
    const size_t n = qMin(series.t.size(), values.size());
    const bool filterRows = !(options.selection.unvalidated && options.selection.incorrect &&
                              options.selection.interpreted);
    const bool mean = parameterIsMean(options.parameter);
    if (options.step == Step::Raw)
        periods.reserve(n);

    int64_t currentDay = INT64_MIN;
    CivilDate date;
    PeriodSlot slot;
    bool open = false;
    int64_t lastCountedDay = INT64_MIN;
    int count = 0;
    double sum = 0;
    const auto close = [&] {
        if (!open)
            return;
        Period &p = periods.back();
        p.value = mean ? sum / count : sum;
        p.complete = p.daysWithValue >= p.lengthDays;
    };

    for (size_t i = 0; i < n; ++i) {
        const double v = values[i];
        if (std::isnan(v))
            continue;
        const int64_t t = series.t[i];
        if (t < options.fromSeconds || t >= options.toSeconds)
            continue;
        if (filterRows && !rowSelected(i < series.validite.size() ? series.validite[i] : 0,
                                       i < series.obtention.size() ? series.obtention[i] : 0,
                                       options.selection))
            continue;
        const int64_t day = floorDiv(t, 86400);
        if (options.step == Step::Raw) {
            Period p;
            p.firstDay = day;
            p.lengthDays = 1;
            p.value = v;
            p.daysWithValue = 1;
            p.complete = true;
            p.t = t;
            periods.push_back(p);
            continue;
        }
        if (day != currentDay) {
            currentDay = day;
            date = civilFromDays(day);
            const PeriodSlot next = slotOf(date, options.step, options.startMonth);
            if (!open || next.key != slot.key) {
                close();
                slot = next;
                open = true;
                Period p;
                p.firstDay = slot.firstDay;
                p.lengthDays = slot.lengthDays;
                p.year = slot.year;
                p.month = slot.month;
                p.t = slot.firstDay * 86400;
                periods.push_back(p);
                sum = 0;
                count = 0;
            }
        }
        sum += v;
        ++count;
        if (day != lastCountedDay) {
            lastCountedDay = day;
            ++periods.back().daysWithValue;
        }
    }
    close();
    return periods;
}

} // namespace plx
